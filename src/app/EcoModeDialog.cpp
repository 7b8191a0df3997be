#include "EcoModeDialog.h"

#include "AppText.h"
#include "CommandTable.h"
#include "ProgressDialog.h"
#include "operations/OperationKind.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace KorvaneApp {

using Korvane::CEcoSettings;

EcoModeDialog::EcoModeDialog(Korvane::CKorvaneAdminInfoMgr& manager, std::vector<std::string> targetMacs,
                             QWidget* pParent)
    : QDialog(pParent), m_manager(manager), m_targetMacs(std::move(targetMacs)),
      m_eco(TargetInfos(manager, m_targetMacs)), m_pTimes(new QComboBox(this)),
      m_pSet(new QPushButton(Text(Zelt::Text::ButtonSet), this)) {
    setWindowTitle(DialogTitle(CommandTable::Tooltip(ID_ECO)));
    for (const Korvane::EcoTime& time : CEcoSettings::Times()) {
        m_pTimes->addItem(Qs(time.text), time.nMinutes);
    }
    m_pTimes->setCurrentIndex(static_cast<int>(m_eco.SelectedPosition()));

    auto* pVolumes = new QGridLayout;
    pVolumes->addWidget(new QLabel(Text(Zelt::Text::EcoTimeLabel), this), 0, 0);
    pVolumes->addWidget(m_pTimes, 0, 1, 1, 2);
    for (size_t i = 0; i < CEcoSettings::VOLUME_COUNT; ++i) {
        m_captions[i] = new QLabel(Qs(CEcoSettings::VolumeCaption(CEcoSettings::Volumes()[i])), this);
        m_onButtons[i] = new QRadioButton(Text(Zelt::Text::EcoEnabled), this);
        m_offButtons[i] = new QRadioButton(Text(Zelt::Text::EcoDisabled), this);
        auto* pPair = new QButtonGroup(this);
        pPair->addButton(m_onButtons[i]);
        pPair->addButton(m_offButtons[i]);
        (m_eco.IsVolumeOn(i) ? m_onButtons[i] : m_offButtons[i])->setChecked(true);
        const int nRow = static_cast<int>(i) + 1;
        pVolumes->addWidget(m_captions[i], nRow, 0);
        pVolumes->addWidget(m_onButtons[i], nRow, 1);
        pVolumes->addWidget(m_offButtons[i], nRow, 2);
        connect(m_onButtons[i], &QRadioButton::toggled, this,
                [this, i](bool bOn) { m_eco.SetVolumeOn(i, bOn); });
    }

    auto* pCancel = new QPushButton(Text(Zelt::Text::ButtonCancel), this);
    m_pSet->setDefault(true);
    auto* pButtons = new QHBoxLayout;
    pButtons->addStretch(1);
    pButtons->addWidget(m_pSet);
    pButtons->addWidget(pCancel);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pVolumes);
    pLayout->addLayout(pButtons);

    UpdateEnabling();
    connect(m_pTimes, &QComboBox::currentIndexChanged, this, &EcoModeDialog::OnTimeChosen);
    connect(m_pSet, &QPushButton::clicked, this, &EcoModeDialog::accept);
    connect(pCancel, &QPushButton::clicked, this, &EcoModeDialog::reject);
}

std::vector<const Korvane::CKorvaneInfo*>
EcoModeDialog::TargetInfos(const Korvane::CKorvaneAdminInfoMgr& manager,
                           const std::vector<std::string>& macs) {
    std::vector<const Korvane::CKorvaneInfo*> targets;
    for (const std::string& mac : macs) {
        targets.push_back(manager.FindDevice(mac));
    }
    return targets;
}

// The message about the first target's setting comes over the dialog, once.
void EcoModeDialog::showEvent(QShowEvent* pEvent) {
    QDialog::showEvent(pEvent);
    if (m_bMessageShown || m_eco.InitialMessageId() == 0) {
        return;
    }
    m_bMessageShown = true;
    QTimer::singleShot(0, this, [this] {
        QMessageBox::information(this, QStringLiteral("KORVANE Admin"), Text(m_eco.InitialMessageId()));
    });
}

void EcoModeDialog::OnTimeChosen(int nPosition) {
    if (nPosition >= 0) {
        m_eco.SelectPosition(static_cast<size_t>(nPosition));
    }
    UpdateEnabling();
}

// Disabled pairs keep their choice: it is still sent.
void EcoModeDialog::UpdateEnabling() {
    for (size_t i = 0; i < CEcoSettings::VOLUME_COUNT; ++i) {
        const bool bEnabled = m_eco.IsVolumeEnabled(i);
        m_captions[i]->setEnabled(bEnabled);
        m_onButtons[i]->setEnabled(bEnabled);
        m_offButtons[i]->setEnabled(bEnabled);
    }
}

void EcoModeDialog::accept() {
    const std::string document = m_eco.BuildDocument();
    ProgressDialog(m_manager, this).Run(Korvane::OPERATION_ECO_MODE, m_targetMacs, std::string(), document);
    QDialog::accept();
}

} // namespace KorvaneApp
