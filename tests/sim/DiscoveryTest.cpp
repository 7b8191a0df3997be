// korvane-sim's discovery: the current protocol and the two older ones answered the way the program's
// discovery clients read them, and the knobs that let their tests break each of the clients' rules.
// The client here is hand-made from plain sockets and sends what the program sends, from the admin
// host of a test network, to a simulator in a device host.

#include "common/ProcessRun.h"
#include "common/Simulator.h"
#include "hosts/TestNetwork.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <netinet/in.h>
#include <poll.h>
#include <set>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using KorvaneTesting::Simulator;
using KorvaneTesting::SimulatorError;
using KorvaneTesting::TestHost;
using KorvaneTesting::TestNetwork;
using namespace std::chrono_literals;

constexpr std::uint16_t kKafPort = 51054;
constexpr std::uint16_t kQrxPort = 65;
constexpr std::uint16_t kQrxAltPort = 51065;

struct Datagram {
    std::string from; // source address
    std::string bytes;
};

std::string Hex(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char byte : bytes) {
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    return text;
}

std::string BigEndian(std::uint32_t value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
            static_cast<char>(value)};
}

std::string Byte(int value) {
    return std::string(1, static_cast<char>(value));
}

std::string Zeros(std::size_t count) {
    return std::string(count, '\0');
}

// The raw bytes of an IPv4 or IPv6 address text.
std::string AddressBytes(const std::string& text) {
    in_addr v4{};
    if (inet_pton(AF_INET, text.c_str(), &v4) == 1) {
        return std::string(reinterpret_cast<const char*>(&v4), 4);
    }
    in6_addr v6{};
    if (inet_pton(AF_INET6, text.c_str(), &v6) == 1) {
        return std::string(reinterpret_cast<const char*>(&v6), 16);
    }
    ADD_FAILURE() << "not an address: " << text;
    return std::string();
}

// "02:4B:53:10:00:01" as six bytes.
std::string MacBytes(const std::string& text) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 3) {
        bytes.push_back(static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

std::string MacDigits(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), ':'), text.end());
    return text;
}

// What the program's current client sends: op 0, the run's id, a zero MAC text, the vendor text.
std::string KafRequest(std::uint32_t id) {
    std::string request(54, '\0');
    request.replace(1, 4, BigEndian(id));
    request.replace(5, 12, "000000000000");
    request.replace(38, 8, "VESTRANO");
    return request;
}

// What the older clients send: op 0, the run's id, the PC's MAC, the requester name, the vendor text.
std::string QrxRequest(std::uint32_t id, const std::string& pcMac) {
    std::string request(132, '\0');
    request.replace(1, 4, BigEndian(id));
    request.replace(8, 6, MacBytes(pcMac));
    request.replace(34, 7, "FROM-PC");
    request.replace(115, 7, "VESTRAN");
    return request;
}

