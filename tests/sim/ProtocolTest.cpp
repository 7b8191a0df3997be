// The device protocol of korvane-sim, driven by the hand-made client of DeviceClient.h.

#include "DeviceClient.h"
#include "common/Simulator.h"

#include <algorithm>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using KorvaneTesting::Simulator;
using namespace SimTest;

// Each test has its own 127.0.N.0/24, so the cases can run in parallel.
std::vector<std::string> Args(const std::string& base, int count = 3) {
    return {"--count", std::to_string(count), "--base", base, "--http-port", "0"};
}

std::string GetInfoXml(const std::vector<std::string>& categories, const std::string& key) {
    std::vector<Param> params;
    for (const std::string& category : categories) {
        params.push_back({"category", category});
    }
    return RequestXml("GETINFO", params, key);
}

std::vector<std::string> LinesStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& line : lines) {
        if (line.rfind(prefix, 0) == 0) {
            found.push_back(line);
        }
    }
    return found;
}

TEST(SimulatorProtocol, AuthorizationThenStatusQueryReturnsTheDevicesOwnValues) {
    Simulator sim(Args("127.0.160.1"));
    const auto devices = sim.Devices();
    ASSERT_EQ(devices.size(), 3u);
    const std::string password = sim.Show(1)["password"];

    const auto auth =
        Exchange("127.0.160.2", RequestXml("AUTHORIZATION", {{"user", "admin"}, {"passwd", password}}));
    ASSERT_EQ(auth.size(), 1u);
    EXPECT_EQ(auth[0].Result(), "OK");
    const std::string key = auth[0].AuthKey();
    ASSERT_FALSE(key.empty());

    // The status poll: KORVANE_NETWORK with KORVANE_STATUS is a partial document.
    const auto info = Exchange("127.0.160.2", GetInfoXml({"KORVANE_NETWORK", "KORVANE_STATUS"}, key));
    ASSERT_EQ(info.size(), 1u);
    ASSERT_EQ(info[0].Result(), "OK") << info[0].Text();
    EXPECT_EQ(info[0].InfoChildren(), (std::vector<std::string>{"statusinfo", "network"}));
    EXPECT_EQ(info[0].InfoTexts("statusinfo/*").size(), 1u) << "only statusinfo/status, not the log";
    EXPECT_EQ(info[0].InfoText("network/tcpip/lan/mac"), devices[1].mac);
    EXPECT_EQ(info[0].InfoText("network/host/name"), devices[1].hostname);
    EXPECT_EQ(info[0].InfoText("network/tcpip[not(@family='inet6')]/lan/ipsetting/ip"), "127.0.160.2");
    EXPECT_EQ(info[0].InfoText("statusinfo/status/@condition"), "OK");

    // Another device's key is not this device's key.
    const auto foreign = Exchange("127.0.160.3", GetInfoXml({"KORVANE_STATUS"}, key));
    ASSERT_EQ(foreign.size(), 1u);
    EXPECT_EQ(foreign[0].ErrorParam(), "00000003");
}

TEST(SimulatorProtocol, EachAuthorizationGivesAFreshKeyAndKeepsTheOlderOnesValid) {
    Simulator sim(Args("127.0.161.1", 1));
    const std::string password = sim.Show(0)["password"];
    const std::string first = Authorize("127.0.161.1", password);
    const std::string second = Authorize("127.0.161.1", password);
    ASSERT_FALSE(first.empty());
    EXPECT_NE(first, second);
    for (const std::string& key : {first, second}) {
        const auto info = Exchange("127.0.161.1", GetInfoXml({"KORVANE_PRODUCT"}, key));
        ASSERT_EQ(info.size(), 1u);
        EXPECT_EQ(info[0].Result(), "OK");
        EXPECT_EQ(info[0].InfoChildren(), std::vector<std::string>{"product"});
    }
}

TEST(SimulatorProtocol, WrongPasswordOrUserIsRefusedWith00000004) {
    Simulator sim(Args("127.0.162.1", 1));
    const std::string password = sim.Show(0)["password"];
    for (const auto& [user, passwd] : std::vector<std::pair<std::string, std::string>>{
             {"admin", password + "x"}, {"admin", ""}, {"admin", "*"}, {"root", password}}) {
        const auto reply =
            Exchange("127.0.162.1", RequestXml("AUTHORIZATION", {{"user", user}, {"passwd", passwd}}));
        ASSERT_EQ(reply.size(), 1u);
        EXPECT_EQ(reply[0].Result(), "NG") << user << "/" << passwd;
        EXPECT_EQ(reply[0].ErrorParam(), "00000004");
        EXPECT_TRUE(reply[0].AuthKey().empty());
    }
    // A changed password takes effect at once.
    sim.Set(0, "password", "new secret");
    EXPECT_TRUE(Authorize("127.0.162.1", password).empty());
    EXPECT_FALSE(Authorize("127.0.162.1", "new secret").empty());
}

