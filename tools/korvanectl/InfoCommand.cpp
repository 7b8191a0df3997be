#include "InfoCommand.h"

#include "Arguments.h"
#include "CancelOnInterrupt.h"
#include "JsonValues.h"
#include "Message.h"
#include "Terminal.h"
#include "TerminalText.h"
#include "admin/TextFormat.h"
#include "net/SocketErrors.h"
#include "operations/AddTarget.h"
#include "operations/FailureText.h"
#include "protocol/KorvaneErrors.h"
#include "protocol/KorvaneInfo.h"
#include "support/XmlError.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>

namespace Korvanectl {
namespace {

struct Fact {
    const char* pszName;
    const char* pszPath;
    const char* pszAttribute; // nullptr: the element's text
};

constexpr Fact kFacts[] = {
    {"name", "network/host/name", nullptr}, {"description", "network/host/desc", nullptr},
    {"product", "product/name", nullptr},   {"firmware", "product/firmware", nullptr},
    {"power", "systeminfo/power", nullptr}, {"condition", "statusinfo/status", "condition"},
};

std::string FactValue(const Korvane::CKorvaneInfo& session, const Fact& fact) {
    try {
        const Zelt::CXMLNode node = session.GetRootNode().SingleSelectNode(fact.pszPath);
        return fact.pszAttribute != nullptr ? node.GetAttributeValue(fact.pszAttribute) : node.GetText();
    } catch (const Zelt::CXMLError&) {
        return std::string();
    }
}

void PrintFacts(const Korvane::CKorvaneInfo& session, bool bJson, std::ostream& out) {
    nlohmann::json facts = {{"ipv4", JsonValues::TextOrNull(session.GetIPv4Address())},
                            {"ipv6", JsonValues::TextOrNull(session.GetIPv6Address())},
                            {"mac", JsonValues::TextOrNull(session.GetMacAddress())}};
    for (const Fact& fact : kFacts) {
        facts[fact.pszName] = JsonValues::TextOrNull(FactValue(session, fact));
    }
    if (bJson) {
        out << TerminalText::Json(facts) << '\n';
        return;
    }
    for (const char* pszName :
         {"name", "description", "product", "firmware", "ipv4", "ipv6", "mac", "power", "condition"}) {
        const nlohmann::json& value = facts[pszName];
        out << pszName << ": " << (value.is_null() ? "-" : TerminalText::Escaped(value.get<std::string>()))
            << '\n';
    }
}

} // namespace

std::string InfoCommand::Summary() const {
    return Message(Zelt::Text::CliSummaryInfo);
}

std::string InfoCommand::Usage() const {
    return Message(Zelt::Text::CliUsageInfo);
}

int InfoCommand::Run(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, {"category", "wait"}, {"password", "xml", "json"});
    if (args.Positionals().size() != 1) {
        throw UsageError(Message(Zelt::Text::CliNeedsExactlyOne, {"info", "ADDRESS"}));
    }
    const int nCategory = args.IntValue("category", Korvane::ID_GETINFO_CATEGORY_ADMIN_SIMPLE);
    if (nCategory < 0 || nCategory > Korvane::ID_GETINFO_CATEGORY_STATUS) {
        throw UsageError(Message(Zelt::Text::CliCategoryRange));
    }
    CancelOnInterrupt cancel;
    const Korvane::TypedAddresses typed =
        Korvane::CAddTarget::ResolveInput(args.Positionals().front(), cancel.Event());
    if (cancel.Event()->IsSet()) {
        err << "korvanectl info: " << Zelt::CStringTable::Text(Zelt::Text::Cancelled) << '\n';
        return CancelOnInterrupt::EXIT_CANCELLED;
    }
    if (const int nRefusal = Korvane::CAddTarget::RefusalMessage(typed)) {
        err << "korvanectl info: " << Korvane::CTextFormat::FormatId(nRefusal, {typed.refused}) << '\n';
        return 1;
    }
    Korvane::CKorvaneInfo session(typed.ipv4, typed.ipv6);
    if (session.GetIPv4Address().empty() && session.GetIPv6Address().empty()) {
        err << "korvanectl info: "
            << Message(Zelt::Text::CliResolvesToNone, {TerminalText::Escaped(args.Positionals().front())})
            << '\n';
        return 1;
    }
    if (args.Flag("password")) {
        session.SetPassword(Terminal::ReadSecret(
            Message(Zelt::Text::CliPasswordPrompt, {TerminalText::Escaped(args.Positionals().front())}),
            err));
    }
    try {
        session.GetInfo(nCategory, cancel.Event(), args.IntValue("wait", 30000));
    } catch (...) {
        err << "korvanectl info: "
            << TerminalText::Escaped(Korvane::CFailureText::Of(std::current_exception())) << '\n';
        return cancel.Event()->IsSet() ? CancelOnInterrupt::EXIT_CANCELLED : 1;
    }
    if (args.Flag("xml")) {
        out << TerminalText::Xml(session.SaveToBytes());
    } else {
        PrintFacts(session, args.Flag("json"), out);
    }
    return 0;
}

} // namespace Korvanectl