// A UDP socket of the hand-made client, bound to the wildcard address and a port as the program's
// receive sockets are (on loopback, where the simulator holds the wildcard address, to its own
// address). Datagrams from its own address are skipped: its broadcasts come back to it.
class ClientSocket {
public:
    ClientSocket(int family, std::uint16_t port, const std::string& ownAddress, unsigned interfaceIndex = 0,
                 bool bindOwnAddress = false)
        : family_(family), own_(AddressBytes(ownAddress)), interfaceIndex_(interfaceIndex) {
        fd_ = socket(family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_storage local{};
        socklen_t length = 0;
        if (family == AF_INET) {
            setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
            auto* v4 = reinterpret_cast<sockaddr_in*>(&local);
            v4->sin_family = AF_INET;
            v4->sin_port = htons(port);
            if (bindOwnAddress) {
                std::memcpy(&v4->sin_addr, own_.data(), 4);
            }
            length = sizeof *v4;
        } else {
            setsockopt(fd_, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
            setsockopt(fd_, IPPROTO_IPV6, IPV6_MULTICAST_IF, &interfaceIndex_, sizeof interfaceIndex_);
            auto* v6 = reinterpret_cast<sockaddr_in6*>(&local);
            v6->sin6_family = AF_INET6;
            v6->sin6_port = htons(port);
            length = sizeof *v6;
        }
        if (bind(fd_, reinterpret_cast<sockaddr*>(&local), length) != 0) {
            ADD_FAILURE() << "bind port " << port << ": " << std::strerror(errno);
        }
    }
    ~ClientSocket() { close(fd_); }
    ClientSocket(const ClientSocket&) = delete;
    ClientSocket& operator=(const ClientSocket&) = delete;

    void SendTo(const std::string& address, std::uint16_t port, const std::string& bytes) {
        sockaddr_storage target{};
        socklen_t length = 0;
        if (family_ == AF_INET) {
            auto* v4 = reinterpret_cast<sockaddr_in*>(&target);
            v4->sin_family = AF_INET;
            v4->sin_port = htons(port);
            inet_pton(AF_INET, address.c_str(), &v4->sin_addr);
            length = sizeof *v4;
        } else {
            auto* v6 = reinterpret_cast<sockaddr_in6*>(&target);
            v6->sin6_family = AF_INET6;
            v6->sin6_port = htons(port);
            v6->sin6_scope_id = interfaceIndex_;
            inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr);
            length = sizeof *v6;
        }
        ASSERT_EQ(sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&target), length),
                  static_cast<ssize_t>(bytes.size()))
            << std::strerror(errno);
    }

    // Datagrams from other hosts until `count` have come (at most 5 s), then whatever else comes within
    // `quiet`, so that surplus datagrams are seen too.
    std::vector<Datagram> Receive(std::size_t count, std::chrono::milliseconds quiet = 300ms) {
        std::vector<Datagram> received;
        auto deadline = std::chrono::steady_clock::now() + (count == 0 ? quiet : 5000ms);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd waiter{fd_, POLLIN, 0};
            if (left.count() <= 0 || poll(&waiter, 1, static_cast<int>(left.count())) <= 0) {
                return received;
            }
            char buffer[2048];
            sockaddr_storage from{};
            socklen_t length = sizeof from;
            const ssize_t size =
                recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
            if (size < 0) {
                return received;
            }
            char text[INET6_ADDRSTRLEN] = {};
            if (from.ss_family == AF_INET) {
                inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(&from)->sin_addr, text, sizeof text);
            } else {
                inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6*>(&from)->sin6_addr, text, sizeof text);
            }
            if (AddressBytes(text) == own_) {
                continue;
            }
            received.push_back({text, std::string(buffer, static_cast<std::size_t>(size))});
            if (received.size() == count) {
                deadline = std::chrono::steady_clock::now() + quiet;
            }
        }
    }

private:
    int family_;
    std::string own_;
    unsigned interfaceIndex_;
    int fd_ = -1;
};

std::map<std::string, std::vector<std::string>> BySender(const std::vector<Datagram>& datagrams) {
    std::map<std::string, std::vector<std::string>> bySender;
    for (const Datagram& datagram : datagrams) {
        bySender[datagram.from].push_back(datagram.bytes);
    }
    return bySender;
}

std::string DeviceAddress(int index) {
    return "198.18.1." + std::to_string(index + 1);
}

// Gives the device host one address per simulated device (198.18.1.1, 198.18.1.2, ...), next to its
// own, so that one simulator serves several devices on the test LAN.
void AddDeviceAddresses(const TestNetwork& network, const TestHost& host, int count) {
    std::string batch;
    for (int i = 0; i < count; ++i) {
        batch += "address add " + DeviceAddress(i) + "/32 dev " + host.interfaceName + "\n";
    }
    const auto result = network.RunIn(host, "ip", {"-batch", "-"}, batch);
    ASSERT_EQ(result.exitCode, 0) << result.err;
}

