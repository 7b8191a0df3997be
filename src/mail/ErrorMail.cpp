#include "mail/ErrorMail.h"

#include "admin/CellText.h"
#include "admin/StatusEvaluation.h"
#include "admin/TextFormat.h"
#include "mail/MailSender.h"
#include "support/StringTable.h"

namespace Korvane {

namespace {} // namespace

std::vector<std::string> CErrorMail::BodyLines(const CKorvaneAdminInfoMgr& manager) {
    std::vector<std::string> lines;
    for (const auto& [mac, device] : manager.Devices()) {
        const std::string strStatus = CCellText::CellText("status", device);
        lines.push_back(CTextFormat::FormatId(Zelt::Text::ErrorMailDeviceLine, {device.Name(), strStatus}));
        for (std::string& line : CTextFormat::Lines(CStatusEvaluation::StatusText(device))) {
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

std::optional<int> CErrorMail::Send(const CKorvaneAdminInfoMgr& manager) {
    const CMailSettings& settings = manager.m_mail;
    if (!settings.bNotify) {
        return std::nullopt;
    }
    return SendLines(settings, BodyLines(manager));
}

int CErrorMail::SendLines(const CMailSettings& settings, const std::vector<std::string>& lines,
                          Zelt::CancelEventPtr cancel, std::string* pFailure) {
    MailSender sender(settings, Zelt::CStringTable::Text(Zelt::Text::MailSenderName), std::move(cancel));
    for (const std::string& line : lines) {
        sender.AddBodyLine(line);
    }
    const int nResult =
        sender.Send(settings.strToAddresses, Zelt::CStringTable::Text(Zelt::Text::ErrorMailSubject));
    if (pFailure != nullptr) {
        *pFailure = sender.FailureText();
    }
    return nResult;
}

} // namespace Korvane