TEST(SimulatorProtocol, RequestsWithoutAValidKeyAreRefusedWith00000003ExceptTheSimpleQuery) {
    Simulator sim(Args("127.0.163.1", 1));
    for (const std::string& key : {std::string(), std::string("0123456789abcdef0123456789abcdef")}) {
        for (const auto& categories :
             std::vector<std::vector<std::string>>{{"KORVANE_STATUS"},
                                                   {"KORVANE_ADMIN_NORMAL"},
                                                   {"KORVANE_ADMIN_SIMPLE", "KORVANE_STATUS"},
                                                   {}}) {
            const auto reply = Exchange("127.0.163.1", GetInfoXml(categories, key));
            ASSERT_EQ(reply.size(), 1u);
            EXPECT_EQ(reply[0].ErrorParam(), "00000003") << categories.size() << " categories, key " << key;
            EXPECT_FALSE(reply[0].HasInfo());
        }
        const auto melody = Exchange("127.0.163.1", RequestXml("MELODY", {{"command", "on"}}, key));
        ASSERT_EQ(melody.size(), 1u);
        EXPECT_EQ(melody[0].ErrorParam(), "00000003");
        const auto reboot = Exchange("127.0.163.1", RequestXml("REBOOT", {}, key));
        ASSERT_EQ(reboot.size(), 1u);
        EXPECT_EQ(reboot[0].ErrorParam(), "00000003");
    }
    EXPECT_FALSE(sim.State(0).melody);
    EXPECT_EQ(sim.State(0).power, "on");

    const auto simple = Exchange("127.0.163.1", GetInfoXml({"KORVANE_ADMIN_SIMPLE"}, ""));
    ASSERT_EQ(simple.size(), 1u);
    EXPECT_EQ(simple[0].Result(), "OK");
    EXPECT_EQ(simple[0].InfoChildren(), (std::vector<std::string>{"systeminfo", "product", "network"}));
}

TEST(SimulatorProtocol, WaitIsAnsweredTheConfiguredNumberOfTimesBeforeTheAnswer) {
    Simulator sim(Args("127.0.164.1", 1));
    sim.Set(0, "wait", "3");
    sim.Set(0, "wait-interval", "20");
    const auto reply = Exchange("127.0.164.1", GetInfoXml({"KORVANE_ADMIN_SIMPLE"}, ""));
    ASSERT_EQ(reply.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(reply[i].Result(), "WAIT");
    }
    EXPECT_EQ(reply[3].Result(), "OK");
    EXPECT_TRUE(reply[3].HasInfo());

    sim.Set(0, "wait", "0");
    EXPECT_EQ(Exchange("127.0.164.1", GetInfoXml({"KORVANE_ADMIN_SIMPLE"}, "")).size(), 1u);
}

TEST(SimulatorProtocol, BusyAndErrorCodesAndTheirScope) {
    Simulator sim(Args("127.0.165.1", 1));
    const std::string password = sim.Show(0)["password"];
    sim.Set(0, "busy", "on");
    auto reply = Exchange("127.0.165.1", GetInfoXml({"KORVANE_ADMIN_SIMPLE"}, ""));
    ASSERT_EQ(reply.size(), 1u);
    EXPECT_EQ(reply[0].Result(), "NG");
    EXPECT_EQ(reply[0].ErrorParam(), "00000006");

    // An explicit code wins over busy.
    sim.Set(0, "error", "00000123");
    reply = Exchange("127.0.165.1", GetInfoXml({"KORVANE_ADMIN_SIMPLE"}, ""));
    ASSERT_EQ(reply.size(), 1u);
    EXPECT_EQ(reply[0].ErrorParam(), "00000123");

    // Limited to GETINFO, the authorization goes through but the query still fails.
    sim.Set(0, "faults", "GETINFO");
    const std::string key = Authorize("127.0.165.1", password);
    EXPECT_FALSE(key.empty());
    reply = Exchange("127.0.165.1", GetInfoXml({"KORVANE_STATUS"}, key));
    ASSERT_EQ(reply.size(), 1u);
    EXPECT_EQ(reply[0].ErrorParam(), "00000123");

    sim.Set(0, "error", "none");
    sim.Set(0, "busy", "off");
    reply = Exchange("127.0.165.1", GetInfoXml({"KORVANE_STATUS"}, key));
    ASSERT_EQ(reply.size(), 1u);
    EXPECT_EQ(reply[0].Result(), "OK");

    EXPECT_THROW(sim.Set(0, "error", "12"), KorvaneTesting::SimulatorError);
    EXPECT_THROW(sim.Set(0, "no-such-knob", "1"), KorvaneTesting::SimulatorError);
}

