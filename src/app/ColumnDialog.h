#pragma once

#include "admin/InfoColumnTable.h"

#include <vector>

#include <QDialog>

class QCheckBox;

namespace KorvaneApp {

// "表示項目設定 - KORVANE Admin": one checkbox per switchable column of the device list.
class ColumnDialog : public QDialog {
    Q_OBJECT
public:
    ColumnDialog(Korvane::InfoColumnTable& columns, QWidget* pParent = nullptr);

    const std::vector<QCheckBox*>& Boxes() const { return m_boxes; }
    // "初期設定に戻す": the checkboxes of a default table (the list changes only on "設定").
    void ResetToDefaults();

public slots:
    void accept() override;

private:
    void ShowCheckboxes(const std::vector<Korvane::ColumnCheckbox>& checkboxes);

    Korvane::InfoColumnTable& m_columns;
    std::vector<Korvane::ColumnCheckbox> m_checkboxes;
    std::vector<QCheckBox*> m_boxes;
};

} // namespace KorvaneApp
