// korvane-sim as a program: command line and configuration file, addresses, signals, and running
// inside a test host.

#include "DeviceClient.h"
#include "common/ProcessRun.h"
#include "common/Simulator.h"
#include "hosts/TestNetwork.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <netinet/in.h>
#include <poll.h>
#include <set>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using KorvaneTesting::RunProcess;
using KorvaneTesting::Simulator;
using KorvaneTesting::SimulatorError;
using namespace SimTest;
using namespace std::chrono_literals;

struct Datagram {
    std::string from;
    std::string bytes;
};

// A UDP socket bound to address:port (SO_REUSEADDR, like the program's receive socket).
int BoundUdp(const std::string& address, std::uint16_t port) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    inet_pton(AF_INET, address.c_str(), &local.sin_addr);
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        ADD_FAILURE() << "bind " << address << ":" << port << ": " << std::strerror(errno);
    }
    return fd;
}

void SendFrom(int fd, const std::string& address, std::uint16_t port, const std::string& bytes) {
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    inet_pton(AF_INET, address.c_str(), &target.sin_addr);
    ASSERT_EQ(sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&target), sizeof target),
              static_cast<ssize_t>(bytes.size()))
        << std::strerror(errno);
}

// Datagrams until `count` have come or the time is up.
std::vector<Datagram> Receive(int fd, std::size_t count, std::chrono::milliseconds timeout) {
    std::vector<Datagram> received;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (received.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd waiter{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&waiter, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
        char buffer[2048];
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t size =
            recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
        if (size < 0) {
            break;
        }
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
        received.push_back({text, std::string(buffer, static_cast<std::size_t>(size))});
    }
    return received;
}

std::string DiscoveryRequest() {
    std::string request(54, '\0');
    request.replace(1, 4, "\x12\x34\x56\x78");
    request.replace(5, 12, "000000000000");
    request.replace(38, 8, "VESTRANO");
    return request;
}

std::string Dotted(const std::string& bytes) {
    return std::to_string(static_cast<unsigned char>(bytes[0])) + "." +
           std::to_string(static_cast<unsigned char>(bytes[1])) + "." +
           std::to_string(static_cast<unsigned char>(bytes[2])) + "." +
           std::to_string(static_cast<unsigned char>(bytes[3]));
}

std::string WithoutColons(std::string mac) {
    mac.erase(std::remove(mac.begin(), mac.end(), ':'), mac.end());
    return mac;
}

class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& content) {
        std::string pattern = (std::filesystem::temp_directory_path() / "korvane-sim-config-XXXXXX").string();
        const int fd = mkstemp(pattern.data());
        path_ = pattern;
        close(fd);
        std::ofstream(path_) << content;
    }
    ~TemporaryFile() { std::filesystem::remove(path_); }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

TEST(SimulatorProcess, ConfigurationFileDescribesSeveralDevices) {
    const TemporaryFile config(R"(# two described devices and settings for all
http-port 0
password common

device
    ipv4 127.0.179.10
    family qrx-h
    mac 0A:00:00:00:00:01
    hostname alpha
    password alpha secret
    info statusinfo/status/error[@type = 'ups']/param NG
    wait 1
    wait-interval 10
device
    ipv4 127.0.179.20
    hostname beta
    description 経理部 サーバー
    mode refuse
)");
    Simulator sim(
        {"--config", config.Path(), "--count", "1", "--base", "127.0.179.100", "--first-number", "2500"});
    const auto devices = sim.Devices();
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[0].ipv4, "127.0.179.10");
    EXPECT_EQ(devices[0].family, "qrx-h");
    EXPECT_EQ(devices[0].model, "QRX4-H");
    EXPECT_EQ(devices[0].mac, "0A:00:00:00:00:01");
    EXPECT_EQ(devices[0].hostname, "alpha");
    EXPECT_EQ(devices[1].ipv4, "127.0.179.20");
    EXPECT_EQ(devices[2].ipv4, "127.0.179.102") << "the generated device counts on from the base by index";
    EXPECT_EQ(devices[2].hostname, "ks-2502") << "and its number from the first number";

    EXPECT_TRUE(Authorize("127.0.179.10", "common").empty());
    const std::string key = Authorize("127.0.179.10", "alpha secret");
    ASSERT_FALSE(key.empty());
    const auto status =
        Exchange("127.0.179.10", RequestXml("GETINFO", {{"category", "KORVANE_STATUS"}}, key));
    ASSERT_EQ(status.size(), 2u) << "one WAIT first";
    EXPECT_EQ(status[1].InfoText("statusinfo/status/error[@type='ups']/param"), "NG");

    EXPECT_EQ(sim.InfoGet("beta", "network/host/desc"), "経理部 サーバー");
    EXPECT_FALSE(Probe("127.0.179.20")) << "mode refuse from the file";
    EXPECT_FALSE(Authorize("127.0.179.102", "common").empty()) << "the global password";
}

