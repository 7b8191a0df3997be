#include "hosts/TestNetwork.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <net/if.h>
#include <optional>
#include <sched.h>
#include <set>
#include <sstream>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace KorvaneTesting {
namespace {

constexpr const char* kNetnsDirectory = "/run/netns";
constexpr const char* kEtcNetnsDirectory = "/etc/netns";
constexpr const char* kHostInterface = "kv0";
constexpr const char* kBridge = "br0";
constexpr int kMaxDeviceHosts = 200;
constexpr auto kAddressWait = std::chrono::seconds(5);

// Prefixes of the networks alive in this process. A name with our own pid that is not in here was left
// by an earlier process that had the same pid.
std::mutex gActiveMutex;
std::set<std::string> gActivePrefixes;
std::atomic<int> gNetworkCounter{0};

struct OwnedName {
    pid_t pid;
    std::string prefix; // "kvt-<pid>-<n>"
};

// Recognises "kvt-<pid>-<n>" and "kvt-<pid>-<n>-<anything>".
std::optional<OwnedName> ParseOwnedName(const std::string& name) {
    const std::string head = "kvt-";
    if (name.rfind(head, 0) != 0) {
        return std::nullopt;
    }
    const char* const begin = name.data() + head.size();
    const char* const end = name.data() + name.size();
    long pid = 0;
    auto [afterPid, pidError] = std::from_chars(begin, end, pid);
    if (pidError != std::errc() || afterPid == begin || afterPid == end || *afterPid != '-' || pid <= 0) {
        return std::nullopt;
    }
    int counter = 0;
    auto [afterCounter, counterError] = std::from_chars(afterPid + 1, end, counter);
    if (counterError != std::errc() || afterCounter == afterPid + 1 ||
        (afterCounter != end && *afterCounter != '-')) {
        return std::nullopt;
    }
    return OwnedName{static_cast<pid_t>(pid), std::string(name.data(), afterCounter)};
}

// A zombie counts as gone: its namespaces and files are of no use to anybody any more.
bool ProcessAlive(pid_t pid) {
    if (kill(pid, 0) != 0 && errno != EPERM) {
        return false;
    }
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) {
        return false;
    }
    const size_t close = line.rfind(')');
    return close == std::string::npos || close + 2 >= line.size() || line[close + 2] != 'Z';
}

bool IsLeftover(const OwnedName& owned) {
    if (owned.pid == getpid()) {
        std::lock_guard lock(gActiveMutex);
        return gActivePrefixes.count(owned.prefix) == 0;
    }
    return !ProcessAlive(owned.pid);
}

std::vector<std::string> DirectoryNames(const fs::path& directory) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        names.push_back(it->path().filename().string());
    }
    return names;
}

// SIGKILLs every process (other than this one) whose network namespace is the named one, so that
// nothing started inside a host outlives it.
void KillProcessesIn(const std::string& netns) {
    struct stat target {};
    if (stat((std::string(kNetnsDirectory) + "/" + netns).c_str(), &target) != 0) {
        return;
    }
    for (const std::string& entry : DirectoryNames("/proc")) {
        pid_t pid = 0;
        auto [end, error] = std::from_chars(entry.data(), entry.data() + entry.size(), pid);
        if (error != std::errc() || end != entry.data() + entry.size() || pid == getpid()) {
            continue;
        }
        struct stat ns {};
        if (stat(("/proc/" + entry + "/ns/net").c_str(), &ns) == 0 && ns.st_ino == target.st_ino &&
            ns.st_dev == target.st_dev) {
            kill(pid, SIGKILL);
        }
    }
}

// What "ip netns del" does, without starting a process for it.
void DeleteNamespace(const std::string& netns) {
    const std::string path = std::string(kNetnsDirectory) + "/" + netns;
    umount2(path.c_str(), MNT_DETACH);
    if (unlink(path.c_str()) != 0 && errno != ENOENT) {
        std::fprintf(stderr, "TestNetwork: cannot remove %s: %s\n", path.c_str(), std::strerror(errno));
    }
}

// Another test process may be sweeping the same leftovers, which makes a single pass stop early.
void RemoveTree(const fs::path& path) {
    std::error_code ignored;
    for (int attempt = 0; attempt < 3 && fs::exists(path, ignored); ++attempt) {
        fs::remove_all(path, ignored);
    }
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream file(path);
    file << text;
    file.close();
    if (!file) {
        throw std::runtime_error("cannot write " + path);
    }
}

