#include "hosts/TestNetwork.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <latch>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <set>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using KorvaneTesting::HostProcess;
using KorvaneTesting::ProcessResult;
using KorvaneTesting::RunProcess;
using KorvaneTesting::TestHost;
using KorvaneTesting::TestNetwork;

namespace fs = std::filesystem;

namespace {

constexpr uint16_t kPort = 47111;

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        Reset();
        fd_ = std::exchange(other.fd_, -1);
        return *this;
    }
    int Get() const { return fd_; }

private:
    void Reset() {
        if (fd_ >= 0) {
            close(fd_);
        }
        fd_ = -1;
    }
    int fd_;
};

sockaddr_in V4(const std::string& address, uint16_t port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    inet_pton(AF_INET, address.c_str(), &result.sin_addr);
    return result;
}

sockaddr_in6 V6(const std::string& address, uint16_t port, unsigned scope) {
    sockaddr_in6 result{};
    result.sin6_family = AF_INET6;
    result.sin6_port = htons(port);
    result.sin6_scope_id = scope;
    inet_pton(AF_INET6, address.c_str(), &result.sin6_addr);
    return result;
}

template <class Address>
int SendTo(const Fd& socket, const std::string& payload, const Address& to) {
    return static_cast<int>(sendto(socket.Get(), payload.data(), payload.size(), 0,
                                   reinterpret_cast<const sockaddr*>(&to), sizeof to));
}