TEST(SimulatorProcess, BadConfigurationAndCommandLinesAreReportedWithTheirPlace) {
    const TemporaryFile config("http-port 0\ndevice\n    ipv4 127.0.179.200\n    colour blue\n");
    const auto bad = RunProcess(KORVANE_SIM_PATH, {"--config", config.Path()});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find(config.Path() + ":4: unknown device setting colour"), std::string::npos)
        << bad.err;

    const auto badOption = RunProcess(KORVANE_SIM_PATH, {"--count", "two"});
    EXPECT_EQ(badOption.exitCode, 2);
    EXPECT_NE(badOption.err.find("--count"), std::string::npos) << badOption.err;

    const auto help = RunProcess(KORVANE_SIM_PATH, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--base"), std::string::npos);

    const TemporaryFile twice("http-port 0\ndevice\nipv4 127.0.179.201\ndevice\nipv4 127.0.179.201\n");
    const auto shared = RunProcess(KORVANE_SIM_PATH, {"--config", twice.Path()});
    EXPECT_EQ(shared.exitCode, 1);
    EXPECT_NE(shared.err.find("share the address 127.0.179.201"), std::string::npos) << shared.err;
}

TEST(SimulatorProcess, AnAddressInUseStopsTheStartWithTheReason) {
    Simulator first({"--count", "1", "--base", "127.0.179.150", "--http-port", "0"});
    try {
        Simulator second({"--count", "1", "--base", "127.0.179.150", "--http-port", "0"});
        ADD_FAILURE() << "a second simulator started on the same address";
    } catch (const SimulatorError& error) {
        EXPECT_NE(std::string(error.what()).find("127.0.179.150"), std::string::npos) << error.what();
    }
}

TEST(SimulatorProcess, DevicesListenAndSendFromTheirOwnAddresses) {
    constexpr std::uint16_t kDiscoveryPort = 45154;
    constexpr std::uint16_t kLegacyPort = 45165;
    Simulator sim({"--count", "3", "--base", "127.0.180.1", "--http-port", "0", "--discovery",
                   "--discovery-port", std::to_string(kDiscoveryPort), "--legacy-discovery-ports",
                   std::to_string(kLegacyPort)});
    const auto devices = sim.Devices();
    std::map<std::string, std::string> macByAddress;
    for (const auto& device : devices) {
        macByAddress[device.ipv4] = device.mac;
    }

    // Only the devices' addresses listen: nothing is bound to the wildcard address.
    EXPECT_TRUE(Probe("127.0.180.3"));
    EXPECT_FALSE(Probe("127.0.180.4"));

    // Discovery replies go to the requester's discovery port, each from its device's address.
    const int socket = BoundUdp("127.0.0.1", kDiscoveryPort);
    SendFrom(socket, "127.0.180.1", kDiscoveryPort, DiscoveryRequest());
    const auto replies = Receive(socket, 3, 5s);
    close(socket);
    ASSERT_EQ(replies.size(), 3u);
    std::set<std::string> senders;
    for (const Datagram& reply : replies) {
        ASSERT_EQ(reply.bytes.size(), 54u);
        senders.insert(reply.from);
        ASSERT_EQ(macByAddress.count(reply.from), 1u) << reply.from;
        EXPECT_EQ(reply.bytes[0], 1);
        EXPECT_EQ(reply.bytes.substr(1, 4), "\x12\x34\x56\x78");
        EXPECT_EQ(std::string(reply.bytes.c_str() + 5), WithoutColons(macByAddress[reply.from]));
        EXPECT_EQ(Dotted(reply.bytes.substr(18, 4)), reply.from);
    }
    EXPECT_EQ(senders.size(), 3u);

    // The older protocol: the request id and the requester's MAC come back.
    const int legacy = BoundUdp("127.0.0.1", kLegacyPort);
    std::string request(132, '\0');
    request.replace(1, 4, "\xAA\xBB\xCC\xDD");
    request.replace(8, 6, "\x02\x11\x22\x33\x44\x55");
    request.replace(34, 7, "FROM-PC");
    request.replace(115, 7, "VESTRAN");
    SendFrom(legacy, "127.0.180.2", kLegacyPort, request);
    const auto legacyReplies = Receive(legacy, 3, 5s);
    close(legacy);
    ASSERT_EQ(legacyReplies.size(), 3u);
    for (const Datagram& reply : legacyReplies) {
        ASSERT_EQ(reply.bytes.size(), 132u);
        EXPECT_EQ(reply.bytes[0], 1);
        EXPECT_EQ(reply.bytes.substr(1, 4), "\xAA\xBB\xCC\xDD");
        EXPECT_EQ(reply.bytes.substr(8, 6), "\x02\x11\x22\x33\x44\x55");
        EXPECT_EQ(Dotted(reply.bytes.substr(14, 4)), reply.from);
        EXPECT_EQ(reply.bytes.substr(28, 6), MagicPacket(macByAddress[reply.from]).substr(6, 6));
    }

    // A device that is off does not answer.
    sim.PowerOff(2);
    const int again = BoundUdp("127.0.0.1", kDiscoveryPort);
    SendFrom(again, "127.0.180.1", kDiscoveryPort, DiscoveryRequest());
    const auto fewer = Receive(again, 3, 1500ms);
    close(again);
    EXPECT_EQ(fewer.size(), 2u);
}

