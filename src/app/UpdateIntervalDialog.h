#pragma once

#include <QDialog>

class QComboBox;

namespace KorvaneApp {

// "更新時間設定 - KORVANE Admin": the minutes between full updates, 0 for none.
class UpdateIntervalDialog : public QDialog {
    Q_OBJECT
public:
    UpdateIntervalDialog(int nInterval, QWidget* pParent = nullptr);

    // The chosen interval; -1 when no entry is selected.
    int Interval() const;
    QComboBox* Choices() const { return m_pChoices; }

private:
    QComboBox* m_pChoices;
};

} // namespace KorvaneApp
