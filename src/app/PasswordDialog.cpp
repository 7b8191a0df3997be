#include "PasswordDialog.h"

#include "AppText.h"
#include "PlainMessageBox.h"
#include "admin/PasswordTexts.h"
#include "admin/TextFormat.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace KorvaneApp {

PasswordDialog::PasswordDialog(Korvane::CKorvaneAdminInfoMgr& manager, const std::string& preselectedMac,
                               int nReason, QWidget* pParent)
    : QDialog(pParent), m_manager(manager), m_preselectedMac(preselectedMac), m_pDevices(new QComboBox(this)),
      m_pName(new QLineEdit(this)), m_pPassword(new QLineEdit(this)),
      m_pSave(new QCheckBox(Text(Zelt::Text::PasswordSaveCheck), this)),
      m_pPrompt(new QLabel(Qs(Korvane::CPasswordTexts::Prompt(nReason)), this)) {
    setWindowTitle(DialogTitle(Qs(Korvane::CPasswordTexts::Title(!preselectedMac.empty()))));
    m_pPassword->setEchoMode(QLineEdit::Password);
    m_pName->setReadOnly(true);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    pButtons->button(QDialogButtonBox::Cancel)->setText(Text(Zelt::Text::ButtonCancel));
    connect(pButtons, &QDialogButtonBox::accepted, this, &PasswordDialog::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &PasswordDialog::reject);

    auto* pFields = new QFormLayout;
    auto* pNameRow = new QVBoxLayout;
    pNameRow->addWidget(m_pDevices);
    pNameRow->addWidget(m_pName);
    pFields->addRow(Text(Zelt::Text::PasswordDeviceName), pNameRow);
    pFields->addRow(Text(Zelt::Text::PasswordAdminPassword), m_pPassword);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pPrompt);
    pLayout->addLayout(pFields);
    pLayout->addWidget(m_pSave);
    pLayout->addWidget(pButtons);

    if (const Korvane::CManagedDevice* pDevice = m_manager.FindDevice(preselectedMac)) {
        m_pName->setText(Qs(pDevice->Name()));
        m_pDevices->hide();
    } else {
        m_preselectedMac.clear();
        m_pName->hide();
        for (const auto& [mac, device] : m_manager.Devices()) {
            m_pDevices->addItem(Qs(device.Name()), Qs(mac));
        }
        const bool bAny = m_pDevices->count() > 0;
        for (QWidget* pControl : {static_cast<QWidget*>(m_pDevices), static_cast<QWidget*>(m_pPassword),
                                  static_cast<QWidget*>(m_pSave),
                                  static_cast<QWidget*>(pButtons->button(QDialogButtonBox::Ok))}) {
            pControl->setEnabled(bAny);
        }
    }
}

void PasswordDialog::accept() {
    const std::string mac =
        m_preselectedMac.empty() ? Std(m_pDevices->currentData().toString()) : m_preselectedMac;
    const QString name = m_preselectedMac.empty() ? m_pDevices->currentText() : m_pName->text();
    if (name.isEmpty() && mac.empty()) {
        QMessageBox::critical(this, windowTitle(), Text(Zelt::Text::PasswordDeviceNameMissing));
        return;
    }
    if (m_manager.FindDevice(mac) == nullptr) {
        PlainMessageBox::Exec(this, QMessageBox::NoIcon, windowTitle(),
                              Text(Zelt::Text::PasswordDeviceNotInList));
        return;
    }
    m_manager.SetPassword(mac, Std(m_pPassword->text()), m_pSave->isChecked());
    PlainMessageBox::Exec(this, QMessageBox::Information, windowTitle(),
                          Qs(Korvane::CTextFormat::FormatId(Zelt::Text::PasswordSet, {Std(name)})));
    if (!m_preselectedMac.empty() || m_pDevices->count() < 2) {
        QDialog::accept();
        return;
    }
    // Opened from the menu for several devices: stay open for the next one.
    m_pSave->setChecked(false);
    m_pPassword->clear();
}

} // namespace KorvaneApp