TEST(SimulatorProtocol, LogRecordsProbesAndRequestsInOrder) {
    Simulator sim(Args("127.0.166.1", 2));
    ASSERT_TRUE(Probe("127.0.166.1"));
    Exchange("127.0.166.1", GetInfoXml({"KORVANE_ADMIN_SIMPLE"}, ""));
    ASSERT_TRUE(Probe("127.0.166.1"));

    const auto log = sim.Log(0);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0], "probe");
    EXPECT_EQ(log[1].rfind("request GETINFO <korvaneRequest version=\"1.00\"><request>GETINFO</request>", 0),
              0u)
        << log[1];
    EXPECT_NE(log[1].find("<param type=\"category\">KORVANE_ADMIN_SIMPLE</param>"), std::string::npos);
    EXPECT_EQ(log[2], "probe");
    EXPECT_TRUE(LinesStartingWith(log, "request AUTHORIZATION").empty());
    EXPECT_TRUE(sim.Log(1).empty()) << "the other device received nothing";
    // Also addressed by IPv4 address, MAC and host name.
    const auto devices = sim.Devices();
    EXPECT_EQ(sim.Log("127.0.166.1"), log);
    EXPECT_EQ(sim.Log(devices[0].mac), log);
    EXPECT_EQ(sim.Log(devices[0].hostname), log);

    sim.ClearLog(0);
    EXPECT_TRUE(sim.Log(0).empty());
    EXPECT_THROW(sim.Log("127.0.166.9"), KorvaneTesting::SimulatorError);
}

TEST(SimulatorProtocol, FirmwareUpdateRecordsNameSizeAndMd5OfTheStreamedImage) {
    Simulator sim(Args("127.0.167.1", 1));
    const std::string key = Authorize("127.0.167.1", sim.Show(0)["password"]);
    ASSERT_FALSE(key.empty());
    std::string image(300 * 1024 + 7, '\0');
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<char>((i * 7919) >> 3);
    }
    const auto reply =
        Exchange("127.0.167.1", RequestXml("FWUPDATE", {{"name", "qrx-fw 2.10.bin"}}, key), image);
    ASSERT_EQ(reply.size(), 1u);
    EXPECT_EQ(reply[0].Result(), "OK");

    const auto state = sim.State(0);
    ASSERT_TRUE(state.hasFirmware);
    EXPECT_EQ(state.firmwareName, "qrx-fw 2.10.bin");
    EXPECT_EQ(state.firmwareSize, image.size());
    EXPECT_EQ(state.firmwareMd5, Md5Hex(image));
    const auto firmware = LinesStartingWith(sim.Log(0), "firmware ");
    ASSERT_EQ(firmware.size(), 1u);
    EXPECT_EQ(firmware[0], "firmware qrx-fw 2.10.bin " + std::to_string(image.size()) + " " + Md5Hex(image));

    // Without a key the image is still read to its end (so the client sees the answer) but refused.
    const auto refused =
        Exchange("127.0.167.1", RequestXml("FWUPDATE", {{"name", "other.bin"}}, ""), std::string("abc"));
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].ErrorParam(), "00000003");
    EXPECT_EQ(sim.State(0).firmwareName, "qrx-fw 2.10.bin");
}

