#include "RequestCommand.h"

#include "Arguments.h"
#include "Message.h"
#include "protocol/AuthRequestParam.h"
#include "protocol/FWUpdateRequestParam.h"
#include "protocol/GetInfoRequestParam.h"
#include "protocol/MelodyRequestParam.h"
#include "protocol/PowerOffRequestParam.h"
#include "protocol/RebootRequestParam.h"
#include "protocol/SetInfoRequestParam.h"
#include "support/Base64Str.h"
#include "support/RegularFile.h"
#include "support/XmlError.h"

#include <algorithm>
#include <cctype>
#include <fcntl.h>
#include <functional>
#include <iostream>
#include <memory>

namespace Korvanectl {
namespace {

using RequestPtr = std::unique_ptr<Korvane::CRequestParam>;

// A request travels as at most 16 MiB of Base64, three quarters of it in bytes.
constexpr size_t kMaxRequestFileBytes = 12 * 1024 * 1024;

std::string UpperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

// Accepts a table name as the device knows it ("KORVANE_STATUS") or without its prefix, in
// either case ("status").
uint32_t LookUpName(const Korvane::CGetInfoRequestParamBase::NameTable& table, const std::string& prefix,
                    const std::string& option, const std::string& text) {
    for (const std::string& candidate : {UpperCase(text), prefix + UpperCase(text)}) {
        if (const auto found = table.find(candidate); found != table.end()) {
            return found->second;
        }
    }
    std::string known;
    for (const auto& entry : table) {
        known += " " + entry.first;
    }
    throw UsageError(Message(Zelt::Text::CliUnknownChoiceOfKnown, {option, text, known}));
}

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ReadFile(const std::string& path) {
    Zelt::CRegularFile input(path, O_RDONLY);
    std::string content;
    if (!input.IsOpen() || !input.ReadAll(kMaxRequestFileBytes, content)) {
        throw UsageError(input.Reason());
    }
    return content;
}

RequestPtr MakeGetInfo(const Arguments& args) {
    auto request = std::make_unique<Korvane::CGetInfoRequestParam>();
    using Base = Korvane::CGetInfoRequestParamBase;
    for (const std::string& name : args.Values("category")) {
        request->AddCategory(LookUpName(Base::CategoryTable(), "KORVANE_", "category", name));
    }
    if (const auto infotype = args.Value("infotype")) {
        request->SetInfoType(LookUpName(Base::InfoTypeTable(), "INFOTYPE_", "infotype", *infotype));
    }
    if (const auto mask = args.Value("mask")) {
        request->SetMask(LookUpName(Base::MaskTable(), "MASK_", "mask", *mask));
    }
    return request;
}

RequestPtr MakeAuth(const Arguments& args) {
    auto request = std::make_unique<Korvane::CAuthRequestParam>();
    request->SetUser(args.Value("user").value_or("admin"));
    request->SetPassword(args.Value("password").value_or(""));
    return request;
}

RequestPtr MakePowerOff(const Arguments& args) {
    auto request = std::make_unique<Korvane::CPowerOffRequestParam>();
    request->SetNetwork(args.Flag("network"));
    return request;
}

RequestPtr MakeMelody(const Arguments& args) {
    auto request = std::make_unique<Korvane::CMelodyRequestParam>();
    if (args.Flag("off")) {
        request->SetCommand(Korvane::MELODY_OFF);
    }
    request->SetCommand(args.IntValue("code", request->Command()));
    return request;
}

RequestPtr MakeFWUpdate(const Arguments& args) {
    return std::make_unique<Korvane::CFWUpdateRequestParam>(FileNameOf(args.Value("file").value_or("")));
}

RequestPtr MakeSetInfo(const Arguments& args) {
    auto request = std::make_unique<Korvane::CSetInfoRequestParam>();
    if (const auto path = args.Value("infonode-file")) {
        request->SetInfoNode(ReadFile(*path));
    } else {
        request->SetInfoNode(args.Value("infonode").value_or(""));
    }
    if (args.Flag("shutdown")) {
        request->SetPostProcesses({Korvane::ProcessEntry{Korvane::PROCESS_COMMAND_SHUTDOWN, "", -1}});
    }
    return request;
}

struct Kind {
    const char* name;
    std::function<RequestPtr(const Arguments&)> make;
};

const std::vector<Kind>& Kinds() {
    static const std::vector<Kind> kinds = {
        {"auth", MakeAuth},
        {"getinfo", MakeGetInfo},
        {"poweroff", MakePowerOff},
        {"reboot", [](const Arguments&) { return std::make_unique<Korvane::CRebootRequestParam>(); }},
        {"melody", MakeMelody},
        {"fwupdate", MakeFWUpdate},
        {"setinfo", MakeSetInfo},
    };
    return kinds;
}

RequestPtr MakeRequest(const std::string& kindName, const Arguments& args) {
    for (const Kind& kind : Kinds()) {
        if (kindName == kind.name) {
            return kind.make(args);
        }
    }
    throw UsageError(Message(Zelt::Text::CliUnknownRequestKind, {kindName}));
}

} // namespace

std::string RequestCommand::Summary() const {
    return Message(Zelt::Text::CliSummaryRequest);
}

std::string RequestCommand::Usage() const {
    return Message(Zelt::Text::CliUsageRequest);
}

int RequestCommand::Run(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv,
                         {"key", "wait", "user", "password", "category", "infotype", "mask", "code", "file",
                          "infonode", "infonode-file"},
                         {"base64", "network", "off", "shutdown"});
    if (args.Positionals().size() != 1) {
        throw UsageError(Message(Zelt::Text::CliNeedsExactlyOne, {"request", "KIND"}));
    }
    RequestPtr request = MakeRequest(args.Positionals().front(), args);
    request->SetAuthKey(args.Value("key").value_or(""));
    request->SetWaitMillisec(args.IntValue("wait", 0));

    Zelt::CXMLDocument document;
    if (!request->MakeRequestXml(document)) {
        err << "korvanectl: " << Message(Zelt::Text::CliRequestNotBuilt) << '\n';
        return 1;
    }
    const std::string text = document.SaveToBytes();
    if (args.Flag("base64")) {
        Zelt::CBase64EncodeStr encoder;
        out << encoder.Convert(text) << '\n';
    } else {
        out << text;
    }
    return 0;
}

} // namespace Korvanectl