// A UDP socket of the calling thread's namespace bound to the address; invalid (errno set) on failure.
template <class Address>
Fd BoundUdp(const Address& address) {
    Fd socket(::socket(reinterpret_cast<const sockaddr*>(&address)->sa_family, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (socket.Get() >= 0 &&
        bind(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        socket = Fd();
        errno = error;
    }
    return socket;
}

Fd BoundUdpIn(const TestNetwork& net, const TestHost& host, const sockaddr_in& address) {
    auto inHost = net.EnterHost(host);
    return BoundUdp(address);
}

Fd BoundUdpIn(const TestNetwork& net, const TestHost& host, const sockaddr_in6& address) {
    auto inHost = net.EnterHost(host);
    return BoundUdp(address);
}

struct Datagram {
    std::string payload;
    std::string source; // address text without port or zone
    sockaddr_storage from{};
    socklen_t fromLength = 0;
};

std::optional<Datagram> Receive(const Fd& socket, std::chrono::milliseconds timeout) {
    pollfd waiting{socket.Get(), POLLIN, 0};
    if (poll(&waiting, 1, static_cast<int>(timeout.count())) != 1) {
        return std::nullopt;
    }
    Datagram datagram;
    char buffer[2048];
    datagram.fromLength = sizeof datagram.from;
    const ssize_t n = recvfrom(socket.Get(), buffer, sizeof buffer, 0,
                               reinterpret_cast<sockaddr*>(&datagram.from), &datagram.fromLength);
    if (n < 0) {
        return std::nullopt;
    }
    datagram.payload.assign(buffer, static_cast<size_t>(n));
    char text[INET6_ADDRSTRLEN] = "";
    if (datagram.from.ss_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(datagram.from).sin_addr, text, sizeof text);
    } else {
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(datagram.from).sin6_addr, text,
                  sizeof text);
    }
    datagram.source = text;
    return datagram;
}

int Reply(const Fd& socket, const Datagram& to, const std::string& payload) {
    return static_cast<int>(sendto(socket.Get(), payload.data(), payload.size(), 0,
                                   reinterpret_cast<const sockaddr*>(&to.from), to.fromLength));
}

// Sends to 255.255.255.255 from a thread inside the admin host; 0 or the errno of the send.
int BroadcastFromAdmin(const TestNetwork& net, const std::string& payload) {
    int error = -1;
    net.ThreadIn(net.Admin(), [&] {
        Fd socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        const int on = 1;
        setsockopt(socket.Get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        error = SendTo(socket, payload, V4("255.255.255.255", kPort)) == static_cast<int>(payload.size())
                    ? 0
                    : errno;
    });
    return error;
}

ino_t NamespaceInode(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

ino_t ThreadNamespace() {
    return NamespaceInode("/proc/thread-self/ns/net");
}
ino_t HostNamespace(const TestHost& host) {
    return NamespaceInode("/run/netns/" + host.netns);
}

std::string IpProgram() {
    for (const char* candidate : {"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip", "/bin/ip"}) {
        if (access(candidate, X_OK) == 0) {
            return candidate;
        }
    }
    return "ip";
}

std::vector<std::string> NamespacesOf(const std::string& prefix) {
    const ProcessResult list = RunProcess(IpProgram(), {"netns", "list"});
    std::istringstream lines(list.out);
    std::vector<std::string> names;
    for (std::string line; std::getline(lines, line);) {
        const std::string name = line.substr(0, line.find(' '));
        if (name.rfind(prefix + "-", 0) == 0) {
            names.push_back(name);
        }
    }
    return names;
}

std::set<std::string> RootInterfaces() {
    const ProcessResult list = RunProcess(IpProgram(), {"-o", "link", "show"});
    std::istringstream lines(list.out);
    std::set<std::string> names;
    for (std::string line; std::getline(lines, line);) {
        const size_t begin = line.find(": ") + 2;
        names.insert(line.substr(begin, line.find_first_of(":@", begin) - begin));
    }
    return names;
}

// Zombies count as gone: orphans may be reparented to a process that never reaps them.
bool ProcessGone(pid_t pid) {
    if (kill(pid, 0) != 0) {
        return errno == ESRCH;
    }
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const size_t close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

bool WaitUntilGone(pid_t pid, std::chrono::milliseconds timeout = 3s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!ProcessGone(pid)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

TEST(TestNetworkHosts, ReportedDetailsMatchWhatEachHostShows) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 2);
    EXPECT_EQ(net->Prefix().rfind("kvt-" + std::to_string(getpid()) + "-", 0), 0u) << net->Prefix();
    ASSERT_EQ(net->DeviceCount(), 2);
    ASSERT_EQ(net->Hosts().size(), 3u);
    EXPECT_EQ(net->Admin().ipv4, "198.18.0.1");
    EXPECT_EQ(net->Device(0).ipv4, "198.18.0.10");
    EXPECT_EQ(net->Device(1).ipv4, "198.18.0.11");
    EXPECT_EQ(net->Admin().mac, "02:6b:76:00:00:01");
    EXPECT_THROW(net->Device(2), std::out_of_range);

    std::set<std::string> namespaces, linkLocals, macs;
    for (const TestHost& host : net->Hosts()) {
        SCOPED_TRACE(host.role);
        namespaces.insert(host.netns);
        linkLocals.insert(host.ipv6LinkLocal);
        macs.insert(host.mac);

        const ProcessResult address =
            net->RunIn(host, "ip", {"-o", "addr", "show", "dev", host.interfaceName});
        ASSERT_EQ(address.exitCode, 0) << address.err;
        EXPECT_NE(address.out.find("inet " + host.ipv4 + "/15 brd 198.19.255.255 "), std::string::npos)
            << address.out;
        EXPECT_NE(address.out.find("inet6 " + host.ipv6LinkLocal + "/64 scope link"), std::string::npos)
            << address.out;
        EXPECT_EQ(address.out.find("tentative"), std::string::npos) << address.out;

        const ProcessResult link = net->RunIn(host, "ip", {"-o", "link", "show", "dev", host.interfaceName});
        EXPECT_EQ(link.out.rfind(std::to_string(host.interfaceIndex) + ": " + host.interfaceName + "@", 0),
                  0u)
            << link.out;
        EXPECT_NE(link.out.find("link/ether " + host.mac + " "), std::string::npos) << link.out;
        EXPECT_NE(link.out.find(",UP,LOWER_UP>"), std::string::npos) << link.out;

        // Duplicate address detection must be off on the interface itself, not only by default.
        EXPECT_EQ(
            net->RunIn(host, "cat", {"/proc/sys/net/ipv6/conf/" + host.interfaceName + "/accept_dad"}).out,
            "0\n");

        const ProcessResult inside = net->RunIn(host, "readlink", {"/proc/self/ns/net"});
        EXPECT_EQ(inside.out, "net:[" + std::to_string(HostNamespace(host)) + "]\n");
    }
    EXPECT_EQ(namespaces.size(), 3u);
    EXPECT_EQ(linkLocals.size(), 3u);
    EXPECT_EQ(macs.size(), 3u);

    // Only the admin host has a default route (so that it can send to 255.255.255.255).
    EXPECT_NE(net->RunIn(net->Admin(), "ip", {"route", "show", "default"}).out.find("default dev kv0"),
              std::string::npos);
    EXPECT_EQ(net->RunIn(net->Device(0), "ip", {"route", "show", "default"}).out, "");

    EXPECT_EQ(net->RunIn(net->Admin(), "sh", {"-c", "exit 3"}).exitCode, 3);
    EXPECT_EQ(net->RunIn(net->Admin(), "cat", {}, "through stdin").out, "through stdin");
}

TEST(TestNetworkHosts, DeviceDefaultRoutesLetDevicesBroadcastToo) {
    KorvaneTesting::TestNetworkOptions options;
    options.deviceHosts = 2;
    options.deviceDefaultRoutes = true;
    std::string reason;
    std::unique_ptr<TestNetwork> net = TestNetwork::Create(options, reason);
    if (!net) {
        KORVANE_TEST_NETWORK_UNAVAILABLE(reason);
    }
    const Fd receiver = BoundUdpIn(*net, net->Device(1), V4("0.0.0.0", kPort));
    ASSERT_GE(receiver.Get(), 0) << std::strerror(errno);
    int error = -1;
    net->ThreadIn(net->Device(0), [&] {
        Fd socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        const int on = 1;
        setsockopt(socket.Get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        error = SendTo(socket, "from a device", V4("255.255.255.255", kPort)) == 13 ? 0 : errno;
    });
    ASSERT_EQ(error, 0) << std::strerror(error);
    const std::optional<Datagram> got = Receive(receiver, 2s);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->source, net->Device(0).ipv4);
}

TEST(TestNetworkTraffic, Ipv4UnicastReachesOneDeviceAndTheReplyComesBack) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 2);
    const TestHost& admin = net->Admin();
    const TestHost& device = net->Device(1);
    const Fd target = BoundUdpIn(*net, device, V4(device.ipv4, kPort));
    ASSERT_GE(target.Get(), 0) << std::strerror(errno);
    const Fd bystander = BoundUdpIn(*net, net->Device(0), V4("0.0.0.0", kPort));
    ASSERT_GE(bystander.Get(), 0) << std::strerror(errno);
    const Fd sender = BoundUdpIn(*net, admin, V4(admin.ipv4, 0));
    ASSERT_GE(sender.Get(), 0) << std::strerror(errno);

    ASSERT_EQ(SendTo(sender, "ping", V4(device.ipv4, kPort)), 4) << std::strerror(errno);
    const std::optional<Datagram> request = Receive(target, 2s);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->payload, "ping");
    EXPECT_EQ(request->source, admin.ipv4);

    ASSERT_EQ(Reply(target, *request, "pong"), 4) << std::strerror(errno);
    const std::optional<Datagram> reply = Receive(sender, 2s);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->payload, "pong");
    EXPECT_EQ(reply->source, device.ipv4);

    EXPECT_FALSE(Receive(bystander, 200ms)) << "unicast reached another device";
}