TEST(SimulatorProtocol, SetInfoReplacesTheElementAndMelodyIsVisibleThroughControl) {
    Simulator sim(Args("127.0.168.1", 1));
    const std::string key = Authorize("127.0.168.1", sim.Show(0)["password"]);
    ASSERT_FALSE(key.empty());
    const std::string eco =
        "<korvaneinfo><system><eco><defaulttime><minute>20</minute></defaulttime>"
        "<internal enable=\"true\"><minute>20</minute></internal></eco></system></korvaneinfo>";
    const auto reply = Exchange("127.0.168.1", SetInfoXml(eco, key, false));
    ASSERT_EQ(reply.size(), 1u);
    EXPECT_EQ(reply[0].Result(), "OK");
    EXPECT_EQ(sim.InfoGet(0, "system/eco/defaulttime/minute"), "20");
    EXPECT_EQ(sim.InfoGetAll(0, "system/eco/*").size(), 2u) << "the eco element is replaced as a whole";
    EXPECT_FALSE(sim.InfoGetAll(0, "system/*[name() != 'eco']").empty()) << "its siblings stay";

    const auto settings = Exchange("127.0.168.1", GetInfoXml({"KORVANE_SYSTEMSETTING"}, key));
    ASSERT_EQ(settings.size(), 1u);
    EXPECT_EQ(settings[0].InfoText("system/eco/internal/@enable"), "true");

    ASSERT_EQ(Exchange("127.0.168.1", RequestXml("MELODY", {{"command", "on"}}, key)).at(0).Result(), "OK");
    EXPECT_TRUE(sim.State(0).melody);
    ASSERT_EQ(Exchange("127.0.168.1", RequestXml("MELODY", {{"command", "off"}}, key)).at(0).Result(), "OK");
    EXPECT_FALSE(sim.State(0).melody);
}

TEST(SimulatorProtocol, InformationChangedThroughControlIsWhatTheDeviceAnswers) {
    Simulator sim(Args("127.0.169.1", 1));
    sim.InfoSet(0, "statusinfo/status/error[@type='capacity']/param", "NG");
    sim.InfoSet(0, "statusinfo/status/@condition", "NOTIFY");
    sim.InfoSet(0, "product/name", "QRX9-H");
    const std::string key = Authorize("127.0.169.1", sim.Show(0)["password"]);
    const auto reply = Exchange("127.0.169.1", GetInfoXml({"KORVANE_STATUS", "KORVANE_PRODUCT"}, key));
    ASSERT_EQ(reply.size(), 1u);
    EXPECT_EQ(reply[0].InfoText("statusinfo/status/error[@type='capacity']/param"), "NG");
    EXPECT_EQ(reply[0].InfoText("statusinfo/status/@condition"), "NOTIFY");
    EXPECT_EQ(reply[0].InfoText("product/name"), "QRX9-H");
    // A value that looks like the end of a control reply comes back as a value.
    EXPECT_EQ(sim.InfoGetAll(0, "statusinfo/status/error/param").size(), 4u);
    EXPECT_THROW(sim.InfoSet(0, "no/such/node", "x"), KorvaneTesting::SimulatorError);
    EXPECT_THROW(sim.InfoGet(0, "[broken"), KorvaneTesting::SimulatorError);
}

