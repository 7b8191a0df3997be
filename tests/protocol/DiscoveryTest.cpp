// Discovery between test hosts: the admin host runs the clients, simulated devices answer from
// the device hosts. Every run waits for its silences, so these tests are slow by nature.
#include "common/Simulator.h"
#include "hosts/TestNetwork.h"
#include "net/CancelEvent.h"
#include "net/SocketErrors.h"
#include "protocol/KorvaneAdminFind.h"
#include "protocol/KorvaneInfoList.h"
#include "protocol/QRXFind.h"

#include <chrono>
#include <cstdio>
#include <mutex>
#include <set>
#include <thread>

#include <gtest/gtest.h>

using namespace Korvane;
using KorvaneTesting::Simulator;
using KorvaneTesting::TestHost;
using KorvaneTesting::TestNetwork;
using Clock = std::chrono::steady_clock;

namespace {

std::string HexNumber(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%x", n);
    return text;
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Gives the device host nCount more addresses, 198.18.1.1.. and fe80::1:1.. (counted in
// hexadecimal, as the simulator counts them), for one simulator with that many devices.
void AddDeviceAddresses(TestNetwork& net, const TestHost& host, int nCount) {
    for (int i = 1; i <= nCount; ++i) {
        ASSERT_EQ(
            net.RunIn(host, "ip", {"addr", "add", "198.18.1." + std::to_string(i) + "/15", "dev", "kv0"})
                .exitCode,
            0);
        ASSERT_EQ(net.RunIn(host, "ip",
                            {"-6", "addr", "add", "fe80::1:" + HexNumber(i) + "/64", "dev", "kv0", "nodad"})
                      .exitCode,
                  0);
    }
}

std::vector<std::string> SimulatorArgs(int nCount, const std::string& base, const std::string& base6,
                                       const std::string& baseMac) {
    std::vector<std::string> args = {"--count", std::to_string(nCount), "--base",     base,   "--http-port",
                                     "0",       "--discovery",          "--base-mac", baseMac};
    if (!base6.empty()) {
        args.insert(args.end(), {"--base6", base6 + "%kv0"});
    }
    return args;
}

// Runs one discovery client in the admin host and collects the replies its workers got.
template <typename Client>
struct ClientRun {
    std::mutex mutex;
    std::vector<std::string> replies;
    uint32_t nRequestId = 0;
    std::string exception = "none";

    void Run(TestNetwork& net, const Zelt::CancelEventPtr& cancel = nullptr) {
        net.ThreadIn(net.Admin(),
                     [&] {
                         Client client(cancel, [this](const std::string& reply) {
                             std::lock_guard lock(mutex);
                             replies.push_back(reply);
                         });
                         try {
                             client.Update();
                         } catch (const Zelt::CSocketEvent&) {
                             exception = "CSocketEvent";
                         } catch (const Zelt::CSocketError& error) {
                             exception = std::string("CSocketError: ") + error.what();
                         }
                         nRequestId = client.RequestId();
                     })
            .join();
    }
};

std::string Hex(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

std::string BigEndian(uint32_t nValue) {
    return {static_cast<char>(nValue >> 24), static_cast<char>(nValue >> 16), static_cast<char>(nValue >> 8),
            static_cast<char>(nValue)};
}

std::vector<std::string> LogLinesStartingWith(Simulator& sim, int nDevice, const std::string& prefix) {
    std::vector<std::string> lines;
    for (const std::string& line : sim.Log(nDevice)) {
        if (line.rfind(prefix, 0) == 0) {
            lines.push_back(line.substr(prefix.size()));
        }
    }
    return lines;
}

std::string MacTextToBytes(const std::string& macText) {
    std::string bytes;
    for (size_t i = 0; i + 1 < macText.size(); i += 3) {
        bytes += static_cast<char>(std::stoi(macText.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

} // namespace

TEST(Discovery, TheCurrentRequestIsSentThreeTimesOnEachPathAndFindsADeviceOnce) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    const TestHost& host = net->Device(0);
    Simulator sim(*net, host, SimulatorArgs(1, host.ipv4, host.ipv6LinkLocal, "02:4B:53:00:10:01"));
    ClientRun<CKorvaneAdminFind> run;
    run.Run(*net);
    EXPECT_EQ(run.exception, "none");
    ASSERT_EQ(run.replies.size(), 1u) << "one worker per device, whatever arrived";
    EXPECT_EQ(KafData::MacText(run.replies[0]), "024B53001001");

    // Hand-written: op 0, the id big-endian, the text 000000000000 and its zero, zeros up to 37,
    // the vendor text, zeros to the end.
    const std::string expected = std::string(1, '\0') + BigEndian(run.nRequestId) + "000000000000" +
                                 std::string(1 + 20, '\0') + "VESTRANO" + std::string(8, '\0');
    ASSERT_EQ(expected.size(), 54u);
    const std::vector<std::string> requests = LogLinesStartingWith(sim, 0, "discovery kaf ");
    EXPECT_EQ(requests.size(), 6u) << "three by IPv4 broadcast and three by IPv6 multicast";
    for (const std::string& request : requests) {
        EXPECT_EQ(request, Hex(expected));
    }
}

TEST(Discovery, TheOlderRequestCarriesThisPcsMacAndIsEchoedBack) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    const TestHost& host = net->Device(0);
    Simulator sim(*net, host, SimulatorArgs(1, host.ipv4, "", "02:4B:53:00:20:01"));
    ClientRun<CQRXFindAlt> run;
    run.Run(*net);
    EXPECT_EQ(run.exception, "none");
    ASSERT_EQ(run.replies.size(), 1u);
    EXPECT_EQ(QrxData::MacText(run.replies[0], QrxData::DEVICE_MAC), "024b53002001");

    // The requester MAC is the admin host's, as the kernel reports it for its interface.
    const std::string expected = std::string(1, '\0') + BigEndian(run.nRequestId) + std::string(3, '\0') +
                                 MacTextToBytes(net->Admin().mac) + std::string(20, '\0') + "FROM-PC" +
                                 std::string(58 + 16, '\0') + "VESTRAN" + std::string(10, '\0');
    ASSERT_EQ(expected.size(), 132u);
    const std::vector<std::string> requests = LogLinesStartingWith(sim, 0, "discovery qrx-alt ");
    EXPECT_EQ(requests.size(), 3u);
    for (const std::string& request : requests) {
        EXPECT_EQ(request, Hex(expected));
    }
}

TEST(Discovery, BadRepliesOfTheOlderProtocolAreDropped) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    const TestHost& host = net->Device(0);
    const std::vector<std::string> faults = {"none", "wrong-id", "wrong-requester", "op2",
                                             "op3",  "op4",      "truncated"};
    AddDeviceAddresses(*net, host, static_cast<int>(faults.size()));
    Simulator sim(*net, host,
                  SimulatorArgs(static_cast<int>(faults.size()), "198.18.1.1", "", "02:4B:53:00:30:01"));
    for (size_t i = 0; i < faults.size(); ++i) {
        sim.Set(static_cast<int>(i), "discovery-fault", faults[i]);
    }
    sim.Set(0, "discovery-copies", "3");
    ClientRun<CQRXFindAlt> run;
    run.Run(*net);
    ASSERT_EQ(run.replies.size(), 1u);
    EXPECT_EQ(QrxData::MacText(run.replies[0], QrxData::DEVICE_MAC), "024b53003001");
}

TEST(Discovery, BadRepliesOfTheCurrentProtocolAreDroppedAndOlderOpsAccepted) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    const TestHost& host = net->Device(0);
    const std::vector<std::string> faults = {"none",      "op0",       "op2",    "zero-mac",
                                             "empty-mac", "truncated", "bad-mac"};
    AddDeviceAddresses(*net, host, static_cast<int>(faults.size()));
    Simulator sim(*net, host,
                  SimulatorArgs(static_cast<int>(faults.size()), "198.18.1.1", "", "02:4B:53:00:40:01"));
    for (size_t i = 0; i < faults.size(); ++i) {
        sim.Set(static_cast<int>(i), "discovery-fault", faults[i]);
    }
    ClientRun<CKorvaneAdminFind> run;
    run.Run(*net);
    ASSERT_EQ(run.replies.size(), 1u);
    EXPECT_EQ(KafData::MacText(run.replies[0]), "024B53004001");
}

TEST(Discovery, AHostWithoutIPv6SendsOnlyTheThreeBroadcasts) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    ASSERT_EQ(net->RunIn(net->Admin(), "sysctl", {"-q", "-w", "net.ipv6.conf.kv0.disable_ipv6=1"}).exitCode,
              0);
    const TestHost& host = net->Device(0);
    Simulator sim(*net, host, SimulatorArgs(1, host.ipv4, host.ipv6LinkLocal, "02:4B:53:00:50:01"));
    ClientRun<CKorvaneAdminFind> run;
    run.Run(*net);
    EXPECT_EQ(run.replies.size(), 1u);
    EXPECT_EQ(LogLinesStartingWith(sim, 0, "discovery kaf ").size(), 3u);
}

TEST(Discovery, TwentyDevicesAnsweringAtOnceAreAllFound) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    const TestHost& host = net->Device(0);
    AddDeviceAddresses(*net, host, 20);
    Simulator sim(*net, host, SimulatorArgs(20, "198.18.1.1", "fe80::1:1", "02:4B:53:00:60:01"));
    ClientRun<CKorvaneAdminFind> run;
    run.Run(*net);
    std::set<std::string> macs;
    for (const std::string& reply : run.replies) {
        macs.insert(KafData::MacText(reply));
    }
    EXPECT_EQ(run.replies.size(), 20u);
    EXPECT_EQ(macs.size(), 20u);
}

TEST(DeviceList, EachProtocolReportsTheDevicesItFound) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 2);
    const TestHost& both = net->Device(0);
    const TestHost& currentOnly = net->Device(1);
    Simulator simBoth(*net, both, SimulatorArgs(1, both.ipv4, both.ipv6LinkLocal, "02:4B:53:00:70:01"));
    Simulator simCurrent(*net, currentOnly,
                         SimulatorArgs(1, currentOnly.ipv4, currentOnly.ipv6LinkLocal, "02:4B:53:00:70:02"));
    simCurrent.Set(0, "discovery", "kaf");
    // Without an IPv6 address in the information, the sessions keep the addresses they were made
    // with: the reply's IPv4 and IPv6 for the current protocol, the IPv4 alone for the older ones.
    for (Simulator* sim : {&simBoth, &simCurrent}) {
        sim->Control("info 0 remove network/tcpip[@family='inet6']");
    }

    std::mutex mutex;
    std::vector<std::tuple<DiscoveryProtocol, int, std::string, std::string, std::string>> reports;
    CKorvaneInfoList list;
    int nResult = -1;
    const Clock::time_point start = Clock::now();
    net->ThreadIn(net->Admin(),
                  [&] {
                      nResult = list.Update(nullptr, [&](int nOutcome, CKorvaneInfo& session) {
                          std::lock_guard lock(mutex);
                          reports.emplace_back(list.RunningProtocol(), nOutcome, session.GetMacAddress(),
                                               session.GetIPv4Address(), session.GetIPv6Address());
                      });
                  })
        .join();
    EXPECT_EQ(nResult, DISCOVERY_OK);
    EXPECT_GE(SecondsSince(start), 30.0);
    ASSERT_EQ(reports.size(), 4u) << "three protocols found the first device, one the second";
    std::multiset<std::pair<DiscoveryProtocol, std::string>> found;
    for (const auto& [protocol, nOutcome, mac, ipv4, ipv6] : reports) {
        EXPECT_EQ(nOutcome, REPORT_INFO_FETCHED);
        found.emplace(protocol, mac);
        const TestHost& host = mac == "02:4B:53:00:70:01" ? both : currentOnly;
        EXPECT_EQ(ipv4, host.ipv4);
        EXPECT_EQ(ipv6, protocol == PROTOCOL_KAF ? host.ipv6LinkLocal : "")
            << "older protocols give IPv4 only";
    }
    EXPECT_EQ(found, (std::multiset<std::pair<DiscoveryProtocol, std::string>>{
                         {PROTOCOL_QRX, "02:4B:53:00:70:01"},
                         {PROTOCOL_QRX_ALT, "02:4B:53:00:70:01"},
                         {PROTOCOL_KAF, "02:4B:53:00:70:01"},
                         {PROTOCOL_KAF, "02:4B:53:00:70:02"}}));
    EXPECT_EQ(list.Sessions().size(), 4u);
}

