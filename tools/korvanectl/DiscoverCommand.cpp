#include "DiscoverCommand.h"

#include "ApprovalNotice.h"
#include "Arguments.h"
#include "CancelOnInterrupt.h"
#include "DiscoveryProgress.h"
#include "JsonValues.h"
#include "Message.h"
#include "StoreAccess.h"
#include "TerminalText.h"
#include "admin/SearchIntake.h"
#include "protocol/KorvaneInfoList.h"
#include "support/CallQueue.h"
#include "support/XmlError.h"

#include <iomanip>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <ostream>
#include <sstream>
#include <thread>

namespace Korvanectl {
namespace {

constexpr int kExitCancelled = 130;

const char* ProtocolKey(Korvane::DiscoveryProtocol protocol) {
    switch (protocol) {
    case Korvane::PROTOCOL_QRX:
        return "qrx";
    case Korvane::PROTOCOL_QRX_ALT:
        return "qrx-alt";
    default:
        return "kaf";
    }
}

const char* ResultKey(int nResult) {
    switch (nResult) {
    case Korvane::DISCOVERY_OK:
        return "ok";
    case Korvane::DISCOVERY_CANCELLED:
        return "cancelled";
    default:
        return "failed";
    }
}

std::string TextAt(const Korvane::CKorvaneInfo& session, const char* pszPath) {
    try {
        return session.GetRootNode().SingleSelectNode(pszPath).GetText();
    } catch (const Zelt::CXMLError&) {
        return std::string();
    }
}

nlohmann::json DeviceJson(int nOutcome, const Korvane::CKorvaneInfo& session,
                          Korvane::DiscoveryProtocol protocol) {
    return {{"protocol", ProtocolKey(protocol)},
            {"outcome", nOutcome == Korvane::REPORT_INFO_FETCHED ? "fetched" : "failed"},
            {"name", JsonValues::TextOrNull(session.GetHostName())},
            {"product", JsonValues::TextOrNull(TextAt(session, "product/name"))},
            {"firmware", JsonValues::TextOrNull(TextAt(session, "product/firmware"))},
            {"ipv4", JsonValues::TextOrNull(session.GetIPv4Address())},
            {"ipv6", JsonValues::TextOrNull(session.GetIPv6Address())},
            {"mac", JsonValues::TextOrNull(session.GetMacAddress())}};
}

std::string DeviceLine(const nlohmann::json& device) {
    const auto value = [&](const char* pszKey) {
        const nlohmann::json& text = device.at(pszKey);
        return text.is_null() ? std::string("-") : TerminalText::Escaped(text.get<std::string>());
    };
    if (device.at("outcome") == "failed") {
        return "[" + value("protocol") + "] " + value("ipv4") + " " + value("ipv6") + ": " +
               Message(Zelt::Text::CliNoInfoAnswer) + "\n";
    }
    const bool bNotAdded = device.contains("added") && !device.at("added").get<bool>();
    return "[" + value("protocol") + "] " + value("name") + "  " + value("product") + " " +
           value("firmware") + "  IPv4 " + value("ipv4") + "  IPv6 " + value("ipv6") + "  MAC " +
           value("mac") + (bNotAdded ? "  " + Message(Zelt::Text::CliNotAdded) : "") + "\n";
}

} // namespace

std::string DiscoverCommand::Summary() const {
    return Message(Zelt::Text::CliSummaryDiscover);
}

std::string DiscoverCommand::Usage() const {
    return Message(Zelt::Text::CliUsageDiscover, {std::to_string(Korvane::CSearchIntake::MAX_NEW_DEVICES),
                                                  Zelt::CStringTable::Text(Zelt::Text::CliNotAdded)});
}

int DiscoverCommand::Run(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, {"settings"}, {"json", "add"});
    if (!args.Positionals().empty()) {
        throw UsageError(Message(Zelt::Text::CliTakesNoArguments, {"discover"}));
    }
    const bool bJson = args.Flag("json");
    // With --add the store belongs to this thread; the discovery runs beside it and hands each
    // device over, waiting until it has been taken.
    std::unique_ptr<StoreAccess> store;
    std::unique_ptr<Korvane::CSearchIntake> intake;
    if (args.Flag("add")) {
        store = std::make_unique<StoreAccess>(args.Value("settings"), StoreAccess::CHANGE, err);
        intake = std::make_unique<Korvane::CSearchIntake>(store->Manager());
    }
    Zelt::CCallQueue owner;
    CancelOnInterrupt cancel;
    Korvane::CKorvaneInfoList list;
    std::mutex outputMutex;
    nlohmann::json devices = nlohmann::json::array();
    int nResult = 0;
    {
        DiscoveryProgress progress(list, err, outputMutex);
        std::thread discovery([&] {
            nResult = list.Update(cancel.Event(), [&](int nOutcome, Korvane::CKorvaneInfo& session) {
                nlohmann::json device = DeviceJson(nOutcome, session, list.RunningProtocol());
                if (intake && nOutcome == Korvane::REPORT_INFO_FETCHED) {
                    Korvane::CSearchIntake::Outcome taken = Korvane::CSearchIntake::REFUSED;
                    owner.Send([&] { taken = intake->Take(Korvane::CManagedDevice(session)); });
                    device["added"] = taken == Korvane::CSearchIntake::TAKEN;
                }
                std::lock_guard lock(outputMutex);
                devices.push_back(device);
                if (!bJson) {
                    progress.ClearLine();
                    out << DeviceLine(device) << std::flush;
                }
            });
            owner.Post([&owner] { owner.Quit(); });
        });
        owner.Run();
        discovery.join();
    }
    nlohmann::json protocols;
    for (auto protocol : {Korvane::PROTOCOL_QRX, Korvane::PROTOCOL_QRX_ALT, Korvane::PROTOCOL_KAF}) {
        protocols[ProtocolKey(protocol)] = ResultKey(list.ProtocolResult(protocol));
    }
    const double dSeconds = static_cast<double>(list.Duration().count()) / 1000.0;
    if (bJson) {
        nlohmann::json report{{"result", ResultKey(nResult)},
                              {"seconds", dSeconds},
                              {"protocols", protocols},
                              {"devices", devices}};
        if (intake) {
            report["passed_over"] = intake->PassedOver();
        }
        out << TerminalText::Json(report) << '\n';
    } else {
        std::ostringstream seconds;
        seconds << std::fixed << std::setprecision(1) << dSeconds;
        out << Message(Zelt::Text::CliDiscoverSummary,
                       {std::to_string(devices.size()), protocols["qrx"].get<std::string>(),
                        protocols["qrx-alt"].get<std::string>(), protocols["kaf"].get<std::string>(),
                        ResultKey(nResult), seconds.str()})
            << '\n';
        if (store) {
            out << Message(Zelt::Text::CliDevicesManaged, {std::to_string(store->Manager().Devices().size())})
                << '\n';
            ReportWaitingDevices(store->Manager(), store->Manager().Macs(), out);
        }
        if (intake && intake->PassedOver() != 0) {
            out << intake->PassedOverText() << '\n';
        }
    }
    // What was found is reported also when the save fails.
    if (store) {
        store->Save();
    }
    return nResult == Korvane::DISCOVERY_OK ? 0 : nResult == Korvane::DISCOVERY_FAILED ? 1 : kExitCancelled;
}

} // namespace Korvanectl