TEST(TestNetworkTraffic, LimitedBroadcastFromTheAdminHostReachesEveryDevice) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 2);
    std::vector<Fd> receivers;
    for (int i = 0; i < net->DeviceCount(); ++i) {
        receivers.push_back(BoundUdpIn(*net, net->Device(i), V4("0.0.0.0", kPort)));
        ASSERT_GE(receivers.back().Get(), 0) << std::strerror(errno);
    }
    const int error = BroadcastFromAdmin(*net, "who is there");
    ASSERT_EQ(error, 0) << std::strerror(error);
    for (const Fd& receiver : receivers) {
        const std::optional<Datagram> got = Receive(receiver, 2s);
        ASSERT_TRUE(got);
        EXPECT_EQ(got->payload, "who is there");
        EXPECT_EQ(got->source, net->Admin().ipv4);
    }
}

TEST(TestNetworkTraffic, AllNodesMulticastFromTheAdminHostReachesEveryDevice) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 2);
    std::vector<Fd> receivers;
    for (int i = 0; i < net->DeviceCount(); ++i) {
        receivers.push_back(BoundUdpIn(*net, net->Device(i), V6("::", kPort, 0)));
        ASSERT_GE(receivers.back().Get(), 0) << std::strerror(errno);
    }
    int error = -1;
    const unsigned adminIndex = net->Admin().interfaceIndex;
    net->ThreadIn(net->Admin(), [&] {
        Fd socket(::socket(AF_INET6, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        if (setsockopt(socket.Get(), IPPROTO_IPV6, IPV6_MULTICAST_IF, &adminIndex, sizeof adminIndex) != 0) {
            error = errno;
            return;
        }
        error = SendTo(socket, "all nodes", V6("ff02::1", kPort, 0)) == 9 ? 0 : errno;
    });
    ASSERT_EQ(error, 0) << std::strerror(error);
    for (const Fd& receiver : receivers) {
        const std::optional<Datagram> got = Receive(receiver, 2s);
        ASSERT_TRUE(got);
        EXPECT_EQ(got->payload, "all nodes");
        EXPECT_EQ(got->source, net->Admin().ipv6LinkLocal);
    }
}

// Binding to or sending from a tentative address fails with EADDRNOTAVAIL, so this runs without any
// pause after Create.
TEST(TestNetworkTraffic, LinkLocalAddressesWorkAsSoonAsCreateReturns) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    const TestHost& admin = net->Admin();
    const TestHost& device = net->Device(0);
    const Fd deviceSocket = BoundUdpIn(*net, device, V6(device.ipv6LinkLocal, kPort, device.interfaceIndex));
    ASSERT_GE(deviceSocket.Get(), 0) << std::strerror(errno);
    const Fd adminSocket = BoundUdpIn(*net, admin, V6(admin.ipv6LinkLocal, 0, admin.interfaceIndex));
    ASSERT_GE(adminSocket.Get(), 0) << std::strerror(errno);

    ASSERT_EQ(SendTo(adminSocket, "hello", V6(device.ipv6LinkLocal, kPort, admin.interfaceIndex)), 5)
        << std::strerror(errno);
    const std::optional<Datagram> request = Receive(deviceSocket, 2s);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->source, admin.ipv6LinkLocal);
    ASSERT_EQ(Reply(deviceSocket, *request, "hi"), 2) << std::strerror(errno);
    const std::optional<Datagram> reply = Receive(adminSocket, 2s);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->payload, "hi");
    EXPECT_EQ(reply->source, device.ipv6LinkLocal);
}