TEST(SimulatorProtocol, HostileModesBreakTheAnswerAsAdvertised) {
    Simulator sim(Args("127.0.170.1", 1));
    const std::string request = GetInfoXml({"KORVANE_ADMIN_SIMPLE"}, "");
    auto raw = [&](const std::string& mode, std::chrono::milliseconds timeout) {
        sim.Set(0, "mode", mode);
        const int fd = Connect("127.0.170.1", 51055);
        EXPECT_GE(fd, 0);
        SendAll(fd, Frame(request));
        const std::string bytes = ReadAll(fd, timeout);
        close(fd);
        return bytes;
    };
    const std::string normal = raw("normal", std::chrono::seconds(5));
    ASSERT_GT(normal.size(), 8u);

    const std::string length = raw("hostile-length", std::chrono::seconds(5));
    ASSERT_GE(length.size(), 4u);
    EXPECT_EQ(length.substr(0, 4), std::string(4, '\xFF'));

    const std::string shortBody = raw("hostile-short", std::chrono::seconds(5));
    EXPECT_EQ(shortBody.substr(0, 4), normal.substr(0, 4)) << "announces the whole body";
    EXPECT_LT(shortBody.size(), normal.size());

    for (const std::string mode : {"hostile-base64", "hostile-xml", "hostile-noresult"}) {
        sim.Set(0, "mode", mode);
        if (mode == "hostile-base64") {
            EXPECT_THROW(Exchange("127.0.170.1", request), std::runtime_error);
        } else {
            const auto broken = Exchange("127.0.170.1", request);
            ASSERT_EQ(broken.size(), 1u) << mode;
            EXPECT_EQ(broken[0].Parsed(), mode == "hostile-noresult") << mode;
            EXPECT_EQ(broken[0].Result(), "") << mode;
        }
    }

    EXPECT_EQ(raw("silent", std::chrono::milliseconds(700)), "");

    sim.Set(0, "wait-interval", "50");
    const std::string waits = raw("wait-forever", std::chrono::milliseconds(700));
    EXPECT_GE(waits.size(), 3 * 8u);
    const std::size_t first =
        static_cast<unsigned char>(waits[2]) * 256u + static_cast<unsigned char>(waits[3]);
    ASSERT_GE(waits.size(), 4 + first);
    EXPECT_EQ(Response(Base64Decode(waits.substr(4, first))).Result(), "WAIT");

    sim.Set(0, "trickle-interval", "200");
    const std::string trickled = raw("trickle", std::chrono::milliseconds(700));
    EXPECT_GE(trickled.size(), 2u);
    EXPECT_LE(trickled.size(), 5u);
    EXPECT_EQ(trickled, normal.substr(0, trickled.size()));

    // hostile-noread, for FWUPDATE alone: the authorization works, the image is left unread.
    sim.Set(0, "faults", "FWUPDATE");
    sim.Set(0, "mode", "hostile-noread");
    const std::string key = Authorize("127.0.170.1", sim.Show(0)["password"]);
    ASSERT_FALSE(key.empty());
    const int fd = Connect("127.0.170.1", 51055);
    constexpr std::size_t kImageBytes = 64u << 20;
    ASSERT_TRUE(SendAll(fd, Frame(RequestXml("FWUPDATE", {{"name", "stuck.bin"}}, key)) +
                                std::string("\x04\x00\x00\x00", 4)));
    const std::string block(1 << 20, 'x');
    std::size_t sent = 0;
    pollfd room{fd, POLLOUT, 0};
    while (sent < kImageBytes && poll(&room, 1, 1000) == 1) {
        sent += static_cast<std::size_t>(
            std::max<ssize_t>(0, send(fd, block.data(), block.size(), MSG_DONTWAIT | MSG_NOSIGNAL)));
    }
    EXPECT_LT(sent, kImageBytes) << "the device stopped taking the image";
    EXPECT_EQ(ReadAll(fd, std::chrono::milliseconds(300)), "") << "and never answers";
    close(fd);
    EXPECT_EQ(LinesStartingWith(sim.Log(0), "request FWUPDATE").size(), 1u);
    EXPECT_TRUE(LinesStartingWith(sim.Log(0), "firmware ").empty());

    // A huge document, and a MAC of its own in every answer while the device keeps its own.
    sim.Set(0, "mode", "normal");
    sim.Set(0, "pad-bytes", "3000000");
    sim.Set(0, "mac-per-request", "on");
    const auto firstAnswer = Exchange("127.0.170.1", request);
    const auto secondAnswer = Exchange("127.0.170.1", request);
    ASSERT_EQ(firstAnswer.size(), 1u);
    ASSERT_EQ(secondAnswer.size(), 1u);
    EXPECT_EQ(firstAnswer[0].InfoText("padding"), std::string(3000000, 'x'));
    const std::string mac = firstAnswer[0].InfoText("network/tcpip/lan/mac");
    EXPECT_EQ(mac.size(), 17u);
    EXPECT_NE(secondAnswer[0].InfoText("network/tcpip/lan/mac"), mac);
    EXPECT_NE(sim.Devices().at(0).mac, mac);
    EXPECT_EQ(sim.Show(0)["pad-bytes"], "3000000");
}

TEST(SimulatorProtocol, ADeviceWithAnIpv6AddressAnswersThereAndReportsIt) {
    // ::1 is the one loopback IPv6 address, so this case uses a port of its own.
    Simulator sim(
        {"--count", "1", "--base", "127.0.182.1", "--base6", "::1", "--port", "45155", "--http-port", "0"});
    EXPECT_EQ(sim.Devices().at(0).ipv6, "::1");
    const auto reply = Exchange("::1", GetInfoXml({"KORVANE_ADMIN_SIMPLE"}, ""), std::nullopt, 45155);
    ASSERT_EQ(reply.size(), 1u);
    EXPECT_EQ(reply[0].InfoText("network/tcpip[@family='inet6'][@enable='true']/lan/ipsetting/ip"), "::1");
    EXPECT_EQ(reply[0].InfoText("network/tcpip[not(@family='inet6')]/lan/ipsetting/ip"), "127.0.182.1");
    EXPECT_EQ(Exchange("127.0.182.1", GetInfoXml({"KORVANE_ADMIN_SIMPLE"}, ""), std::nullopt, 45155).size(),
              1u);
    const auto log = sim.Log(0);
    EXPECT_EQ(LinesStartingWith(log, "request GETINFO").size(), 2u) << "one device behind both addresses";
}