TEST(SimulatorProcess, SigtermAndSigintEndTheSimulatorCleanly) {
    {
        Simulator sim({"--count", "2", "--base", "127.0.181.1", "--http-port", "0"});
        const std::string control = sim.ControlPath();
        ASSERT_TRUE(std::filesystem::exists(control));
        // Busy at the moment: a connection in the middle of a delayed answer.
        sim.Set(0, "delay", "10000");
        const int fd = Connect("127.0.181.1", 51055);
        ASSERT_GE(fd, 0);
        SendAll(fd, Frame(RequestXml("GETINFO", {{"category", "KORVANE_ADMIN_SIMPLE"}})));
        EXPECT_EQ(sim.Stop(), 0);
        close(fd);
        EXPECT_FALSE(std::filesystem::exists(control)) << "the control socket is removed";
        EXPECT_FALSE(Probe("127.0.181.1"));
    }
    {
        Simulator sim({"--count", "1", "--base", "127.0.181.10", "--http-port", "0"});
        ASSERT_EQ(kill(sim.Pid(), SIGINT), 0);
        EXPECT_EQ(sim.Stop(), 0);
    }
    {
        Simulator sim({"--count", "1", "--base", "127.0.181.20", "--http-port", "0"});
        sim.Control("quit");
        EXPECT_EQ(sim.Stop(), 0);
    }
}

TEST(SimulatorProcess, InsideATestHostBroadcastsWakeAndDiscoverTheDevice) {
    KORVANE_REQUIRE_TEST_NETWORK(network, 1);
    const KorvaneTesting::TestHost& host = network->Device(0);
    {
        Simulator sim(*network, host,
                      {"--count", "1", "--base", host.ipv4, "--base-mac", "02:4B:53:AA:00:01", "--http-port",
                       "0", "--discovery", "--legacy-discovery-ports", "none"});
        sim.PowerOff(0);
        {
            auto inAdmin = network->EnterHost(network->Admin());
            EXPECT_FALSE(Probe(host.ipv4));

            // The program's way: limited broadcast from the admin host.
            const int fd = BoundUdp("0.0.0.0", 0);
            SendFrom(fd, "255.255.255.255", 51055, MagicPacket("02:4B:53:AA:00:01"));
            close(fd);
            EXPECT_TRUE(WaitForReachability(host.ipv4, true, 5s));

            const int discovery = BoundUdp("0.0.0.0", 51054);
            SendFrom(discovery, "255.255.255.255", 51054, DiscoveryRequest());
            // Our own broadcast comes back too; the reply is the one from the device.
            std::vector<Datagram> replies;
            for (const Datagram& datagram : Receive(discovery, 3, 3s)) {
                if (datagram.bytes[0] == 1) {
                    replies.push_back(datagram);
                }
            }
            close(discovery);
            ASSERT_EQ(replies.size(), 1u);
            EXPECT_EQ(replies[0].from, host.ipv4);
            EXPECT_EQ(std::string(replies[0].bytes.c_str() + 5), "024B53AA0001");
        }
        EXPECT_EQ(sim.Log(0).front(), "wol");
        EXPECT_EQ(sim.Stop(), 0);
    }
}

} // namespace