TEST(TestNetworkEnterHost, MovesOnlyTheCallingThreadAndSocketsStayInTheHost) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    const TestHost& admin = net->Admin();
    const TestHost& device = net->Device(0);
    const ino_t outside = ThreadNamespace();
    ASSERT_NE(outside, 0u);
    ASSERT_NE(outside, HostNamespace(admin));

    Fd madeInside;
    {
        auto inAdmin = net->EnterHost(admin);
        EXPECT_EQ(ThreadNamespace(), HostNamespace(admin));
        ino_t startedInside = 0;
        std::thread([&] { startedInside = ThreadNamespace(); }).join();
        EXPECT_EQ(startedInside, HostNamespace(admin));
        {
            auto inDevice = net->EnterHost(device);
            EXPECT_EQ(ThreadNamespace(), HostNamespace(device));
        }
        EXPECT_EQ(ThreadNamespace(), HostNamespace(admin)) << "a nested guard must return to the outer host";
        madeInside = Fd(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    }
    EXPECT_EQ(ThreadNamespace(), outside);

    ino_t seenByThread = 0;
    std::latch entered(1), checked(1);
    {
        std::jthread thread = net->ThreadIn(device, [&] {
            seenByThread = ThreadNamespace();
            entered.count_down();
            checked.wait();
        });
        entered.wait();
        EXPECT_EQ(ThreadNamespace(), outside) << "ThreadIn moved the starting thread";
        checked.count_down();
    }
    EXPECT_EQ(seenByThread, HostNamespace(device));

    // The admin address exists only in the admin host, so binding to it proves where the socket is.
    const sockaddr_in adminAddress = V4(admin.ipv4, 0);
    ASSERT_EQ(bind(madeInside.Get(), reinterpret_cast<const sockaddr*>(&adminAddress), sizeof adminAddress),
              0)
        << std::strerror(errno);
    const Fd receiver = BoundUdpIn(*net, device, V4(device.ipv4, kPort));
    ASSERT_GE(receiver.Get(), 0) << std::strerror(errno);
    ASSERT_EQ(SendTo(madeInside, "after leaving", V4(device.ipv4, kPort)), 13) << std::strerror(errno);
    const std::optional<Datagram> got = Receive(receiver, 2s);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->source, admin.ipv4);
}

