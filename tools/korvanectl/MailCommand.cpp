#include "AdminCommands.h"
#include "Arguments.h"
#include "CancelOnInterrupt.h"
#include "JsonValues.h"
#include "Message.h"
#include "StoreAccess.h"
#include "Terminal.h"
#include "TerminalText.h"
#include "admin/TextFormat.h"
#include "mail/MailSender.h"
#include "mail/MailSettingForm.h"
#include "support/StringTable.h"

#include <cctype>
#include <charconv>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <ostream>
#include <set>
#include <unistd.h>

namespace Korvanectl {
namespace {

const std::map<std::string, int> kEncodings = {{"utf-8", Korvane::MAIL_ENCODING_UTF8},
                                               {"iso-2022-jp", Korvane::MAIL_ENCODING_ISO2022JP}};
const std::map<std::string, int> kAuthMethods = {{"none", Korvane::MAIL_AUTH_NONE},
                                                 {"pop", Korvane::MAIL_AUTH_POP_BEFORE_SMTP},
                                                 {"plain", Korvane::MAIL_AUTH_PLAIN},
                                                 {"login", Korvane::MAIL_AUTH_LOGIN},
                                                 {"cram-md5", Korvane::MAIL_AUTH_CRAM_MD5}};

const std::map<std::string, int> kSecurities = {{"none", Korvane::MAIL_SECURITY_NONE},
                                                {"starttls", Korvane::MAIL_SECURITY_STARTTLS},
                                                {"tls", Korvane::MAIL_SECURITY_TLS}};

// Each text option and the field it sets.
const std::map<std::string, std::string Korvane::CMailSettings::*> kTextOptions = {
    {"smtp-server", &Korvane::CMailSettings::strSmtpServer},
    {"from", &Korvane::CMailSettings::strFromAddress},
    {"to", &Korvane::CMailSettings::strToAddresses},
    {"pop-server", &Korvane::CMailSettings::strPop3Server},
    {"pop-account", &Korvane::CMailSettings::strPop3Account},
    {"auth-user", &Korvane::CMailSettings::strSmtpAuthUser},
    {"ca-file", &Korvane::CMailSettings::strTrustedCertificateFile},
};
// The secrets: flags, each read from the terminal without echo or as a line of standard input,
// never from the command line, where every user of the machine can read it.
const std::map<std::string, std::string Korvane::CMailSettings::*> kSecretOptions = {
    {"pop-password", &Korvane::CMailSettings::strPop3Password},
    {"auth-password", &Korvane::CMailSettings::strSmtpAuthPassword},
};
const std::set<std::string> kPortOptions = {"smtp-port", "pop-port"};
const std::map<std::string, std::string Korvane::CMailSettings::*> kNumberOptions = {
    {"smtp-port", &Korvane::CMailSettings::strSmtpPort},
    {"pop-port", &Korvane::CMailSettings::strPop3Port},
    {"pop-wait", &Korvane::CMailSettings::strPop3Wait},
};

int Choice(const std::map<std::string, int>& choices, const std::string& option, const std::string& value) {
    const auto found = choices.find(value);
    if (found == choices.end()) {
        throw UsageError(Message(Zelt::Text::CliUnknownChoice, {option, value}));
    }
    return found->second;
}

bool IsReadableFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) && access(path.c_str(), R_OK) == 0;
}

// A port that no connection could use is a mistake the user should see, not a value to store.
void RefusePortOutsideRange(const std::string& option, const std::string& value) {
    if (!kPortOptions.contains(option)) {
        return;
    }
    int nPort = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), nPort);
    if (error != std::errc() || end != value.data() + value.size() || nPort < 1 || nPort > 65535) {
        throw CommandError(Korvane::CTextFormat::FormatId(Zelt::Text::MailPortInvalid,
                                                          {"--" + option, TerminalText::Escaped(value)}));
    }
}

// The options that would fill the fields a mail still lacks.
std::string MissingOptions(const Korvane::CMailSettings& fields) {
    std::string options;
    for (const Korvane::CMailSettingForm::TextField missing :
         Korvane::CMailSettingForm::MissingFields(fields)) {
        for (const auto& table : {kTextOptions, kSecretOptions, kNumberOptions}) {
            for (const auto& [option, field] : table) {
                if (field == missing) {
                    options += (options.empty() ? "--" : ", --") + option;
                }
            }
        }
    }
    return options;
}

// The values the dialog would show, changed by the options given.
Korvane::CMailSettings Edited(const Korvane::CMailSettings& stored, const Arguments& args,
                              std::ostream& err) {
    Korvane::CMailSettings fields = Korvane::CMailSettingForm::Shown(stored);
    // Before the ports: a port given with the security stays as given.
    if (const auto value = args.Value("smtp-security")) {
        Korvane::CMailSettingForm::SetSmtpSecurity(fields, Choice(kSecurities, "smtp-security", *value));
    }
    if (const auto value = args.Value("pop-security")) {
        Korvane::CMailSettingForm::SetPopSecurity(fields, Choice(kSecurities, "pop-security", *value));
    }
    for (const auto& [option, field] : kTextOptions) {
        if (const auto value = args.Value(option)) {
            fields.*field = *value;
        }
    }
    if (const auto file = args.Value("ca-file"); file && !file->empty() && !IsReadableFile(*file)) {
        throw CommandError(Message(Zelt::Text::CliCannotReadCertificate, {TerminalText::Escaped(*file)}));
    }
    for (const auto& [option, field] : kSecretOptions) {
        if (args.Flag(option)) {
            fields.*field = Terminal::ReadSecret(option + ": ", err);
        }
    }
    for (const auto& [option, field] : kNumberOptions) {
        if (const auto value = args.Value(option)) {
            RefusePortOutsideRange(option, *value);
            fields.*field = Korvane::CMailSettingForm::NumberText(*value);
        }
    }
    if (const auto value = args.Value("encoding")) {
        fields.nEncoding = Choice(kEncodings, "encoding", *value);
    }
    if (const auto value = args.Value("auth")) {
        fields.nAuthMethod = Choice(kAuthMethods, "auth", *value);
    }
    if (const auto value = args.Value("notify")) {
        fields.bNotify = Choice({{"on", 1}, {"off", 0}}, "notify", *value) == 1;
    }
    return fields;
}

