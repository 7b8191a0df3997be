#include "ColumnDialog.h"

#include "AppText.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace KorvaneApp {

ColumnDialog::ColumnDialog(Korvane::InfoColumnTable& columns, QWidget* pParent)
    : QDialog(pParent), m_columns(columns), m_checkboxes(columns.Checkboxes()) {
    setWindowTitle(DialogTitle(Text(Zelt::Text::TitleColumns)));
    auto* pGrid = new QGridLayout;
    for (size_t i = 0; i < m_checkboxes.size(); ++i) {
        auto* pBox = new QCheckBox(Qs(m_checkboxes[i].label), this);
        pGrid->addWidget(pBox, static_cast<int>(i / 2), static_cast<int>(i % 2));
        m_boxes.push_back(pBox);
    }
    ShowCheckboxes(m_checkboxes);

    auto* pButtons = new QDialogButtonBox(this);
    QPushButton* pReset =
        pButtons->addButton(Text(Zelt::Text::ButtonRestoreDefaults), QDialogButtonBox::ResetRole);
    pButtons->addButton(Text(Zelt::Text::ButtonSet), QDialogButtonBox::AcceptRole);
    pButtons->addButton(Text(Zelt::Text::ButtonCancel), QDialogButtonBox::RejectRole);
    connect(pReset, &QPushButton::clicked, this, &ColumnDialog::ResetToDefaults);
    connect(pButtons, &QDialogButtonBox::accepted, this, &ColumnDialog::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(new QLabel(Text(Zelt::Text::ColumnsPrompt), this));
    pLayout->addLayout(pGrid);
    pLayout->addWidget(pButtons);
}

void ColumnDialog::ShowCheckboxes(const std::vector<Korvane::ColumnCheckbox>& checkboxes) {
    for (size_t i = 0; i < m_boxes.size() && i < checkboxes.size(); ++i) {
        m_boxes[i]->setChecked(checkboxes[i].checked);
    }
}

void ColumnDialog::ResetToDefaults() {
    ShowCheckboxes(Korvane::InfoColumnTable().Checkboxes());
}

void ColumnDialog::accept() {
    for (size_t i = 0; i < m_boxes.size(); ++i) {
        m_checkboxes[i].checked = m_boxes[i]->isChecked();
    }
    m_columns.ApplyCheckboxes(m_checkboxes);
    QDialog::accept();
}

} // namespace KorvaneApp