TEST(TestNetworkProcesses, BackgroundProgramRunsInsideTheHostUntilStopped) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    const TestHost& device = net->Device(0);
    HostProcess& process =
        net->StartIn(device, "sh", {"-c", "readlink /proc/self/ns/net; sleep 600 & echo child $!; wait"});
    ASSERT_TRUE(process.WaitForOutput("child ", 5s)) << process.Output();
    // "child <pid>" is one write, but wait for its end of line anyway.
    std::string output;
    size_t at = std::string::npos, end = std::string::npos;
    for (auto deadline = std::chrono::steady_clock::now() + 2s; std::chrono::steady_clock::now() < deadline;
         std::this_thread::sleep_for(5ms)) {
        output = process.Output();
        at = output.find("child ");
        end = at == std::string::npos ? at : output.find('\n', at);
        if (end != std::string::npos) {
            break;
        }
    }
    ASSERT_NE(end, std::string::npos) << output;
    const pid_t child = static_cast<pid_t>(std::stol(output.substr(at + 6, end - at - 6)));
    EXPECT_NE(output.find("net:[" + std::to_string(HostNamespace(device)) + "]"), std::string::npos)
        << output;

    EXPECT_TRUE(process.Running());
    EXPECT_FALSE(ProcessGone(child));
    EXPECT_EQ(process.Stop(), -SIGTERM);
    EXPECT_FALSE(process.Running());
    EXPECT_EQ(process.Stop(), -SIGTERM);
    EXPECT_TRUE(WaitUntilGone(process.Pid()));
    EXPECT_TRUE(WaitUntilGone(child)) << "the program's own child outlived Stop";

    // A program that ignores SIGTERM is killed after the grace time.
    HostProcess& stubborn =
        net->StartIn(device, "sh", {"-c", "trap '' TERM; echo armed; while :; do sleep 1; done"});
    ASSERT_TRUE(stubborn.WaitForOutput("armed", 5s)) << stubborn.Output();
    EXPECT_EQ(stubborn.Stop(100ms), -SIGKILL);

    HostProcess& brief = net->StartIn(net->Admin(), "sh", {"-c", "echo bye; exit 7"});
    EXPECT_TRUE(brief.WaitForOutput("bye", 5s));
    const auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(brief.WaitForOutput("never written", 10s));
    EXPECT_LT(std::chrono::steady_clock::now() - before, 5s)
        << "waited for output of a program that had ended";
    EXPECT_EQ(brief.Stop(), 7);
}