TEST(DeviceList, WithoutDevicesTheRunLastsThreeSilencesAndStartsNoWorker) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    CKorvaneInfoList list;
    int nResult = -1;
    int nReports = 0;
    const Clock::time_point start = Clock::now();
    net->ThreadIn(net->Admin(),
                  [&] { nResult = list.Update(nullptr, [&](int, CKorvaneInfo&) { ++nReports; }); })
        .join();
    EXPECT_EQ(nResult, DISCOVERY_OK);
    EXPECT_EQ(nReports, 0);
    EXPECT_GE(SecondsSince(start), 30.0);
    EXPECT_LT(SecondsSince(start), 36.0);
}

TEST(DeviceList, ACancelDuringTheFirstProtocolEndsEveryStepAtOnce) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    const TestHost& host = net->Device(0);
    Simulator sim(*net, host, SimulatorArgs(1, host.ipv4, "", "02:4B:53:00:80:01"));
    // The device answers discovery at once but its information only after two seconds, so that a
    // worker is running when the cancel comes.
    sim.Set(0, "delay", "2000");
    auto cancel = std::make_shared<Zelt::CancelEvent>();
    CKorvaneInfoList list;
    int nResult = -1;
    std::vector<int> outcomes;
    std::thread canceller([cancel] {
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        cancel->Set();
    });
    const Clock::time_point start = Clock::now();
    net->ThreadIn(net->Admin(),
                  [&] {
                      nResult = list.Update(
                          cancel, [&](int nOutcome, CKorvaneInfo&) { outcomes.push_back(nOutcome); });
                  })
        .join();
    canceller.join();
    EXPECT_EQ(nResult, DISCOVERY_CANCELLED);
    EXPECT_LT(SecondsSince(start), 3.0);
    EXPECT_EQ(outcomes, std::vector<int>{REPORT_INFO_FAILED}) << "the started worker was waited for";
    for (auto protocol : {PROTOCOL_QRX, PROTOCOL_QRX_ALT, PROTOCOL_KAF}) {
        EXPECT_EQ(list.ProtocolResult(protocol), DISCOVERY_CANCELLED);
    }
}