std::vector<std::string> SimulatorArgs(int count, std::vector<std::string> more = {}) {
    std::vector<std::string> args{"--count",    std::to_string(count), "--base",      DeviceAddress(0),
                                  "--base-mac", "02:4B:53:10:00:01",   "--http-port", "0",
                                  "--discovery"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// The device's log once it has `size` lines (or after 5 s), sorted when the order of lines from
// different sockets is not fixed.
std::vector<std::string> LogWhenComplete(Simulator& sim, int device, std::size_t size, bool sorted = false) {
    std::vector<std::string> log = sim.Log(device);
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (log.size() < size && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
        log = sim.Log(device);
    }
    if (sorted) {
        std::sort(log.begin(), log.end());
    }
    return log;
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& content) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "korvane-sim-discovery-XXXXXX").string();
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

TEST(SimulatorDiscovery, CurrentProtocolRepliesCarryTheDeviceIdentityFromItsOwnAddress) {
    KORVANE_REQUIRE_TEST_NETWORK(network, 1);
    const TestHost& host = network->Device(0);
    AddDeviceAddresses(*network, host, 2);
    ASSERT_FALSE(HasFatalFailure());
    Simulator sim(*network, host, SimulatorArgs(2));
    const auto devices = sim.Devices();
    ASSERT_EQ(devices[1].mac, "02:4b:53:10:00:02") << "the default set has a lower-case MAC at index 1";

    auto inAdmin = network->EnterHost(network->Admin());
    ClientSocket client(AF_INET, kKafPort, network->Admin().ipv4);
    const std::string request = KafRequest(0x89ABCDEF);
    client.SendTo("255.255.255.255", kKafPort, request);
    const auto bySender = BySender(client.Receive(2));
    ASSERT_EQ(bySender.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        const auto found = bySender.find(devices[i].ipv4);
        ASSERT_NE(found, bySender.end()) << "no reply from " << devices[i].ipv4;
        ASSERT_EQ(found->second.size(), 1u);
        const std::string& reply = found->second[0];
        ASSERT_EQ(reply.size(), 54u);
        EXPECT_EQ(reply[0], 1) << "op REPLY";
        EXPECT_EQ(Hex(reply.substr(1, 4)), "89abcdef") << "the request id echoed";
        EXPECT_EQ(reply.substr(5, 13), MacDigits(devices[i].mac) + '\0')
            << "the MAC text in the device's case";
        EXPECT_EQ(reply.substr(18, 4), AddressBytes(devices[i].ipv4));
        EXPECT_EQ(reply.substr(22, 16), Zeros(16)) << "no IPv6 address";
        EXPECT_EQ(reply.substr(38), "VESTRANO" + Zeros(8));
        EXPECT_EQ(sim.Log(i),
                  (std::vector<std::string>{"discovery kaf " + Hex(request), "discovery-reply kaf"}));
    }

    // Datagrams that are not requests are logged as they came, and never answered.
    sim.ClearLog(0);
    sim.ClearLog(1);
    std::string reply = KafRequest(7);
    reply[0] = 1;
    const std::string shortRequest = KafRequest(8).substr(0, 53);
    client.SendTo("255.255.255.255", kKafPort, reply);
    client.SendTo("255.255.255.255", kKafPort, shortRequest);
    EXPECT_TRUE(client.Receive(0, 500ms).empty());
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(
            LogWhenComplete(sim, i, 2),
            (std::vector<std::string>{"discovery kaf " + Hex(reply), "discovery kaf " + Hex(shortRequest)}));
    }

    // A reply may name another address than the one it comes from.
    sim.Set(1, "discovery-address", "198.18.9.9");
    client.SendTo("255.255.255.255", kKafPort, request);
    const auto pointing = BySender(client.Receive(2));
    ASSERT_EQ(pointing.count(devices[1].ipv4), 1u);
    EXPECT_EQ(pointing.at(devices[1].ipv4).at(0).substr(18, 4), AddressBytes("198.18.9.9"));
    EXPECT_EQ(pointing.at(devices[0].ipv4).at(0).substr(18, 4), AddressBytes(devices[0].ipv4));
}

TEST(SimulatorDiscovery, LegacyProtocolsEchoIdAndRequesterToTheirOwnPort) {
    KORVANE_REQUIRE_TEST_NETWORK(network, 1);
    const TestHost& host = network->Device(0);
    AddDeviceAddresses(*network, host, 2);
    ASSERT_FALSE(HasFatalFailure());
    Simulator sim(*network, host, SimulatorArgs(2, {"--exec", "set 1 discovery-op 6"}));
    const auto devices = sim.Devices();
    EXPECT_EQ(sim.Show(0)["discovery-op"], "1");
    EXPECT_EQ(sim.Show(1)["discovery-op"], "6");
    for (const char* bad : {"0", "2", "3", "4", "8", "one"}) {
        EXPECT_THROW(sim.Set(0, "discovery-op", bad), SimulatorError) << bad;
    }

    const TestHost& admin = network->Admin();
    auto inAdmin = network->EnterHost(admin);
    ClientSocket kaf(AF_INET, kKafPort, admin.ipv4);
    ClientSocket qrx(AF_INET, kQrxPort, admin.ipv4);
    ClientSocket qrxAlt(AF_INET, kQrxAltPort, admin.ipv4);
    const struct {
        const char* name;
        std::uint16_t port;
        ClientSocket& socket;
        ClientSocket& other;
        std::uint32_t id;
    } protocols[] = {{"qrx", kQrxPort, qrx, qrxAlt, 0x01020304u},
                     {"qrx-alt", kQrxAltPort, qrxAlt, qrx, 0xFFEE0001u}};
    for (const auto& protocol : protocols) {
        SCOPED_TRACE(protocol.name);
        sim.ClearLog(0);
        sim.ClearLog(1);
        const std::string request = QrxRequest(protocol.id, admin.mac);
        protocol.socket.SendTo("255.255.255.255", protocol.port, request);
        const auto bySender = BySender(protocol.socket.Receive(2));
        ASSERT_EQ(bySender.size(), 2u);
        for (int i = 0; i < 2; ++i) {
            const auto found = bySender.find(devices[i].ipv4);
            ASSERT_NE(found, bySender.end()) << "no reply from " << devices[i].ipv4;
            ASSERT_EQ(found->second.size(), 1u);
            const std::string& reply = found->second[0];
            ASSERT_EQ(reply.size(), 132u);
            EXPECT_EQ(reply[0], i == 0 ? 1 : 6);
            EXPECT_EQ(reply.substr(1, 4), BigEndian(protocol.id));
            EXPECT_EQ(Hex(reply.substr(8, 6)), MacDigits(admin.mac)) << "the requester's MAC echoed";
            EXPECT_EQ(reply.substr(14, 4), AddressBytes(devices[i].ipv4));
            EXPECT_EQ(reply.substr(28, 6), MacBytes(devices[i].mac));
            EXPECT_EQ(sim.Log(i), (std::vector<std::string>{
                                      std::string("discovery ") + protocol.name + " " + Hex(request),
                                      std::string("discovery-reply ") + protocol.name}));
        }
        EXPECT_TRUE(protocol.other.Receive(0, 100ms).empty()) << "a reply went to the other protocol's port";
        EXPECT_TRUE(kaf.Receive(0, 100ms).empty());
    }
}