TEST(TestNetworkHostNames, AddedNamesResolveOnlyInsideThatHost) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 2);
    const TestHost& admin = net->Admin();
    const std::string name = "nas-" + net->Prefix();
    net->AddHostName(admin, name, net->Device(0).ipv4);
    net->AddHostName(admin, name + "-b", net->Device(1).ipv4);

    const ProcessResult first = net->RunIn(admin, "getent", {"hosts", name});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out.substr(0, first.out.find_first_of(" \t")), net->Device(0).ipv4) << first.out;
    const ProcessResult second = net->RunIn(admin, "getent", {"hosts", name + "-b"});
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(second.out.substr(0, second.out.find_first_of(" \t")), net->Device(1).ipv4) << second.out;
    EXPECT_EQ(net->RunIn(admin, "getent", {"hosts", "localhost"}).exitCode, 0);

    // Checked by reading the files: a failing lookup elsewhere would ask a real name server.
    const ProcessResult otherHost = net->RunIn(net->Device(1), "cat", {"/etc/hosts"});
    EXPECT_EQ(otherHost.exitCode, 0);
    EXPECT_EQ(otherHost.out.find(name), std::string::npos);
    EXPECT_EQ(ReadFile("/etc/hosts").find(name), std::string::npos);

    EXPECT_THROW(net->AddHostName(admin, "two words", "198.18.0.10"), std::invalid_argument);
    EXPECT_THROW(net->AddHostName(admin, "name", "198.18.0.10\n198.18.0.11"), std::invalid_argument);

    const fs::path directory = fs::path("/etc/netns") / admin.netns;
    EXPECT_TRUE(fs::exists(directory / "hosts"));
    net.reset();
    EXPECT_FALSE(fs::exists(directory));
}

TEST(TestNetworkCleanup, DestroyingTheNetworkRemovesAllOfIt) {
    const std::set<std::string> rootBefore = RootInterfaces();
    KORVANE_REQUIRE_TEST_NETWORK(net, 2);
    const std::string prefix = net->Prefix();
    EXPECT_EQ(NamespacesOf(prefix).size(), 4u);
    for (const std::string& name : RootInterfaces()) {
        EXPECT_EQ(rootBefore.count(name), 1u) << name << " appeared in the root namespace";
    }

    const pid_t started = net->StartIn(net->Device(1), "sleep", {"600"}).Pid();
    // Started behind the network's back: only its namespace ties it to the network.
    const ProcessResult detached =
        net->RunIn(net->Device(0), "sh", {"-c", "sleep 600 </dev/null >/dev/null 2>&1 & echo $!"});
    ASSERT_EQ(detached.exitCode, 0) << detached.err;
    const pid_t stray = static_cast<pid_t>(std::stol(detached.out));
    EXPECT_FALSE(ProcessGone(stray));
    net->AddHostName(net->Admin(), "nas", "198.18.0.10");
    const fs::path logDirectory = fs::temp_directory_path() / prefix;
    EXPECT_TRUE(fs::exists(logDirectory));

    net.reset();
    EXPECT_EQ(NamespacesOf(prefix), std::vector<std::string>{});
    EXPECT_FALSE(fs::exists("/etc/netns/" + prefix + "-admin"));
    EXPECT_FALSE(fs::exists(logDirectory));
    EXPECT_TRUE(WaitUntilGone(started));
    EXPECT_TRUE(WaitUntilGone(stray));
}

namespace {

std::string gFailedNetworkPrefix;

void CreateNetworkThenFail() {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    gFailedNetworkPrefix = net->Prefix();
    ASSERT_EQ(NamespacesOf(gFailedNetworkPrefix).size(), 3u);
    FAIL() << "deliberate failure";
}

} // namespace

