#pragma once

#include "admin/MailSettings.h"
#include "net/CancelEvent.h"
#include "support/TextIds.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Korvane {

// The page that the second tab of the mail settings dialog shows.
enum class MailAuthPage { None, Pop3, SmtpAuth };

enum class MailMessageIcon { None, Information, Stop };

// A message box of the dialog: the string-table text and its icon.
struct MailDialogMessage {
    int nTextId;
    MailMessageIcon icon;

    bool operator==(const MailDialogMessage&) const = default;
};

// What the mail settings dialog decides, without the dialog: the values its controls show, the
// tabs and pages, the check of OK and the test mail. The dialog edits a copy of the settings held
// as a CMailSettings (numbers as the texts of the digit-only edits).
class CMailSettingForm {
public:
    // The values the controls show for the stored settings: the numbers read as numbers, with the
    // usual ports of the servers' security (25 and 110 without) and 300 for empty texts, and an
    // unknown security or authentication method as none. A
    // record with nothing stored at all shows ISO-2022-JP.
    static CMailSettings Shown(const CMailSettings& stored);
    // What a digit-only edit stores: empty for an empty edit, else the number in decimal.
    static std::string NumberText(std::string_view edit);

    // The entries of the authentication list; the entry's index is the method.
    static std::vector<std::string> AuthMethodTexts();
    // The tab titles for the selected method: "メール設定", and "認証設定" unless the method is none.
    static std::vector<std::string> TabTexts(int nAuthMethod);
    static MailAuthPage PageOf(int nAuthMethod);

    // Whether the values name everything a mail needs; the notify flag plays no part.
    static bool IsComplete(const CMailSettings& fields);
    using TextField = std::string CMailSettings::*;
    // The empty fields that a mail with the selected method needs, in the order of the dialog.
    static std::vector<TextField> MissingFields(const CMailSettings& fields);
    // OK: stores the values and returns nothing when they are complete; otherwise leaves the stored
    // settings alone and returns the message to show.
    static std::optional<MailDialogMessage> Accept(const CMailSettings& fields, CMailSettings& stored);
    // The test mail to the values' recipients, stored nowhere; blocks until it is sent or the
    // cancel event is set. The message to show: incomplete values, or ResultMessage.
    // A TLS failure's reason (a certificate's check) goes to pFailure, shown below the message.
    static MailDialogMessage SendTestMail(const CMailSettings& fields, Zelt::CancelEventPtr cancel = nullptr,
                                          std::string* pFailure = nullptr);
    // The message of a MailSendResult: done, failed, partly failed or cancelled.
    static MailDialogMessage ResultMessage(int nMailSendResult);
    // A new connection security for the SMTP (POP3) server. The port follows to the usual one of
    // the new security unless it is one the user typed (not the usual one of the old security).
    static void SetSmtpSecurity(CMailSettings& fields, int nSecurity);
    static void SetPopSecurity(CMailSettings& fields, int nSecurity);
    // Whether the selected method sends a password that anyone on the network can read: PLAIN,
    // LOGIN or the POP3 password to a server without connection security.
    static bool SendsPasswordInClear(const CMailSettings& fields);

    static constexpr MailDialogMessage INCOMPLETE_MESSAGE{Zelt::Text::MailSettingsIncomplete,
                                                          MailMessageIcon::Stop};
};

} // namespace Korvane
