#pragma once

#include <QDialog>

namespace KorvaneApp {

// "バージョン情報 - KORVANE Admin".
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* pParent = nullptr);
};

} // namespace KorvaneApp