TEST(SimulatorDiscovery, TheDiscoveryKnobSelectsTheProtocolsADeviceAnswers) {
    KORVANE_REQUIRE_TEST_NETWORK(network, 1);
    const TestHost& host = network->Device(0);
    AddDeviceAddresses(*network, host, 4);
    ASSERT_FALSE(HasFatalFailure());
    Simulator sim(*network, host,
                  SimulatorArgs(4, {"--exec", "set 0 discovery kaf", "--exec", "set 1 discovery qrx-alt,qrx",
                                    "--exec", "set 2 discovery off"}));
    EXPECT_EQ(sim.Show(0)["discovery"], "kaf");
    EXPECT_EQ(sim.Show(1)["discovery"], "qrx,qrx-alt");
    EXPECT_EQ(sim.Show(2)["discovery"], "off");
    EXPECT_EQ(sim.Show(3)["discovery"], "on");
    for (const char* bad : {"", "kaf,", "all", "qrx,ftp", "KAF"}) {
        EXPECT_THROW(sim.Set(3, "discovery", bad), SimulatorError) << bad;
    }
    EXPECT_EQ(sim.Show(3)["discovery"], "on") << "a rejected value changes nothing";

    const TestHost& admin = network->Admin();
    auto inAdmin = network->EnterHost(admin);
    ClientSocket kaf(AF_INET, kKafPort, admin.ipv4);
    ClientSocket qrx(AF_INET, kQrxPort, admin.ipv4);
    ClientSocket qrxAlt(AF_INET, kQrxAltPort, admin.ipv4);
    const std::string kafRequest = KafRequest(11);
    const std::string qrxRequest = QrxRequest(12, admin.mac);
    const std::string qrxAltRequest = QrxRequest(13, admin.mac);
    kaf.SendTo("255.255.255.255", kKafPort, kafRequest);
    qrx.SendTo("255.255.255.255", kQrxPort, qrxRequest);
    qrxAlt.SendTo("255.255.255.255", kQrxAltPort, qrxAltRequest);

    const auto senders = [](const std::vector<Datagram>& datagrams, std::size_t size) {
        std::multiset<std::string> from;
        for (const Datagram& datagram : datagrams) {
            EXPECT_EQ(datagram.bytes.size(), size) << "from " << datagram.from;
            from.insert(datagram.from);
        }
        return from;
    };
    using Senders = std::multiset<std::string>;
    EXPECT_EQ(senders(kaf.Receive(2), 54), (Senders{DeviceAddress(0), DeviceAddress(3)}));
    EXPECT_EQ(senders(qrx.Receive(2), 132), (Senders{DeviceAddress(1), DeviceAddress(3)}));
    EXPECT_EQ(senders(qrxAlt.Receive(2), 132), (Senders{DeviceAddress(1), DeviceAddress(3)}));

    // Every device that is on logs every request, also those it does not answer.
    const std::vector<std::string> requests{"discovery kaf " + Hex(kafRequest),
                                            "discovery qrx " + Hex(qrxRequest),
                                            "discovery qrx-alt " + Hex(qrxAltRequest)};
    const auto with = [&requests](std::vector<std::string> replies) {
        replies.insert(replies.end(), requests.begin(), requests.end());
        return Sorted(replies);
    };
    EXPECT_EQ(LogWhenComplete(sim, 0, 4, true), with({"discovery-reply kaf"}));
    EXPECT_EQ(LogWhenComplete(sim, 1, 5, true), with({"discovery-reply qrx", "discovery-reply qrx-alt"}));
    EXPECT_EQ(LogWhenComplete(sim, 2, 3, true), with({}));
    EXPECT_EQ(LogWhenComplete(sim, 3, 6, true),
              with({"discovery-reply kaf", "discovery-reply qrx", "discovery-reply qrx-alt"}));

    // A device that is off neither answers nor logs; one switched back on answers everything again.
    sim.PowerOff(3);
    sim.Set(0, "discovery", "on");
    EXPECT_EQ(sim.Show(0)["discovery"], "on");
    sim.ClearLog(3);
    qrx.SendTo("255.255.255.255", kQrxPort, qrxRequest);
    EXPECT_EQ(senders(qrx.Receive(2), 132), (Senders{DeviceAddress(0), DeviceAddress(1)}));
    EXPECT_TRUE(sim.Log(3).empty());
}