TEST(SimulatorProtocol, ControlSeesMultiLineValuesAsTheWireDoes) {
    Simulator sim(Args("127.0.183.1", 1));
    const std::string key = Authorize("127.0.183.1", sim.Show(0)["password"]);
    const auto reply = Exchange("127.0.183.1", GetInfoXml({"KORVANE_LOG"}, key));
    ASSERT_EQ(reply.size(), 1u);
    const std::string wire = reply[0].InfoText("statusinfo/log");
    ASSERT_NE(wire.find('\n'), std::string::npos) << "the model's log has several lines";
    EXPECT_EQ(sim.InfoGet(0, "statusinfo/log"), wire);
    sim.InfoSet(0, "statusinfo/log", "C:\\share\\new <entry> & more");
    EXPECT_EQ(sim.InfoGet(0, "statusinfo/log"), "C:\\share\\new <entry> & more");
    const auto changed = Exchange("127.0.183.1", GetInfoXml({"KORVANE_LOG"}, key));
    EXPECT_EQ(changed.at(0).InfoText("statusinfo/log"), "C:\\share\\new <entry> & more");
    // Without IPv6 the device reports an empty IPv6 address rather than the model's.
    EXPECT_EQ(sim.InfoGet(0, "network/tcpip[@family='inet6']/lan/ipsetting/ip"), "");
}

TEST(SimulatorProtocol, AClientThatShutsDownItsSendingSideStillGetsTheAnswer) {
    Simulator sim(Args("127.0.184.1", 1));
    sim.Set(0, "delay", "100");
    sim.Set(0, "wait", "1");
    const int fd = Connect("127.0.184.1", 51055);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(SendAll(fd, Frame(GetInfoXml({"KORVANE_ADMIN_SIMPLE"}, ""))));
    shutdown(fd, SHUT_WR);
    const std::string bytes = ReadAll(fd, std::chrono::seconds(5));
    close(fd);
    // Both messages, then the device's end of stream (ReadAll returned before its time limit).
    std::size_t messages = 0;
    for (std::size_t at = 0; at + 4 <= bytes.size(); ++messages) {
        const std::size_t length = (std::size_t{static_cast<unsigned char>(bytes[at + 2])} << 8) |
                                   static_cast<unsigned char>(bytes[at + 3]);
        at += 4 + length;
        ASSERT_LE(at, bytes.size());
    }
    EXPECT_EQ(messages, 2u);
}

TEST(SimulatorProtocol, GarbageIsDroppedWithoutAnAnswer) {
    Simulator sim(Args("127.0.171.1", 1));
    auto send = [](const std::string& bytes) {
        const int fd = Connect("127.0.171.1", 51055);
        EXPECT_GE(fd, 0);
        SendAll(fd, bytes);
        const std::string answer = ReadAll(fd, std::chrono::seconds(5));
        close(fd);
        return answer;
    };
    EXPECT_EQ(send("GET / HTTP/1.0\r\n\r\n"), "");
    EXPECT_EQ(send(std::string("00RX\x01\x00\x00\x01", 8)), "") << "longer than 16 MiB";
    EXPECT_EQ(send(std::string("00RX\x00\x00\x00\x04", 8) + "!!!!"), "");
    EXPECT_EQ(send(Frame("no <xml")), "");
    const auto log = sim.Log(0);
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0], "garbage bad signature");
    EXPECT_EQ(log[1], "garbage request length 16777217");
    EXPECT_EQ(log[2], "garbage request is not Base64");
    EXPECT_EQ(log[3].rfind("garbage request is not XML", 0), 0u);
    // The device still answers afterwards.
    EXPECT_EQ(Exchange("127.0.171.1", GetInfoXml({"KORVANE_ADMIN_SIMPLE"}, "")).at(0).Result(), "OK");
}

} // namespace
