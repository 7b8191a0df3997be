#include "UpdateIntervalDialog.h"

#include "AppText.h"
#include "CommandTable.h"
#include "admin/TextFormat.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace KorvaneApp {

UpdateIntervalDialog::UpdateIntervalDialog(int nInterval, QWidget* pParent)
    : QDialog(pParent), m_pChoices(new QComboBox(this)) {
    setWindowTitle(DialogTitle(CommandTable::Tooltip(ID_INTERVAL)));
    m_pChoices->addItem(Text(Zelt::Text::IntervalNoAutomaticUpdate), 0);
    for (int nMinutes : {10, 20, 30, 60}) {
        m_pChoices->addItem(
            Qs(Korvane::CTextFormat::FormatId(Zelt::Text::IntervalMinutes, {std::to_string(nMinutes)})),
            nMinutes);
    }
    // -1 (nothing chosen yet) selects the first entry; a value the list lacks selects none.
    m_pChoices->setCurrentIndex(nInterval == -1 ? 0 : m_pChoices->findData(nInterval));

    auto* pButtons = new QDialogButtonBox(this);
    pButtons->addButton(Text(Zelt::Text::ButtonSet), QDialogButtonBox::AcceptRole);
    pButtons->addButton(Text(Zelt::Text::ButtonCancel), QDialogButtonBox::RejectRole);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* pFields = new QFormLayout;
    pFields->addRow(Text(Zelt::Text::IntervalLabel), m_pChoices);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(new QLabel(Text(Zelt::Text::IntervalPrompt), this));
    pLayout->addLayout(pFields);
    pLayout->addWidget(pButtons);
}

int UpdateIntervalDialog::Interval() const {
    return m_pChoices->currentIndex() < 0 ? -1 : m_pChoices->currentData().toInt();
}

} // namespace KorvaneApp