// The machine's name service configuration with host names looked up in files and DNS alone.
std::string HostNsswitch() {
    std::ifstream machine("/etc/nsswitch.conf");
    std::string text;
    for (std::string line; std::getline(machine, line);) {
        if (line.rfind("hosts:", 0) != 0) {
            text += line + "\n";
        }
    }
    return text + "hosts: files dns\n";
}

std::string FindIpProgram() {
    for (const char* candidate : {"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip", "/bin/ip"}) {
        if (access(candidate, X_OK) == 0) {
            return candidate;
        }
    }
    return std::string();
}

std::string Join(const std::vector<std::string>& parts, const std::string& separator) {
    std::string text;
    for (const std::string& part : parts) {
        text += (text.empty() ? "" : separator) + part;
    }
    return text;
}

std::string MacText(unsigned char fourthByte, unsigned char lastByte) {
    char text[18];
    std::snprintf(text, sizeof text, "02:6b:76:%02x:00:%02x", fourthByte, lastByte);
    return text;
}

struct InterfaceAddresses {
    std::string linkLocal;
    bool tentative = false;
};

// Reads the IPv6 addresses of an interface of the calling thread's namespace.
InterfaceAddresses ReadIpv6Addresses(unsigned interfaceIndex) {
    constexpr unsigned kTentative = 0x40; // IFA_F_TENTATIVE
    constexpr unsigned kDadFailed = 0x08; // IFA_F_DADFAILED
    InterfaceAddresses result;
    std::ifstream file("/proc/thread-self/net/if_inet6");
    std::string hexAddress, name;
    unsigned index = 0, prefixLength = 0, scope = 0, flags = 0;
    while (file >> hexAddress >> std::hex >> index >> prefixLength >> scope >> flags >> std::dec >> name) {
        if (index != interfaceIndex || hexAddress.size() != 32) {
            continue;
        }
        if ((flags & kDadFailed) != 0) {
            throw std::runtime_error("duplicate address detection failed on " + name);
        }
        result.tentative = result.tentative || (flags & kTentative) != 0;
        in6_addr address{};
        for (size_t i = 0; i < 16; ++i) {
            address.s6_addr[i] = static_cast<uint8_t>(std::stoul(hexAddress.substr(2 * i, 2), nullptr, 16));
        }
        if (IN6_IS_ADDR_LINKLOCAL(&address)) {
            char text[INET6_ADDRSTRLEN];
            inet_ntop(AF_INET6, &address, text, sizeof text);
            result.linkLocal = text;
        }
    }
    return result;
}

std::string ReadMac(const std::string& interfaceName) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        throw std::runtime_error("socket failed");
    }
    ifreq request{};
    std::strncpy(request.ifr_name, interfaceName.c_str(), IFNAMSIZ - 1);
    const int result = ioctl(fd, SIOCGIFHWADDR, &request);
    close(fd);
    if (result != 0) {
        throw std::runtime_error("cannot read the MAC of " + interfaceName);
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(request.ifr_hwaddr.sa_data);
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", bytes[0], bytes[1], bytes[2], bytes[3],
                  bytes[4], bytes[5]);
    return text;
}

int ExitResult(const siginfo_t& info) {
    return info.si_code == CLD_EXITED ? info.si_status : -info.si_status;
}

} // namespace

// ---------------------------------------------------------------------------------------------------

HostProcess::HostProcess(pid_t pid, std::string logPath) : pid_(pid), logPath_(std::move(logPath)) {}

HostProcess::~HostProcess() {
    Stop();
}

// Waits without reaping, so the pid (and with it the process group id) cannot be reused before Stop
// has signalled what is left of the group.
bool HostProcess::HasEnded(bool block) {
    if (ended_) {
        return true;
    }
    siginfo_t info{};
    int result;
    while ((result = waitid(P_PID, static_cast<id_t>(pid_), &info,
                            WEXITED | WNOWAIT | (block ? 0 : WNOHANG))) < 0 &&
           errno == EINTR) {
    }
    if (result == 0 && info.si_pid == pid_) {
        ended_ = true;
        result_ = ExitResult(info);
    }
    return ended_;
}

bool HostProcess::Running() {
    return !HasEnded(false);
}

