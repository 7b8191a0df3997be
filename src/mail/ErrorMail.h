#pragma once

#include "admin/AdminInfoMgr.h"
#include "net/CancelEvent.h"

#include <optional>
#include <string>
#include <vector>

namespace Korvane {

// The mail that reports the state of every managed device after new alerts were found.
class CErrorMail {
public:
    // Per device in key order: "・ name : status" and the lines of its alert text. A line end in a
    // device's name stays inside its line: the body writes it as a visible escape.
    static std::vector<std::string> BodyLines(const CKorvaneAdminInfoMgr& manager);
    // Sends the mail with the stored mail settings; nullopt, and nothing sent, while notification
    // is off. Otherwise the MailSendResult, which nobody is shown.
    static std::optional<int> Send(const CKorvaneAdminInfoMgr& manager);
    // The same with the lines and settings taken beforehand, for sending on another thread than
    // the store's (CErrorMailThread): the MailSendResult.
    // A TLS failure's reason goes to pFailure.
    static int SendLines(const CMailSettings& settings, const std::vector<std::string>& lines,
                         Zelt::CancelEventPtr cancel = nullptr, std::string* pFailure = nullptr);
};

} // namespace Korvane