TEST(SimulatorDiscovery, CopiesRepeatEveryReplyOfTheDevice) {
    KORVANE_REQUIRE_TEST_NETWORK(network, 1);
    const TestHost& host = network->Device(0);
    AddDeviceAddresses(*network, host, 2);
    ASSERT_FALSE(HasFatalFailure());
    Simulator sim(*network, host, SimulatorArgs(2, {"--exec", "set 0 discovery-copies 3"}));
    EXPECT_EQ(sim.Show(0)["discovery-copies"], "3");
    EXPECT_EQ(sim.Show(1)["discovery-copies"], "1");
    for (const char* bad : {"0", "11", "-1", "two"}) {
        EXPECT_THROW(sim.Set(1, "discovery-copies", bad), SimulatorError) << bad;
    }

    const TestHost& admin = network->Admin();
    auto inAdmin = network->EnterHost(admin);
    ClientSocket kaf(AF_INET, kKafPort, admin.ipv4);
    ClientSocket qrxAlt(AF_INET, kQrxAltPort, admin.ipv4);
    kaf.SendTo("255.255.255.255", kKafPort, KafRequest(21));
    qrxAlt.SendTo("255.255.255.255", kQrxAltPort, QrxRequest(22, admin.mac));
    for (auto* socket : {&kaf, &qrxAlt}) {
        auto bySender = BySender(socket->Receive(4));
        ASSERT_EQ(bySender[DeviceAddress(0)].size(), 3u);
        EXPECT_EQ(bySender[DeviceAddress(1)].size(), 1u);
        const auto& copies = bySender[DeviceAddress(0)];
        EXPECT_EQ(copies[1], copies[0]);
        EXPECT_EQ(copies[2], copies[0]);
    }
    const auto log = LogWhenComplete(sim, 0, 8, true);
    EXPECT_EQ(std::count(log.begin(), log.end(), "discovery-reply kaf"), 3);
    EXPECT_EQ(std::count(log.begin(), log.end(), "discovery-reply qrx-alt"), 3);

    sim.Set(0, "discovery-copies", "10");
    sim.Set(0, "discovery", "kaf");
    kaf.SendTo("255.255.255.255", kKafPort, KafRequest(23));
    EXPECT_EQ(BySender(kaf.Receive(11))[DeviceAddress(0)].size(), 10u);
}

// How a fault changes the good reply: the bytes [offset, offset + length) become `content`, or
// (content empty) anything but what they were; everything else stays.
struct Spoiled {
    std::size_t size;
    std::size_t offset = 0;
    std::size_t length = 0;
    std::string content;
};

void ExpectSpoiled(const std::string& good, const std::string& got, const Spoiled& expected) {
    ASSERT_EQ(got.size(), expected.size);
    std::string rest = got;
    std::string goodRest = good.substr(0, got.size());
    const std::size_t end = std::min(expected.offset + expected.length, got.size());
    for (std::size_t i = expected.offset; i < end; ++i) {
        rest[i] = goodRest[i] = '-';
    }
    EXPECT_EQ(Hex(rest), Hex(goodRest)) << "only the spoiled bytes differ";
    if (expected.length == 0) {
        return;
    }
    const std::string part = got.substr(expected.offset, expected.length);
    if (expected.content.empty()) {
        EXPECT_NE(Hex(part), Hex(good.substr(expected.offset, expected.length)));
    } else {
        EXPECT_EQ(Hex(part), Hex(expected.content));
    }
}