std::string HostProcess::Output() const {
    std::ifstream file(logPath_, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool HostProcess::WaitForOutput(const std::string& text, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        // Checked after noticing the end as well: the last words may come just before it.
        const bool ended = HasEnded(false);
        if (Output().find(text) != std::string::npos) {
            return true;
        }
        if (ended || std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

int HostProcess::Stop(std::chrono::milliseconds grace) {
    if (reaped_) {
        return result_;
    }
    if (!HasEnded(false)) {
        kill(-pid_, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + grace;
        while (!HasEnded(false) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        if (!ended_) {
            kill(-pid_, SIGKILL);
            HasEnded(true);
        }
    }
    kill(-pid_, SIGKILL); // children the program left in its group
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    reaped_ = true;
    return result_;
}

// ---------------------------------------------------------------------------------------------------

HostNamespaceGuard::HostNamespaceGuard(const std::string& netns) : owner_(std::this_thread::get_id()) {
    previous_ = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    if (previous_ < 0) {
        throw std::runtime_error(std::string("cannot open the thread's network namespace: ") +
                                 std::strerror(errno));
    }
    const std::string path = std::string(kNetnsDirectory) + "/" + netns;
    const int target = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const int error = target < 0 || setns(target, CLONE_NEWNET) != 0 ? errno : 0;
    if (target >= 0) {
        close(target);
    }
    if (error != 0) {
        close(previous_);
        throw std::runtime_error("cannot enter " + path + ": " + std::strerror(error));
    }
}

HostNamespaceGuard::~HostNamespaceGuard() {
    // A thread left in the wrong namespace would send test traffic somewhere it does not belong.
    if (std::this_thread::get_id() != owner_) {
        std::fprintf(stderr, "HostNamespaceGuard destroyed on another thread than the one it moved\n");
        std::abort();
    }
    if (setns(previous_, CLONE_NEWNET) != 0) {
        std::fprintf(stderr, "cannot return from a test host's namespace: %s\n", std::strerror(errno));
        std::abort();
    }
    close(previous_);
}

// ---------------------------------------------------------------------------------------------------

bool TestNetworkRequired(const char* requireNetnsValue) {
    return requireNetnsValue != nullptr && *requireNetnsValue != '\0' &&
           std::string(requireNetnsValue) != "0";
}

std::unique_ptr<TestNetwork> TestNetwork::Create(int deviceHosts, std::string& reason) {
    TestNetworkOptions options;
    options.deviceHosts = deviceHosts;
    return Create(options, reason);
}

std::unique_ptr<TestNetwork> TestNetwork::Create(const TestNetworkOptions& options, std::string& reason) {
    if (options.deviceHosts < 0 || options.deviceHosts > kMaxDeviceHosts) {
        throw std::invalid_argument("a test network has 0 to 200 device hosts");
    }
    RemoveLeftovers();
    std::unique_ptr<TestNetwork> network(new TestNetwork(options));
    try {
        if (!network->Setup(reason)) {
            return nullptr;
        }
    } catch (const std::exception& error) {
        reason = error.what();
        return nullptr;
    }
    return network;
}

void TestNetwork::RemoveLeftovers() {
    for (const std::string& name : DirectoryNames(kNetnsDirectory)) {
        const std::optional<OwnedName> owned = ParseOwnedName(name);
        if (owned && IsLeftover(*owned)) {
            KillProcessesIn(name);
            DeleteNamespace(name);
        }
    }
    for (const fs::path& directory : {fs::path(kEtcNetnsDirectory), fs::temp_directory_path()}) {
        for (const std::string& name : DirectoryNames(directory)) {
            const std::optional<OwnedName> owned = ParseOwnedName(name);
            if (owned && IsLeftover(*owned)) {
                RemoveTree(directory / name);
            }
        }
    }
}

TestNetwork::TestNetwork(const TestNetworkOptions& options) : options_(options) {
    prefix_ = "kvt-" + std::to_string(getpid()) + "-" + std::to_string(gNetworkCounter++);
    {
        std::lock_guard lock(gActiveMutex);
        gActivePrefixes.insert(prefix_);
    }
    switchNetns_ = prefix_ + "-sw";
    logDirectory_ = (fs::temp_directory_path() / prefix_).string();
    for (int i = -1; i < options.deviceHosts; ++i) {
        const int lastOctet = i < 0 ? 1 : 10 + i;
        TestHost host;
        host.role = i < 0 ? "admin" : "device" + std::to_string(i);
        host.netns = prefix_ + (i < 0 ? "-admin" : "-d" + std::to_string(i));
        host.interfaceName = kHostInterface;
        host.ipv4 = "198.18.0." + std::to_string(lastOctet);
        host.mac = MacText(0, static_cast<unsigned char>(lastOctet));
        hosts_.push_back(host);
    }
}

TestNetwork::~TestNetwork() {
    Teardown();
}

const TestHost& TestNetwork::Device(int index) const {
    if (index < 0 || index >= DeviceCount()) {
        throw std::out_of_range("no device host " + std::to_string(index));
    }
    return hosts_[static_cast<size_t>(index) + 1];
}

bool TestNetwork::Setup(std::string& reason) {
    ipProgram_ = FindIpProgram();
    if (ipProgram_.empty()) {
        reason = "iproute2's ip program not found";
        return false;
    }
    auto ip = [this, &reason](const std::vector<std::string>& args, const std::string& input) {
        const ProcessResult result = RunProcess(ipProgram_, args, input);
        if (result.exitCode != 0) {
            reason = "ip " + Join(args, " ") + " failed: " + result.err;
            return false;
        }
        return true;
    };

    std::string commands = "netns add " + switchNetns_ + "\n";
    for (const TestHost& host : hosts_) {
        commands += "netns add " + host.netns + "\n";
    }
    if (!ip({"-batch", "-"}, commands)) {
        return false;
    }

    // Name lookups that /etc/hosts cannot answer end at the host's own loopback, at once, instead of
    // waiting for the machine's name server, which is out of reach (and must stay so); and only the
    // hosts file and that name server answer them, not a lookup module that asks a daemon of the
    // machine over a local socket.
    const std::string nsswitch = HostNsswitch();
    for (const TestHost& host : hosts_) {
        const fs::path directory = fs::path(kEtcNetnsDirectory) / host.netns;
        fs::create_directories(directory);
        WriteFile((directory / "resolv.conf").string(), "nameserver 127.0.0.1\n");
        WriteFile((directory / "nsswitch.conf").string(), nsswitch);
    }

    // The switch only forwards; without IPv6 its bridge sends no solicitations or reports of its own.
    {
        HostNamespaceGuard inSwitch(switchNetns_);
        WriteFile("/proc/sys/net/ipv6/conf/all/disable_ipv6", "1");
        WriteFile("/proc/sys/net/ipv6/conf/default/disable_ipv6", "1");
    }
    commands = std::string("link add ") + kBridge + " address " + MacText(0xff, 0xff) +
               " type bridge stp_state 0 forward_delay 0 mcast_snooping 0\n";
    commands += std::string("link set ") + kBridge + " up\n";
    for (size_t i = 0; i < hosts_.size(); ++i) {
        const TestHost& host = hosts_[i];
        const std::string port = i == 0 ? "admin" : "dev" + std::to_string(i - 1);
        const int lastOctet = i == 0 ? 1 : 9 + static_cast<int>(i);
        commands += "link add " + port + " address " + MacText(0xff, static_cast<unsigned char>(lastOctet)) +
                    " type veth peer name " + host.interfaceName + " address " + host.mac + " netns " +
                    host.netns + "\n";
        commands += "link set " + port + " master " + kBridge + "\n";
        commands += "link set " + port + " up\n";
    }
    if (!ip({"-n", switchNetns_, "-batch", "-"}, commands)) {
        return false;
    }

    for (size_t i = 0; i < hosts_.size(); ++i) {
        TestHost& host = hosts_[i];
        {
            // Before the link comes up: the interface's own setting is the one that counts, and the
            // link-local address gets made (and checked) when the link comes up.
            HostNamespaceGuard inHost(host.netns);
            const std::string dadSetting = "/proc/sys/net/ipv6/conf/" + host.interfaceName + "/accept_dad";
            if (access(dadSetting.c_str(), W_OK) != 0) {
                reason = "IPv6 is not available in network namespaces (" + dadSetting + ")";
                return false;
            }
            WriteFile(dadSetting, "0");
        }
        commands = "link set lo up\n";
        commands += "addr add " + host.ipv4 + "/" + std::to_string(host.ipv4PrefixLength) +
                    " broadcast + dev " + host.interfaceName + "\n";
        commands += "link set " + host.interfaceName + " up\n";
        if (i == 0 || options_.deviceDefaultRoutes) {
            commands += "route add default dev " + host.interfaceName + "\n";
        }
        if (!ip({"-n", host.netns, "-batch", "-"}, commands)) {
            return false;
        }
    }

    const auto deadline = std::chrono::steady_clock::now() + kAddressWait;
    for (TestHost& host : hosts_) {
        HostNamespaceGuard inHost(host.netns);
        host.interfaceIndex = if_nametoindex(host.interfaceName.c_str());
        if (host.interfaceIndex == 0) {
            reason = host.interfaceName + " missing in " + host.netns;
            return false;
        }
        for (;;) {
            const InterfaceAddresses addresses = ReadIpv6Addresses(host.interfaceIndex);
            if (!addresses.linkLocal.empty() && !addresses.tentative) {
                host.ipv6LinkLocal = addresses.linkLocal;
                break;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                reason = "the link-local address of " + host.netns + " stays tentative";
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        host.mac = ReadMac(host.interfaceName);
    }

    // Hosts can talk only once every bridge port forwards.
    for (;;) {
        const ProcessResult ports =
            RunProcess(ipProgram_, {"-n", switchNetns_, "-d", "-o", "link", "show", "master", kBridge});
        size_t forwarding = 0;
        for (size_t at = 0; (at = ports.out.find("state forwarding", at)) != std::string::npos; ++at) {
            ++forwarding;
        }
        if (forwarding == hosts_.size()) {
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            reason = "bridge ports do not forward: " + ports.out + ports.err;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void TestNetwork::Teardown() {
    {
        std::lock_guard lock(processesMutex_);
        for (auto it = processes_.rbegin(); it != processes_.rend(); ++it) {
            (*it)->Stop(std::chrono::milliseconds(500));
        }
        processes_.clear();
    }
    std::vector<std::string> namespaces{switchNetns_};
    for (const TestHost& host : hosts_) {
        namespaces.push_back(host.netns);
    }
    for (const std::string& netns : namespaces) {
        KillProcessesIn(netns);
        DeleteNamespace(netns);
        RemoveTree(fs::path(kEtcNetnsDirectory) / netns);
    }
    RemoveTree(logDirectory_);
    std::lock_guard lock(gActiveMutex);
    gActivePrefixes.erase(prefix_);
}

ProcessResult TestNetwork::RunIn(const TestHost& host, const std::string& program,
                                 const std::vector<std::string>& args, const std::string& input) const {
    std::vector<std::string> command{"netns", "exec", host.netns, program};
    command.insert(command.end(), args.begin(), args.end());
    return RunProcess(ipProgram_, command, input);
}

HostProcess& TestNetwork::StartIn(const TestHost& host, const std::string& program,
                                  const std::vector<std::string>& args) {
    std::lock_guard lock(processesMutex_);
    fs::create_directories(logDirectory_);
    const std::string logPath = logDirectory_ + "/" + host.role + "-" + std::to_string(processes_.size()) +
                                "-" + fs::path(program).filename().string() + ".log";

    std::vector<std::string> command{ipProgram_, "netns", "exec", host.netns, program};
    command.insert(command.end(), args.begin(), args.end());
    const bool bOwnGroup = true; // so that Stop reaches the program's children too
    const pid_t pid = StartLogged(command, logPath, bOwnGroup);
    processes_.push_back(std::make_unique<HostProcess>(pid, logPath));
    return *processes_.back();
}

std::jthread TestNetwork::ThreadIn(const TestHost& host, std::function<void()> body) const {
    return std::jthread([netns = host.netns, body = std::move(body)] {
        HostNamespaceGuard inHost(netns);
        body();
    });
}

void TestNetwork::AddHostName(const TestHost& host, const std::string& name, const std::string& address) {
    const auto unsafe = [](const std::string& text) {
        return text.empty() || text.find_first_of(" \t\r\n#") != std::string::npos;
    };
    if (unsafe(name) || unsafe(address)) {
        throw std::invalid_argument("host name and address must be single words");
    }
    const fs::path directory = fs::path(kEtcNetnsDirectory) / host.netns;
    fs::create_directories(directory);
    const fs::path hosts = directory / "hosts";
    const bool fresh = !fs::exists(hosts);
    std::ofstream file(hosts, std::ios::app);
    if (fresh) {
        // This file replaces /etc/hosts for the host's programs, so it has to know localhost itself.
        file << "127.0.0.1\tlocalhost\n::1\tlocalhost ip6-localhost ip6-loopback\n";
    }
    file << address << '\t' << name << '\n';
    file.close();
    if (!file) {
        throw std::runtime_error("cannot write " + hosts.string());
    }
}

} // namespace KorvaneTesting
