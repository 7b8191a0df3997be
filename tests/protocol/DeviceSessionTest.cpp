// The device session against simulated devices over real sockets.
#include "common/Simulator.h"
#include "net/SocketErrors.h"
#include "protocol/KorvaneErrors.h"
#include "protocol/KorvaneInfo.h"
#include "support/Trace.h"
#include "support/XmlError.h"

#include <chrono>
#include <cstdio>
#include <mutex>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace Korvane;
using KorvaneTesting::Simulator;
using Clock = std::chrono::steady_clock;

namespace {

// One simulated device on its own loopback address, so that tests can run side by side.
struct OneDevice {
    std::string address;
    Simulator sim;
    CKorvaneInfo session;

    explicit OneDevice(const std::string& strAddress)
        : address(strAddress), sim({"--count", "1", "--base", strAddress, "--http-port", "0"}),
          session(strAddress, "") {}

    std::string Password() { return sim.Show(0).at("password"); }
    std::vector<std::string> RequestWords() {
        std::vector<std::string> words;
        for (const std::string& line : sim.Log(0)) {
            if (line.rfind("request ", 0) == 0) {
                words.push_back(line.substr(8, line.find(' ', 8) - 8));
            }
        }
        return words;
    }
};

// Collects the trace lines written while it lives.
class TraceLines {
public:
    TraceLines() {
        Zelt::SetTraceSink([this](std::string_view line) {
            std::lock_guard lock(m_mutex);
            m_lines.emplace_back(line);
        });
    }
    ~TraceLines() { Zelt::SetTraceSink(nullptr); }
    bool Contains(const std::string& line) {
        std::lock_guard lock(m_mutex);
        return std::find(m_lines.begin(), m_lines.end(), line) != m_lines.end();
    }
    int Count(const std::string& prefix) {
        std::lock_guard lock(m_mutex);
        return static_cast<int>(std::count_if(m_lines.begin(), m_lines.end(), [&](const std::string& line) {
            return line.rfind(prefix, 0) == 0;
        }));
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

TEST(DeviceSessionAddresses, LiteralsAndHostNamesFillTheRightFields) {
    const CKorvaneInfo ipv4("192.168.1.10", "");
    EXPECT_EQ(ipv4.GetIPv4Address(), "192.168.1.10");
    EXPECT_EQ(ipv4.GetHostName(), "");
    EXPECT_EQ(ipv4.GetIPv6Address(), "");
    const CKorvaneInfo named("localhost", "");
    EXPECT_EQ(named.GetIPv4Address(), "127.0.0.1");
    EXPECT_EQ(named.GetHostName(), "localhost");
    const CKorvaneInfo both("127.0.0.9", "::1");
    EXPECT_EQ(both.GetIPv4Address(), "127.0.0.9");
    EXPECT_EQ(both.GetIPv6Address(), "::1");
    EXPECT_EQ(both.GetPassword(), NO_PASSWORD);
    EXPECT_EQ(both.GetStatus(), STATUS_SUCCESS);
    const CKorvaneInfo neither("", "");
    EXPECT_TRUE(neither.GetIPv4Address().empty() && neither.GetIPv6Address().empty());
}

TEST(DeviceSessionInfo, SimpleInformationNeedsNoAuthorizationAndFillsTheSession) {
    OneDevice device("127.81.0.1");
    device.session.GetInfo(ID_GETINFO_CATEGORY_ADMIN_SIMPLE, nullptr, 30000);
    EXPECT_EQ(device.session.GetStatus(), STATUS_SUCCESS);
    EXPECT_EQ(device.RequestWords(), std::vector<std::string>{"GETINFO"});
    const auto devices = device.sim.Devices();
    EXPECT_EQ(device.session.GetMacAddress(), devices.at(0).mac);
    EXPECT_EQ(device.session.GetHostName(), devices.at(0).hostname);
    EXPECT_EQ(device.session.GetIPv4Address(), "127.81.0.1");
    EXPECT_EQ(device.session.GetRootNode().GetName(), "korvaneinfo");
    EXPECT_EQ(device.session.GetRootNode().SingleSelectNode("product/name").GetText(), devices.at(0).model);
}

TEST(DeviceSessionInfo, StatusInformationAuthorizesFirstAndIsPartial) {
    OneDevice device("127.81.0.2");
    device.session.SetPassword(device.Password());
    device.session.GetInfo(ID_GETINFO_CATEGORY_STATUS, nullptr, 30000);
    EXPECT_EQ(device.RequestWords(), (std::vector<std::string>{"AUTHORIZATION", "GETINFO"}));
    EXPECT_FALSE(device.session.GetAuthKey().empty());
    const Zelt::CXMLNode root = device.session.GetRootNode();
    EXPECT_EQ(root.SelectNodes("statusinfo/status").size(), 1u);
    EXPECT_EQ(root.SelectNodes("network/host/name").size(), 1u);
    EXPECT_TRUE(root.SelectNodes("raid").empty());
    const std::vector<std::string> log = device.sim.Log(0);
    EXPECT_EQ(std::count(log.begin(), log.end(), "probe"), 1) << "no probe right after an answer";
    const auto getinfo = std::find_if(log.begin(), log.end(), [](const std::string& line) {
        return line.rfind("request GETINFO", 0) == 0;
    });
    ASSERT_NE(getinfo, log.end());
    EXPECT_NE(getinfo->find("KORVANE_NETWORK"), std::string::npos);
    EXPECT_NE(getinfo->find("<auth>" + device.session.GetAuthKey() + "</auth>"), std::string::npos);
}

TEST(DeviceSessionInfo, AResponseWithoutAHostNameKeepsTheOldOne) {
    OneDevice device("127.81.0.3");
    device.session.GetInfo(ID_GETINFO_CATEGORY_ADMIN_SIMPLE, nullptr, 30000);
    const std::string name = device.session.GetHostName();
    ASSERT_FALSE(name.empty());
    device.sim.Control("info 0 remove network/host/name");
    device.session.GetInfo(ID_GETINFO_CATEGORY_ADMIN_SIMPLE, nullptr, 30000);
    EXPECT_EQ(device.session.GetHostName(), name);
    EXPECT_TRUE(device.session.GetRootNode().SelectNodes("network/host/name").empty());
}

// A restricted session sends the password only to an approved address; what needs no password
// still works there.
TEST(DeviceSessionPassword, IsWithheldFromAnAddressNotApprovedForIt) {
    OneDevice device("127.81.0.18");
    device.session.SetPassword(device.Password());
    device.session.RestrictPasswordTo({"127.81.0.99"});
    EXPECT_THROW(device.session.GetInfo(ID_GETINFO_CATEGORY_STATUS, nullptr, 30000), CAddressNotApproved);
    EXPECT_EQ(device.session.GetStatus(), STATUS_ADDRESS_NOT_APPROVED);
    device.session.GetInfo(ID_GETINFO_CATEGORY_ADMIN_SIMPLE, nullptr, 30000);
    EXPECT_EQ(device.RequestWords(), std::vector<std::string>{"GETINFO"}) << "no AUTHORIZATION went out";

    device.session.RestrictPasswordTo({"127.081.000.018"});
    device.session.GetInfo(ID_GETINFO_CATEGORY_STATUS, nullptr, 30000);
    EXPECT_EQ(device.session.GetStatus(), STATUS_SUCCESS) << "the same address in another spelling";
}

// What a device reports about its own addresses never leads to this machine: an unspecified
// address is never taken, a loopback one only from a device reached over loopback.
TEST(DeviceSessionAddresses, ReportedAddressesThatLeadHereAreNotTaken) {
    OneDevice device("127.81.0.19");
    device.sim.Control("info 0 set network/tcpip[not(@family='inet6')]/lan/ipsetting/ip 0.0.0.0");
    device.session.GetInfo(ID_GETINFO_CATEGORY_ADMIN_SIMPLE, nullptr, 30000);
    EXPECT_EQ(device.session.GetIPv4Address(), "127.81.0.19");
    EXPECT_EQ(device.session.GetRootNode().SingleSelectNode("network/tcpip/lan/ipsetting/ip").GetText(),
              "127.81.0.19")
        << "the stored information keeps the address too, so the next start does";

    device.sim.Control("info 0 set network/tcpip[not(@family='inet6')]/lan/ipsetting/ip 127.81.0.20");
    device.session.GetInfo(ID_GETINFO_CATEGORY_ADMIN_SIMPLE, nullptr, 30000);
    EXPECT_EQ(device.session.GetIPv4Address(), "127.81.0.20") << "reached over loopback: taken";
    EXPECT_EQ(device.session.GetReachedAddress(), "127.81.0.19");
}

TEST(DeviceSessionErrors, AWrongPasswordIsAnAuthorizationError) {
    OneDevice device("127.81.0.4");
    device.session.SetPassword("wrong");
    EXPECT_THROW(device.session.GetInfo(ID_GETINFO_CATEGORY_ADMIN_NORMAL, nullptr, 30000),
                 CKorvaneAuthorizationError);
    EXPECT_EQ(device.session.GetStatus(), STATUS_AUTHORIZATION_ERROR);
    EXPECT_EQ(device.RequestWords(), std::vector<std::string>{"AUTHORIZATION"});
}

TEST(DeviceSessionErrors, DeviceErrorCodesDecideTheStatus) {
    OneDevice device("127.81.0.5");
    device.sim.Set(0, "error", "00000003");
    EXPECT_THROW(device.session.GetInfo(ID_GETINFO_CATEGORY_ADMIN_SIMPLE, nullptr, 30000),
                 CKorvaneAuthorizationError);
    EXPECT_EQ(device.session.GetStatus(), STATUS_AUTHORIZATION_ERROR);
    device.sim.Set(0, "error", "00000006");
    try {
        device.session.GetInfo(ID_GETINFO_CATEGORY_ADMIN_SIMPLE, nullptr, 30000);
        FAIL() << "a busy device answered";
    } catch (const CErrorParam& error) {
        EXPECT_EQ(error.GetCode(), "00000006");
    }
    EXPECT_EQ(device.session.GetStatus(), STATUS_DEVICE_ERROR);
    device.sim.Set(0, "error", "none");
    device.sim.Set(0, "busy", "on");
    EXPECT_THROW(device.session.GetInfo(ID_GETINFO_CATEGORY_ADMIN_SIMPLE, nullptr, 30000), CErrorParam);
}

TEST(DeviceSessionExchange, WaitAnswersAreFollowedToTheFinalOne) {
    OneDevice device("127.81.0.6");
    device.sim.Set(0, "wait", "3");
    device.session.GetInfo(ID_GETINFO_CATEGORY_ADMIN_SIMPLE, nullptr, 30000);
    EXPECT_EQ(device.session.GetStatus(), STATUS_SUCCESS);
    EXPECT_EQ(device.session.GetRootNode().GetName(), "korvaneinfo");
}

TEST(DeviceSessionExchange, AFailedIPv4ProbeFallsBackToIPv6AndStaysThere) {
    Simulator sim({"--count", "1", "--base", "127.81.0.7", "--base6", "::1", "--http-port", "0"});
    // Nothing listens on 127.81.0.8: the IPv4 probe is refused.
    CKorvaneInfo session("127.81.0.8", "::1");
    TraceLines trace;
    session.GetInfo(ID_GETINFO_CATEGORY_ADMIN_SIMPLE, nullptr, 30000);
    EXPECT_FALSE(session.IsIPv4Usable());
    EXPECT_TRUE(trace.Contains("CKorvaneInfo::ConnectionKorvane: Use IPv6\n"));
    EXPECT_EQ(trace.Count("CKorvaneInfo::CheckConnection: Try IPv4"), 1);
    // The device reported its own IPv4 address; this session keeps to IPv6 all the same.
    session.GetInfo(ID_GETINFO_CATEGORY_ADMIN_SIMPLE, nullptr, 30000);
    EXPECT_EQ(trace.Count("CKorvaneInfo::CheckConnection: Try IPv4"), 1);
    EXPECT_EQ(trace.Count("CKorvaneInfo::ConnectionKorvane: Use IPv6"), 2);
}

TEST(DeviceSessionExchange, WithBothFamiliesFailedEveryExchangeFailsAtOnce) {
    CKorvaneInfo session("127.81.0.9", "");
    for (int attempt = 0; attempt < 2; ++attempt) {
        const Clock::time_point start = Clock::now();
        try {
            session.GetInfo(ID_GETINFO_CATEGORY_ADMIN_SIMPLE, nullptr, 30000);
            FAIL() << "nothing listens there";
        } catch (const Zelt::CSocketError& error) {
            EXPECT_EQ(error.GetKind(), Zelt::SOCKET_KIND_OPEN);
            EXPECT_STREQ(error.what(), "CKorvaneInfo::ConnectionKorvane(): socket open error.");
        }
        EXPECT_EQ(session.GetStatus(), STATUS_SOCKET_ERROR);
        EXPECT_LT(SecondsSince(start), 1.0);
    }
    EXPECT_FALSE(session.IsIPv4Usable());
}

TEST(DeviceSessionCommands, CommandsAuthorizeAndUseTheirWaitLimits) {
    OneDevice device("127.81.0.10");
    device.session.SetPassword(device.Password());
    TraceLines trace;
    device.session.PowerOff(nullptr, true, 2000);
    EXPECT_TRUE(trace.Contains("CKorvaneInfo::ConnectionKorvane: Socket wait limit: 7000\n"))
        << "authorization";
    EXPECT_TRUE(trace.Contains("CKorvaneInfo::ConnectionKorvane: Socket wait limit: 8000\n")) << "power off";
    EXPECT_EQ(device.sim.State(0).power, "off");
    device.sim.Wake(0);
    device.session.PowerOff(nullptr, false, 4000);
    EXPECT_TRUE(trace.Contains("CKorvaneInfo::ConnectionKorvane: Socket wait limit: 9000\n"));
    device.sim.Wake(0);
    device.session.Melody(nullptr, true, 2000);
    EXPECT_TRUE(device.sim.State(0).melody);
    device.session.Melody(nullptr, false, 2000);
    EXPECT_FALSE(device.sim.State(0).melody);
    EXPECT_TRUE(trace.Contains("CKorvaneInfo::ConnectionKorvane: Socket wait limit: 35000\n")) << "melody";
    EXPECT_EQ(device.RequestWords(),
              (std::vector<std::string>{"AUTHORIZATION", "POWEROFF", "AUTHORIZATION", "POWEROFF",
                                        "AUTHORIZATION", "MELODY", "AUTHORIZATION", "MELODY"}));
    EXPECT_EQ(device.session.GetStatus(), STATUS_SUCCESS);
}

TEST(DeviceSessionCommands, SetInfoAppliesTheElementAndCanShutTheDeviceDown) {
    OneDevice device("127.81.0.11");
    device.session.SetPassword(device.Password());
    device.session.SetInfo(nullptr, "<system><led>low</led></system>", false, 30000);
    EXPECT_EQ(device.sim.InfoGet(0, "system/led"), "low");
    EXPECT_EQ(device.sim.State(0).power, "on");
    device.session.SetInfo(nullptr, "<system><led>high</led></system>", true, 30000);
    EXPECT_EQ(device.sim.InfoGet(0, "system/led"), "high");
    EXPECT_EQ(device.sim.State(0).power, "off");
    const std::vector<std::string> log = device.sim.Log(0);
    EXPECT_NE(log.back().find("command=\"SHUTDOWN\""), std::string::npos) << log.back();
    device.sim.Wake(0);
    EXPECT_THROW(device.session.SetInfo(nullptr, "<unclosed>", false, 30000), Zelt::CXMLError);
    EXPECT_EQ(device.session.GetStatus(), STATUS_XML_ERROR);
    EXPECT_EQ(device.RequestWords().back(), "AUTHORIZATION") << "a half-built request must not go out";
}

TEST(DeviceSessionCommands, RebootMakesTheDeviceUnreachableForAWhile) {
    OneDevice device("127.81.0.12");
    device.sim.Set(0, "reboot-seconds", "2");
    device.session.SetPassword(device.Password());
    device.session.Reboot(nullptr, 30000);
    EXPECT_EQ(device.sim.State(0).power, "rebooting");
    CKorvaneInfo other("127.81.0.12", "");
    EXPECT_THROW(other.GetInfo(ID_GETINFO_CATEGORY_ADMIN_SIMPLE, nullptr, 30000), Zelt::CSocketError);
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    CKorvaneInfo later("127.81.0.12", "");
    later.GetInfo(ID_GETINFO_CATEGORY_ADMIN_SIMPLE, nullptr, 30000);
    EXPECT_EQ(later.GetStatus(), STATUS_SUCCESS);
}

TEST(DeviceSessionCopies, CopiesAreDeepAndAssignmentKeepsTheStatus) {
    OneDevice device("127.81.0.13");
    device.session.GetInfo(ID_GETINFO_CATEGORY_ADMIN_SIMPLE, nullptr, 30000);
    CKorvaneInfo copy(device.session);
    EXPECT_EQ(copy.GetMacAddress(), device.session.GetMacAddress());
    copy.GetRootNode().SingleSelectNode("network/host/name").SetText("changed");
    EXPECT_NE(device.session.GetRootNode().SingleSelectNode("network/host/name").GetText(), "changed");

    CKorvaneInfo failed("127.81.0.14", "");
    EXPECT_THROW(failed.GetInfo(ID_GETINFO_CATEGORY_ADMIN_SIMPLE, nullptr, 30000), Zelt::CSocketError);
    CKorvaneInfo copyOfFailed(failed);
    EXPECT_EQ(copyOfFailed.GetStatus(), STATUS_SOCKET_ERROR) << "copy construction copies the status";
    failed = device.session;
    EXPECT_EQ(failed.GetStatus(), STATUS_SOCKET_ERROR) << "assignment does not";
    EXPECT_EQ(failed.GetHostName(), device.session.GetHostName());
    EXPECT_TRUE(failed.HasRootNode());
    failed = CKorvaneInfo();
    EXPECT_FALSE(failed.HasRootNode());
}

TEST(DeviceSessionCopies, BasicInformationIsReplacedPathByPath) {
    OneDevice device("127.81.0.15");
    device.session.SetPassword(device.Password());
    device.session.GetInfo(ID_GETINFO_CATEGORY_ADMIN_DETAIL, nullptr, 30000);
    CKorvaneInfo fresh("127.81.0.15", "");
    device.sim.Set(0, "hostname", "renamed");
    fresh.GetInfo(ID_GETINFO_CATEGORY_ADMIN_SIMPLE, nullptr, 30000);
    device.session.UpdateBasicInfo(fresh.GetRootNode());
    EXPECT_EQ(device.session.GetHostName(), "renamed");
    EXPECT_EQ(device.session.GetRootNode().SingleSelectNode("network/host/name").GetText(), "renamed");
    EXPECT_FALSE(device.session.GetRootNode().SelectNodes("raid").empty()) << "the rest stays";

    CKorvaneInfo empty;
    EXPECT_THROW(empty.UpdateBasicInfo(fresh.GetRootNode()), Zelt::CXMLError);
    EXPECT_EQ(empty.GetStatus(), STATUS_XML_ERROR);
    empty.CopyInfoFrom(fresh);
    EXPECT_EQ(empty.GetRootNode().SingleSelectNode("network/host/name").GetText(), "renamed");
    empty.CopyInfoFrom(CKorvaneInfo());
    EXPECT_TRUE(empty.HasRootNode()) << "copying from a session without information changes nothing";
}

namespace {

// A sparse file of the given size: zeros that cost no disk.
std::string SparseFile(size_t nBytes) {
    std::string path = "/tmp/korvane-firmware-XXXXXX";
    const int fd = mkstemp(path.data());
    EXPECT_GE(fd, 0);
    EXPECT_EQ(ftruncate(fd, static_cast<off_t>(nBytes)), 0);
    close(fd);
    return path;
}

long MaxResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

TEST(DeviceSessionCommands, AFirmwareImageIsStreamedNotHeldInMemory) {
    OneDevice device("127.81.0.16");
    device.session.SetPassword(device.Password());
    const size_t nSize = 100u * 1024 * 1024;
    const std::string path = SparseFile(nSize);
    const long nBefore = MaxResidentKilobytes();
    device.session.FWUpdate(nullptr, path);
    const long nGrowth = MaxResidentKilobytes() - nBefore;
    std::remove(path.c_str());
    EXPECT_EQ(device.session.GetStatus(), STATUS_SUCCESS);
    const auto state = device.sim.State(0);
    EXPECT_EQ(state.firmwareSize, nSize);
    // MD5 of 100 MiB of zero bytes.
    EXPECT_EQ(state.firmwareMd5, "2f282b84e7e608d5852449ed940bfc51");
    EXPECT_EQ(state.firmwareName, path.substr(path.rfind('/') + 1));
    EXPECT_LT(nGrowth, 16 * 1024) << "resident memory grew by " << nGrowth << " KiB";
}

TEST(DeviceSessionCommands, AFirmwareFileThatCannotBeReadIsASocketErrorBeforeAnyTraffic) {
    OneDevice device("127.81.0.17");
    device.session.SetPassword(device.Password());
    // A FIFO without a writer would hold a plain open for ever.
    const std::string fifo = "/tmp/korvane-firmware-fifo-" + std::to_string(getpid());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string path : {"/nonexistent/image.bin", "/tmp", "/dev/zero", fifo.c_str()}) {
        EXPECT_THROW(device.session.FWUpdate(nullptr, path), Zelt::CSocketError) << path;
        EXPECT_EQ(device.session.GetStatus(), STATUS_SOCKET_ERROR);
    }
    std::remove(fifo.c_str());
    EXPECT_TRUE(device.RequestWords().empty());
}

TEST(DeviceSessionExchange, ProbesMarkOnlyFailedFamiliesUnusable) {
    OneDevice device("127.81.0.18");
    EXPECT_FALSE(device.session.CheckConnection(AF_UNIX, nullptr));
    EXPECT_FALSE(device.session.CheckConnection(AF_INET6, nullptr)) << "no IPv6 address: no probe";
    EXPECT_TRUE(device.session.IsIPv6Usable());
    device.session.RecheckConnections();
    EXPECT_TRUE(device.session.IsIPv4Usable());
    EXPECT_EQ(device.sim.Log(0), std::vector<std::string>{"probe"});
    device.sim.Set(0, "mode", "refuse");
    device.session.RecheckConnections();
    EXPECT_FALSE(device.session.IsIPv4Usable());
    device.sim.Set(0, "mode", "normal");
    device.session.RecheckConnections();
    EXPECT_FALSE(device.session.IsIPv4Usable()) << "a family once failed stays unusable";
}
