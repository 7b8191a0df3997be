#include "AddressApprovalPrompt.h"

#include "AppText.h"
#include "PlainMessageBox.h"
#include "admin/AddressApproval.h"
#include "admin/TextFormat.h"

namespace KorvaneApp {

AddressApprovalPrompt::AddressApprovalPrompt(Korvane::CKorvaneAdminInfoMgr& manager, QWidget* pParent)
    : m_manager(manager), m_pParent(pParent) {}

AddressApprovalPrompt::Asked AddressApprovalPrompt::AskedKey(const std::string& mac,
                                                             const Korvane::CManagedDevice& device) {
    const Korvane::AddressPair& waiting = device.GetUnapprovedAddresses();
    return {Korvane::CKorvaneAdminInfoMgr::NormalizeMac(mac), waiting.ipv4, waiting.ipv6};
}

bool AddressApprovalPrompt::AskNew(const std::vector<std::string>& macs) {
    bool bApproved = false;
    for (const std::string& mac : macs) {
        const Korvane::CManagedDevice* pDevice = m_manager.FindDevice(mac);
        if (pDevice != nullptr && pDevice->HasUnapprovedAddresses() &&
            !m_asked.count(AskedKey(mac, *pDevice))) {
            bApproved |= Ask(mac);
        }
    }
    return bApproved;
}

bool AddressApprovalPrompt::AskAll(const std::vector<std::string>& macs) {
    bool bAnyWaiting = false;
    bool bApproved = false;
    for (const std::string& mac : macs) {
        const Korvane::CManagedDevice* pDevice = m_manager.FindDevice(mac);
        if (pDevice != nullptr && pDevice->HasUnapprovedAddresses()) {
            bAnyWaiting = true;
            bApproved |= Ask(mac);
        }
    }
    if (!bAnyWaiting) {
        QMessageBox box(QMessageBox::Information, QStringLiteral("KORVANE Admin"),
                        Text(Zelt::Text::NoAddressToApprove), QMessageBox::Ok, m_pParent);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
    return bApproved;
}

bool AddressApprovalPrompt::Ask(const std::string& mac) {
    const Korvane::CManagedDevice& device = *m_manager.FindDevice(mac);
    m_asked.insert(AskedKey(mac, device));
    const std::string question = Korvane::CTextFormat::FormatId(
        Zelt::Text::AskApproveAddress, {device.Name(), Korvane::CKorvaneAdminInfoMgr::NormalizeMac(mac),
                                        Korvane::CAddressApproval::ApprovedText(device),
                                        Korvane::CAddressApproval::Text(device.GetUnapprovedAddresses())});
    return PlainMessageBox::Exec(m_pParent, QMessageBox::Question, QStringLiteral("KORVANE Admin"),
                                 Qs(question), QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes &&
           m_manager.ApproveNewAddresses(mac);
}

} // namespace KorvaneApp