TEST(SimulatorDiscovery, EachFaultSpoilsTheReplyInItsOneWay) {
    KORVANE_REQUIRE_TEST_NETWORK(network, 1);
    const TestHost& host = network->Device(0);
    AddDeviceAddresses(*network, host, 2);
    ASSERT_FALSE(HasFatalFailure());
    Simulator sim(*network, host, SimulatorArgs(2));
    EXPECT_EQ(sim.Show(0)["discovery-fault"], "none");
    EXPECT_THROW(sim.Set(0, "discovery-fault", "op1"), SimulatorError) << "op 1 is the valid one";
    EXPECT_THROW(sim.Set(0, "discovery-fault", "no-mac"), SimulatorError);

    const TestHost& admin = network->Admin();
    auto inAdmin = network->EnterHost(admin);
    ClientSocket kaf(AF_INET, kKafPort, admin.ipv4);
    ClientSocket qrx(AF_INET, kQrxPort, admin.ipv4);
    // The same requests every round, so that every reply compares with the good one.
    const auto round = [&] {
        kaf.SendTo("255.255.255.255", kKafPort, KafRequest(0x5A5A0102));
        qrx.SendTo("255.255.255.255", kQrxPort, QrxRequest(0x5A5A0304, admin.mac));
        auto kafReplies = BySender(kaf.Receive(2, 0ms));
        auto qrxReplies = BySender(qrx.Receive(2, 0ms));
        std::map<std::string, std::string> replies;
        for (const auto& [protocol, bySender] :
             {std::pair("kaf", kafReplies), std::pair("qrx", qrxReplies)}) {
            for (int i = 0; i < 2; ++i) {
                const auto found = bySender.find(DeviceAddress(i));
                EXPECT_TRUE(found != bySender.end() && found->second.size() == 1u)
                    << protocol << " replies of device " << i;
                replies[std::string(protocol) + std::to_string(i)] =
                    found == bySender.end() ? std::string() : found->second.front();
            }
        }
        return replies;
    };
    const auto good = round();
    ASSERT_EQ(good.at("kaf0").size(), 54u);
    ASSERT_EQ(good.at("qrx0").size(), 132u);

    const Spoiled kafIntact{54, 0, 0, ""};
    const Spoiled qrxIntact{132, 0, 0, ""};
    const struct {
        const char* fault;
        Spoiled kaf;
        Spoiled qrx;
    } cases[] = {
        {"op0", {54, 0, 1, Byte(0)}, {132, 0, 1, Byte(0)}},
        {"op2", {54, 0, 1, Byte(2)}, {132, 0, 1, Byte(2)}},
        {"op3", {54, 0, 1, Byte(3)}, {132, 0, 1, Byte(3)}},
        {"op4", {54, 0, 1, Byte(4)}, {132, 0, 1, Byte(4)}},
        // Ops 5 to 7 are valid in the older protocols.
        {"op5", {54, 0, 1, Byte(5)}, qrxIntact},
        {"op6", {54, 0, 1, Byte(6)}, qrxIntact},
        {"op7", {54, 0, 1, Byte(7)}, qrxIntact},
        {"zero-mac", {54, 5, 13, "000000000000" + Zeros(1)}, {132, 28, 6, Zeros(6)}},
        {"empty-mac", {54, 5, 13, Zeros(13)}, qrxIntact},
        {"wrong-id", kafIntact, {132, 1, 4, ""}},
        {"wrong-requester", kafIntact, {132, 8, 6, ""}},
        {"truncated", {20, 0, 0, ""}, {20, 0, 0, ""}},
        {"bad-mac", {54, 11, 2, " \n"}, qrxIntact},
    };
    for (const auto& fault : cases) {
        SCOPED_TRACE(fault.fault);
        sim.Set(0, "discovery-fault", fault.fault);
        EXPECT_EQ(sim.Show(0)["discovery-fault"], fault.fault);
        const auto replies = round();
        {
            SCOPED_TRACE("kaf");
            ExpectSpoiled(good.at("kaf0"), replies.at("kaf0"), fault.kaf);
        }
        {
            SCOPED_TRACE("qrx");
            ExpectSpoiled(good.at("qrx0"), replies.at("qrx0"), fault.qrx);
        }
        EXPECT_EQ(Hex(replies.at("kaf1")), Hex(good.at("kaf1"))) << "the other device stays good";
        EXPECT_EQ(Hex(replies.at("qrx1")), Hex(good.at("qrx1")));
    }

    sim.Set(0, "discovery-fault", "none");
    const auto healed = round();
    EXPECT_EQ(Hex(healed.at("kaf0")), Hex(good.at("kaf0")));
    EXPECT_EQ(Hex(healed.at("qrx0")), Hex(good.at("qrx0")));
}

