#pragma once

// Several "hosts" on one machine for network tests: one network namespace per host, all joined by a
// bridge that lives in a namespace of its own, so that broadcast and link-local multicast work like on
// a real LAN while no test packet can reach the machine's own interfaces or the real network.
//
// Layout of a network with prefix P = "kvt-<pid>-<n>" (pid of the creating process, n counts the
// networks of that process):
//   P-sw      switch: bridge "br0" with one port per host ("admin", "dev0", "dev1", ...); IPv6 is off
//             there so the switch itself stays silent.
//   P-admin   admin host: interface "kv0", 198.18.0.1/15, MAC 02:6b:76:00:00:01, default route on kv0
//             (needed to send to 255.255.255.255).
//   P-d<i>    device host i: interface "kv0", 198.18.0.<10+i>/15, MAC 02:6b:76:00:00:<hex of 10+i>; a
//             default route only with TestNetworkOptions::deviceDefaultRoutes.
// Programs started in a host (RunIn, StartIn) see /etc/netns/<netns>/resolv.conf, which names the
// host's own loopback as name server, and look host names up in files and DNS only: lookups that the
// hosts file cannot answer fail at once and never leave the host (unless a TestResolver serves them
// there). Threads moved into a host (EnterHost) keep the machine's configuration: their lookups go to
// the machine's name server from inside the host, where a device host, which has no route, fails
// them at once, while the admin host's default route sends them onto the test network to wait there.
// Every kv0 has its EUI-64 link-local address (fe80::6b:76ff:fe00:1 for the admin host), usable as soon
// as Create returns: duplicate address detection is off on kv0 and Create waits until nothing on it is
// tentative. Addresses repeat from one network to the next on purpose: two networks never share a link,
// so tests running in parallel cannot meet, and every test sees the same predictable addresses.
//
// Everything is removed by the destructor (also when a test fails), and Create first removes what
// killed test processes left behind (names whose pid no longer runs).