std::string NameOf(const std::map<std::string, int>& choices, int nValue) {
    for (const auto& [name, value] : choices) {
        if (value == nValue) {
            return name;
        }
    }
    return "none";
}

// "smtp-server" → "smtpServer": the option names as JSON keys.
std::string CamelCase(const std::string& option) {
    std::string key;
    for (size_t nAt = 0; nAt < option.size(); ++nAt) {
        const bool bAfterHyphen = nAt > 0 && option[nAt - 1] == '-';
        if (option[nAt] != '-') {
            key += bAfterHyphen ? static_cast<char>(std::toupper(static_cast<unsigned char>(option[nAt])))
                                : option[nAt];
        }
    }
    return key;
}

// The settings by option name, one line each in the order of the names; --json gives them typed
// (numbers, a flag, null for an empty field) and says of a password only whether one is stored.
void Show(const Korvane::CMailSettings& settings, bool bJson, std::ostream& out) {
    std::map<std::string, std::string> lines = {
        {"notify", settings.bNotify ? "on" : "off"},
        {"encoding", NameOf(kEncodings, settings.nEncoding)},
        {"auth", NameOf(kAuthMethods, settings.nAuthMethod)},
        {"smtp-security", NameOf(kSecurities, settings.nSmtpSecurity)},
        {"pop-security", NameOf(kSecurities, settings.nPop3Security)}};
    nlohmann::json shown = {{"notify", settings.bNotify},
                            {"encoding", lines["encoding"]},
                            {"auth", lines["auth"]},
                            {"smtpSecurity", lines["smtp-security"]},
                            {"popSecurity", lines["pop-security"]}};
    for (const auto& [option, field] : kTextOptions) {
        lines[option] = settings.*field;
        shown[CamelCase(option)] = JsonValues::TextOrNull(settings.*field);
    }
    for (const auto& [option, field] : kSecretOptions) {
        lines[option] = (settings.*field).empty() ? "" : "********";
        shown[CamelCase(option) + "Stored"] = !(settings.*field).empty();
    }
    for (const auto& [option, field] : kNumberOptions) {
        lines[option] = settings.*field;
        shown[CamelCase(option)] = JsonValues::NumberOrNull(settings.*field);
    }
    if (bJson) {
        out << TerminalText::Json(shown) << '\n';
        return;
    }
    for (const auto& [key, value] : lines) {
        out << key << ": " << value << '\n';
    }
}

int RunMail(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    std::set<std::string> valueOptions = {"settings", "encoding",      "auth",
                                          "notify",   "smtp-security", "pop-security"};
    for (const auto& options : {kTextOptions, kNumberOptions}) {
        for (const auto& [option, field] : options) {
            valueOptions.insert(option);
        }
    }
    std::set<std::string> flags = {"json"};
    for (const auto& [option, field] : kSecretOptions) {
        flags.insert(option);
    }
    const Arguments args(argv, valueOptions, flags);
    if (args.Positionals().size() != 1) {
        throw UsageError(Message(Zelt::Text::CliNeedsAction, {"mail", "show|set|test"}));
    }
    const std::string& action = args.Positionals().front();
    StoreAccess store(args.Value("settings"), action == "set" ? StoreAccess::CHANGE : StoreAccess::READ, err);
    Korvane::CMailSettings& stored = store.Manager().m_mail;
    if (action == "show") {
        Show(Korvane::CMailSettingForm::Shown(stored), args.Flag("json"), out);
        return 0;
    }
    const Korvane::CMailSettings fields = Edited(stored, args, err);
    if (action == "set") {
        if (const auto refused = Korvane::CMailSettingForm::Accept(fields, stored)) {
            throw CommandError(
                std::string(Zelt::CStringTable::Text(refused->nTextId)) +
                Korvane::CTextFormat::FormatId(Zelt::Text::MailOptionsMissing, {MissingOptions(fields)}));
        }
        store.Save();
        if (Korvane::CMailSettingForm::SendsPasswordInClear(fields)) {
            err << "korvanectl mail set: " << Zelt::CStringTable::Text(Zelt::Text::ClearPasswordWarning)
                << '\n';
        }
        return 0;
    }
    if (action != "test") {
        throw UsageError(Message(Zelt::Text::CliUnknownAction, {"mail", action}));
    }
    const CancelOnInterrupt interrupt;
    std::string failure;
    const Korvane::MailDialogMessage message =
        Korvane::CMailSettingForm::SendTestMail(fields, interrupt.Event(), &failure);
    out << Zelt::CStringTable::Text(message.nTextId) << '\n';
    if (!failure.empty()) {
        err << "korvanectl mail test: " << TerminalText::Escaped(failure) << '\n';
    }
    if (message == Korvane::CMailSettingForm::ResultMessage(Korvane::MAIL_SEND_CANCELLED)) {
        return 130;
    }
    return message.nTextId == Zelt::Text::MailSent ? 0 : 1;
}

} // namespace

std::unique_ptr<Command> MakeMailCommand() {
    return std::make_unique<FunctionCommand>("mail", Message(Zelt::Text::CliSummaryMail),
                                             Message(Zelt::Text::CliUsageMail), RunMail);
}

} // namespace Korvanectl