TEST(SimulatorDiscovery, AnIpv6RequestIsAnsweredOverIpv6ByDevicesWithAnIpv6Address) {
    KORVANE_REQUIRE_TEST_NETWORK(network, 1);
    const TestHost& host = network->Device(0);
    AddDeviceAddresses(*network, host, 2);
    ASSERT_FALSE(HasFatalFailure());
    const TemporaryFile config("http-port 0\ndiscovery on\n"
                               "device\n    ipv4 " +
                               DeviceAddress(0) + "\n    ipv6 " + host.ipv6LinkLocal + "%" +
                               host.interfaceName +
                               "\n    mac 02:4B:53:10:00:01\n"
                               "device\n    ipv4 " +
                               DeviceAddress(1) + "\n    mac 02:4B:53:10:00:02\n");
    Simulator sim(*network, host, {"--config", config.Path()});

    const TestHost& admin = network->Admin();
    auto inAdmin = network->EnterHost(admin);
    ClientSocket v4(AF_INET, kKafPort, admin.ipv4);
    ClientSocket v6(AF_INET6, kKafPort, admin.ipv6LinkLocal, admin.interfaceIndex);

    const std::string request = KafRequest(0x00060006);
    v6.SendTo("ff02::1", kKafPort, request);
    const auto replies = v6.Receive(1);
    ASSERT_EQ(replies.size(), 1u) << "only the device with an IPv6 address answers";
    EXPECT_EQ(AddressBytes(replies[0].from), AddressBytes(host.ipv6LinkLocal))
        << "from the device's IPv6 address";
    const std::string& reply = replies[0].bytes;
    ASSERT_EQ(reply.size(), 54u);
    EXPECT_EQ(reply[0], 1);
    EXPECT_EQ(reply.substr(1, 4), BigEndian(0x00060006));
    EXPECT_EQ(reply.substr(5, 13), "024B53100001" + Zeros(1));
    EXPECT_EQ(reply.substr(18, 4), AddressBytes(DeviceAddress(0)));
    EXPECT_EQ(reply.substr(22, 16), AddressBytes(host.ipv6LinkLocal));
    EXPECT_TRUE(v4.Receive(0).empty()) << "no IPv4 reply to an IPv6 request";
    EXPECT_EQ(sim.Log(0), (std::vector<std::string>{"discovery kaf " + Hex(request), "discovery-reply kaf"}));
    EXPECT_EQ(sim.Log(1), std::vector<std::string>{"discovery kaf " + Hex(request)}) << "on, so it logs";

    // By IPv4 both answer over IPv4; the one with an IPv6 address names it.
    v4.SendTo("255.255.255.255", kKafPort, request);
    auto bySender = BySender(v4.Receive(2));
    ASSERT_EQ(bySender[DeviceAddress(0)].size(), 1u);
    ASSERT_EQ(bySender[DeviceAddress(1)].size(), 1u);
    EXPECT_EQ(bySender[DeviceAddress(0)][0].substr(22, 16), AddressBytes(host.ipv6LinkLocal));
    EXPECT_EQ(bySender[DeviceAddress(1)][0].substr(22, 16), Zeros(16));
    EXPECT_TRUE(v6.Receive(0).empty()) << "no IPv6 reply to an IPv4 request";
}