#include "common/ProcessRun.h"

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace KorvaneTesting {

struct TestHost {
    std::string role;            // "admin", "device0", "device1", ...
    std::string netns;           // namespace name; the namespace file is /run/netns/<netns>
    std::string interfaceName;   // "kv0" in every host
    unsigned interfaceIndex = 0; // index of interfaceName inside the host's namespace
    std::string ipv4;            // e.g. "198.18.0.1"
    int ipv4PrefixLength = 15;
    std::string ipv6LinkLocal; // e.g. "fe80::6b:76ff:fe00:1", without a zone
    std::string mac;           // e.g. "02:6b:76:00:00:01"
};

struct TestNetworkOptions {
    int deviceHosts = 1;              // 0..200
    bool deviceDefaultRoutes = false; // lets device hosts send to 255.255.255.255 as well
};

// A program running in the background inside a host (started with TestNetwork::StartIn). It runs in a
// process group of its own; stdin is /dev/null, stdout and stderr go together to a log file.
class HostProcess {
public:
    HostProcess(pid_t pid, std::string logPath);
    ~HostProcess();
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    pid_t Pid() const { return pid_; }
    bool Running();
    // What the program has written to stdout and stderr so far.
    std::string Output() const;
    // Waits until the output contains the text; false on timeout or when the program ended without it.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds timeout);
    // SIGTERM to the process group, SIGKILL after the grace time (and to whatever of the group is left),
    // then reaps. Returns the exit code, or minus the signal number that ended the program. Repeated
    // calls return the same value.
    int Stop(std::chrono::milliseconds grace = std::chrono::seconds(1));

private:
    bool HasEnded(bool block);

    pid_t pid_;
    std::string logPath_;
    bool ended_ = false;
    bool reaped_ = false;
    int result_ = 0;
};

// Moves the calling thread into a host's network namespace and back when destroyed. Only that thread
// moves; threads it starts meanwhile begin inside the host too. Sockets keep the namespace they were
// created in: a socket made inside a host stays in the host after the guard is gone. Must be destroyed
// on the thread that created it.
class HostNamespaceGuard {
public:
    explicit HostNamespaceGuard(const std::string& netns);
    ~HostNamespaceGuard();
    HostNamespaceGuard(const HostNamespaceGuard&) = delete;
    HostNamespaceGuard& operator=(const HostNamespaceGuard&) = delete;

private:
    int previous_ = -1;
    std::thread::id owner_;
};

class TestNetwork {
public:
    // Null with a reason when namespaces cannot be made here (no privilege, no iproute2, no IPv6).
    static std::unique_ptr<TestNetwork> Create(int deviceHosts, std::string& reason);
    static std::unique_ptr<TestNetwork> Create(const TestNetworkOptions& options, std::string& reason);
    // Removes namespaces, /etc/netns entries, log directories and processes that networks of processes
    // no longer running left behind. Create does this itself. Pids are judged by this process's view
    // of /proc, so networks made from another pid namespace that shares /run/netns look abandoned.
    static void RemoveLeftovers();

    ~TestNetwork();
    TestNetwork(const TestNetwork&) = delete;
    TestNetwork& operator=(const TestNetwork&) = delete;

    const std::string& Prefix() const { return prefix_; }
    const std::string& SwitchNamespace() const { return switchNetns_; }
    const TestHost& Admin() const { return hosts_.front(); }
    const TestHost& Device(int index) const;
    int DeviceCount() const { return static_cast<int>(hosts_.size()) - 1; }
    const std::vector<TestHost>& Hosts() const { return hosts_; } // the admin host first

    // Runs a program to its end inside the host (with "ip netns exec", so PATH is searched and
    // AddHostName entries are in effect).
    ProcessResult RunIn(const TestHost& host, const std::string& program,
                        const std::vector<std::string>& args, const std::string& input = std::string()) const;
    // Starts a program in the background inside the host. The network owns it and stops it at the
    // latest in its destructor.
    HostProcess& StartIn(const TestHost& host, const std::string& program,
                         const std::vector<std::string>& args);

    [[nodiscard]] HostNamespaceGuard EnterHost(const TestHost& host) const {
        return HostNamespaceGuard(host.netns);
    }
    // Runs the body on a new thread inside the host; the thread is joined when the result is destroyed.
    std::jthread ThreadIn(const TestHost& host, std::function<void()> body) const;

    // Makes the name resolve to the address for programs started with RunIn or StartIn in this host
    // (writes /etc/netns/<netns>/hosts, which "ip netns exec" mounts over /etc/hosts). The machine's
    // /etc/hosts is never touched, and threads inside the host (EnterHost) do not see the entry.
    void AddHostName(const TestHost& host, const std::string& name, const std::string& address);

private:
    explicit TestNetwork(const TestNetworkOptions& options);
    bool Setup(std::string& reason);
    void Teardown();

    std::string prefix_;
    std::string switchNetns_;
    std::string logDirectory_;
    std::string ipProgram_;
    TestNetworkOptions options_;
    std::vector<TestHost> hosts_;
    std::mutex processesMutex_;
    std::vector<std::unique_ptr<HostProcess>> processes_;
};

// Whether a test that cannot get a test network fails (true) rather than skips, given the value of
// KORVANE_REQUIRE_NETNS (null when unset). Any value except empty and "0" requires the network.
bool TestNetworkRequired(const char* requireNetnsValue);

} // namespace KorvaneTesting

// Skips the current test with the reason, or fails it when KORVANE_REQUIRE_NETNS asks for network tests
// to run (as CI does). Returns from the enclosing void function, like GTEST_SKIP.
#define KORVANE_TEST_NETWORK_UNAVAILABLE(reason)                                                             \
    do {                                                                                                     \
        if (::KorvaneTesting::TestNetworkRequired(std::getenv("KORVANE_REQUIRE_NETNS"))) {                   \
            GTEST_FAIL() << "test network required (KORVANE_REQUIRE_NETNS) but unavailable: " << (reason);   \
        } else {                                                                                             \
            GTEST_SKIP() << "test network unavailable (needs root to create network namespaces): "           \
                         << (reason);                                                                        \
        }                                                                                                    \
    } while (false)

// Declares `std::unique_ptr<TestNetwork> var` with an admin host and nDeviceHosts device hosts, or
// skips/fails the test (see KORVANE_TEST_NETWORK_UNAVAILABLE). Use at the top of a test body.
#define KORVANE_REQUIRE_TEST_NETWORK(var, nDeviceHosts)                                                      \
    std::string var##UnavailableReason;                                                                      \
    std::unique_ptr<::KorvaneTesting::TestNetwork> var =                                                     \
        ::KorvaneTesting::TestNetwork::Create((nDeviceHosts), var##UnavailableReason);                       \
    if (!var) {                                                                                              \
        KORVANE_TEST_NETWORK_UNAVAILABLE(var##UnavailableReason);                                            \
    }