TEST(TestNetworkCleanup, AFailingTestStillRemovesItsNetwork) {
    KORVANE_REQUIRE_TEST_NETWORK(probe, 0);
    EXPECT_FATAL_FAILURE(CreateNetworkThenFail(), "deliberate failure");
    ASSERT_FALSE(gFailedNetworkPrefix.empty());
    EXPECT_EQ(NamespacesOf(gFailedNetworkPrefix), std::vector<std::string>{});
}

namespace {

// Kills and reaps the forked child however the test ends, and sweeps what it left.
struct ChildProcess {
    pid_t pid;
    ~ChildProcess() {
        KillNow();
        TestNetwork::RemoveLeftovers();
    }
    void KillNow() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            pid = -1;
        }
    }
};

} // namespace

TEST(TestNetworkCleanup, LeftoversOfAKilledProcessAreRemovedByTheNextCreate) {
    KORVANE_REQUIRE_TEST_NETWORK(probe, 0);
    int channel[2];
    ASSERT_EQ(pipe2(channel, O_CLOEXEC), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // A test process that gets killed while its network exists.
        close(channel[0]);
        try {
            std::string reason;
            std::unique_ptr<TestNetwork> net = TestNetwork::Create(1, reason);
            if (!net) {
                _exit(3);
            }
            net->AddHostName(net->Admin(), "leftover", net->Device(0).ipv4);
            const pid_t sleeper = net->StartIn(net->Device(0), "sleep", {"600"}).Pid();
            const std::string message = net->Prefix() + " " + std::to_string(sleeper) + "\n";
            if (write(channel[1], message.data(), message.size()) != static_cast<ssize_t>(message.size())) {
                _exit(4);
            }
            for (;;) {
                pause();
            }
        } catch (...) {
            _exit(5);
        }
    }
    ChildProcess child{pid};
    close(channel[1]);
    const Fd readEnd(channel[0]);
    pollfd waiting{readEnd.Get(), POLLIN, 0};
    ASSERT_EQ(poll(&waiting, 1, 20000), 1) << "the child never reported its network";
    char buffer[128] = {};
    ASSERT_GT(read(readEnd.Get(), buffer, sizeof buffer - 1), 0);
    std::istringstream message(buffer);
    std::string childPrefix;
    pid_t sleeper = 0;
    ASSERT_TRUE(message >> childPrefix >> sleeper) << buffer;
    ASSERT_EQ(childPrefix.rfind("kvt-" + std::to_string(pid) + "-", 0), 0u);
    ASSERT_EQ(NamespacesOf(childPrefix).size(), 3u);

    {
        std::string reason;
        const std::unique_ptr<TestNetwork> meanwhile = TestNetwork::Create(0, reason);
        ASSERT_TRUE(meanwhile) << reason;
        EXPECT_EQ(NamespacesOf(childPrefix).size(), 3u) << "removed the network of a running process";
    }

    // From here on a test process running in parallel may sweep the leftovers first; either way they go.
    child.KillNow();
    {
        std::string reason;
        const std::unique_ptr<TestNetwork> next = TestNetwork::Create(0, reason);
        ASSERT_TRUE(next) << reason;
    }
    EXPECT_EQ(NamespacesOf(childPrefix), std::vector<std::string>{});
    EXPECT_FALSE(fs::exists("/etc/netns/" + childPrefix + "-admin"));
    EXPECT_FALSE(fs::exists(fs::temp_directory_path() / childPrefix));
    EXPECT_TRUE(WaitUntilGone(sleeper));
}