TEST(SimulatorDiscovery, TwentyDevicesOfOneSimulatorAllAnswerOneBroadcast) {
    constexpr int kDevices = 20;
    KORVANE_REQUIRE_TEST_NETWORK(network, 1);
    const TestHost& host = network->Device(0);
    AddDeviceAddresses(*network, host, kDevices);
    ASSERT_FALSE(HasFatalFailure());
    Simulator sim(*network, host, SimulatorArgs(kDevices));

    const TestHost& admin = network->Admin();
    auto inAdmin = network->EnterHost(admin);
    ClientSocket kaf(AF_INET, kKafPort, admin.ipv4);
    ClientSocket qrx(AF_INET, kQrxPort, admin.ipv4);
    kaf.SendTo("255.255.255.255", kKafPort, KafRequest(31));
    qrx.SendTo("255.255.255.255", kQrxPort, QrxRequest(32, admin.mac));
    for (auto* socket : {&kaf, &qrx}) {
        const auto replies = socket->Receive(kDevices);
        std::set<std::string> senders;
        std::set<std::string> macs;
        for (const Datagram& reply : replies) {
            senders.insert(reply.from);
            const bool current = reply.bytes.size() == 54;
            ASSERT_EQ(reply.bytes.size(), current ? 54u : 132u);
            EXPECT_EQ(reply.bytes.substr(current ? 18 : 14, 4), AddressBytes(reply.from));
            macs.insert(current ? reply.bytes.substr(5, 12) : reply.bytes.substr(28, 6));
        }
        EXPECT_EQ(replies.size(), static_cast<std::size_t>(kDevices));
        EXPECT_EQ(senders.size(), static_cast<std::size_t>(kDevices));
        EXPECT_EQ(macs.size(), static_cast<std::size_t>(kDevices));
        for (int i = 0; i < kDevices; ++i) {
            EXPECT_EQ(senders.count(DeviceAddress(i)), 1u) << DeviceAddress(i);
        }
    }
}

TEST(SimulatorDiscovery, KnobsComeFromTheConfigurationFileAndLegacyPortsGoByPosition) {
    // On loopback, with ports of its own: the second legacy port alone.
    constexpr std::uint16_t kPort = 45354;
    constexpr std::uint16_t kAltPort = 45365;
    const TemporaryFile config(
        "http-port 0\ndiscovery on\ndiscovery-port " + std::to_string(kPort) +
        "\nlegacy-discovery-ports none," + std::to_string(kAltPort) +
        "\n"
        "device\n    ipv4 127.0.184.101\n    discovery qrx-alt\n    discovery-copies 2\n"
        "    discovery-fault wrong-requester\n    discovery-op 7\n"
        "device\n    ipv4 127.0.184.102\n");
    Simulator sim({"--config", config.Path()});
    auto shown = sim.Show(0);
    EXPECT_EQ(shown["discovery"], "qrx-alt");
    EXPECT_EQ(shown["discovery-copies"], "2");
    EXPECT_EQ(shown["discovery-fault"], "wrong-requester");
    EXPECT_EQ(shown["discovery-op"], "7");
    shown = sim.Show(1);
    EXPECT_EQ(shown["discovery"], "on");
    EXPECT_EQ(shown["discovery-copies"], "1");
    EXPECT_EQ(shown["discovery-fault"], "none");
    EXPECT_EQ(shown["discovery-op"], "1");

    ClientSocket client(AF_INET, kAltPort, "127.0.0.1", 0, true);
    const std::string request = QrxRequest(41, "02:00:00:00:00:41");
    client.SendTo("127.0.184.101", kAltPort, request);
    auto bySender = BySender(client.Receive(3));
    ASSERT_EQ(bySender["127.0.184.101"].size(), 2u);
    ASSERT_EQ(bySender["127.0.184.102"].size(), 1u);
    for (const std::string& reply : bySender["127.0.184.101"]) {
        ASSERT_EQ(reply.size(), 132u);
        EXPECT_EQ(reply[0], 7);
        EXPECT_NE(reply.substr(8, 6), request.substr(8, 6));
    }
    EXPECT_EQ(bySender["127.0.184.102"][0].substr(8, 6), request.substr(8, 6));
    EXPECT_EQ(sim.Log(1),
              (std::vector<std::string>{"discovery qrx-alt " + Hex(request), "discovery-reply qrx-alt"}));

    // Bad values stop the start and name their place.
    const TemporaryFile bad("http-port 0\ndevice\n    ipv4 127.0.184.103\n    discovery-copies 0\n");
    const auto badStart = KorvaneTesting::RunProcess(KORVANE_SIM_PATH, {"--config", bad.Path()});
    EXPECT_NE(badStart.exitCode, 0);
    EXPECT_NE(badStart.err.find(bad.Path() + ":4"), std::string::npos) << badStart.err;
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--legacy-discovery-ports", "45366,45367,45368"},
             {"--legacy-discovery-ports", "45366,45366"},
             {"--legacy-discovery-ports", "45366", "--discovery-port", "45366"},
             {"--legacy-discovery-ports", "45366,port"}}) {
        const auto result = KorvaneTesting::RunProcess(KORVANE_SIM_PATH, args);
        EXPECT_EQ(result.exitCode, 2) << args[1];
    }
}

} // namespace