TEST(TestNetworkIsolation, TwoNetworksAtOnceDoNotHearEachOther) {
    KORVANE_REQUIRE_TEST_NETWORK(first, 1);
    KORVANE_REQUIRE_TEST_NETWORK(second, 1);
    EXPECT_NE(first->Prefix(), second->Prefix());
    EXPECT_NE(first->Device(0).netns, second->Device(0).netns);
    // Same addresses in both on purpose; only the links tell them apart.
    ASSERT_EQ(first->Device(0).ipv4, second->Device(0).ipv4);

    const Fd inFirst = BoundUdpIn(*first, first->Device(0), V4("0.0.0.0", kPort));
    const Fd inSecond = BoundUdpIn(*second, second->Device(0), V4("0.0.0.0", kPort));
    ASSERT_GE(inFirst.Get(), 0);
    ASSERT_GE(inSecond.Get(), 0);

    ASSERT_EQ(BroadcastFromAdmin(*first, "one"), 0);
    std::optional<Datagram> got = Receive(inFirst, 2s);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->payload, "one");
    EXPECT_FALSE(Receive(inSecond, 300ms)) << "broadcast crossed into the other network";

    ASSERT_EQ(BroadcastFromAdmin(*second, "two"), 0);
    got = Receive(inSecond, 2s);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->payload, "two");
    EXPECT_FALSE(Receive(inFirst, 300ms)) << "broadcast crossed into the other network";

    const Fd sender = BoundUdpIn(*first, first->Admin(), V4(first->Admin().ipv4, 0));
    ASSERT_EQ(SendTo(sender, "unicast", V4(first->Device(0).ipv4, kPort)), 7) << std::strerror(errno);
    got = Receive(inFirst, 2s);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->payload, "unicast");
    EXPECT_FALSE(Receive(inSecond, 300ms)) << "unicast crossed into the other network";
}

namespace {

bool gRanPastTheMacro = false;

void ReportUnavailable() {
    KORVANE_TEST_NETWORK_UNAVAILABLE(std::string("no namespaces here"));
    gRanPastTheMacro = true;
}

struct Outcome {
    testing::TestPartResult::Type type;
    std::string message;
};

// What the macro reports with KORVANE_REQUIRE_NETNS set to the value (null: unset).
std::vector<Outcome> OutcomeWith(const char* value) {
    const char* saved = std::getenv("KORVANE_REQUIRE_NETNS");
    const std::optional<std::string> previous = saved ? std::optional<std::string>(saved) : std::nullopt;
    if (value) {
        setenv("KORVANE_REQUIRE_NETNS", value, 1);
    } else {
        unsetenv("KORVANE_REQUIRE_NETNS");
    }
    testing::TestPartResultArray results;
    {
        testing::ScopedFakeTestPartResultReporter reporter(
            testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
        ReportUnavailable();
    }
    if (previous) {
        setenv("KORVANE_REQUIRE_NETNS", previous->c_str(), 1);
    } else {
        unsetenv("KORVANE_REQUIRE_NETNS");
    }
    std::vector<Outcome> outcomes;
    for (int i = 0; i < results.size(); ++i) {
        outcomes.push_back({results.GetTestPartResult(i).type(), results.GetTestPartResult(i).message()});
    }
    return outcomes;
}

} // namespace

TEST(TestNetworkUnavailable, SkipsWithTheReasonUnlessNetworkTestsAreRequired) {
    for (const char* value : {static_cast<const char*>(nullptr), "", "0"}) {
        SCOPED_TRACE(value ? value : "(unset)");
        const std::vector<Outcome> outcomes = OutcomeWith(value);
        ASSERT_EQ(outcomes.size(), 1u);
        EXPECT_EQ(outcomes[0].type, testing::TestPartResult::kSkip);
        EXPECT_NE(outcomes[0].message.find("no namespaces here"), std::string::npos) << outcomes[0].message;
    }
    for (const char* value : {"1", "yes"}) {
        SCOPED_TRACE(value);
        const std::vector<Outcome> outcomes = OutcomeWith(value);
        ASSERT_EQ(outcomes.size(), 1u);
        EXPECT_EQ(outcomes[0].type, testing::TestPartResult::kFatalFailure);
        EXPECT_NE(outcomes[0].message.find("no namespaces here"), std::string::npos) << outcomes[0].message;
        EXPECT_NE(outcomes[0].message.find("KORVANE_REQUIRE_NETNS"), std::string::npos)
            << outcomes[0].message;
    }
    EXPECT_FALSE(gRanPastTheMacro) << "the test went on after giving up";
}
