#include "net/NetworkInterfaces.h"

#include "hosts/TestNetwork.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <linux/if_tun.h>
#include <net/if.h>
#include <sched.h>
#include <set>
#include <string>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Zelt::IsProtocolAvailable;
using Zelt::ListIpv6InterfaceIndexes;
using Zelt::LocalMacAddress;

using MacAddress = std::array<uint8_t, 6>;

unsigned InterfaceFlags(unsigned nIndex) {
    ifreq request{};
    if (if_indextoname(nIndex, request.ifr_name) == nullptr) {
        return 0;
    }
    const int nSocket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int nResult = ioctl(nSocket, SIOCGIFFLAGS, &request);
    close(nSocket);
    return nResult == 0 ? static_cast<unsigned short>(request.ifr_flags) : 0;
}

// The 6-byte hardware addresses of the non-loopback adapters, as the system lists them.
std::vector<MacAddress> AdapterMacAddresses() {
    std::vector<MacAddress> addresses;
    ifaddrs* pList = nullptr;
    if (getifaddrs(&pList) != 0) {
        return addresses;
    }
    for (const ifaddrs* pEntry = pList; pEntry != nullptr; pEntry = pEntry->ifa_next) {
        if (pEntry->ifa_addr == nullptr || pEntry->ifa_addr->sa_family != AF_PACKET ||
            (pEntry->ifa_flags & IFF_LOOPBACK) != 0) {
            continue;
        }
        const auto* pLink = reinterpret_cast<const sockaddr_ll*>(pEntry->ifa_addr);
        if (pLink->sll_halen == 6) {
            MacAddress mac;
            std::memcpy(mac.data(), pLink->sll_addr, mac.size());
            addresses.push_back(mac);
        }
    }
    freeifaddrs(pList);
    return addresses;
}

// --- IsProtocolAvailable ---

TEST(NetworkInterfacesTest, IpProtocolsAreAvailableWhenSocketsOpen) {
    EXPECT_TRUE(IsProtocolAvailable(AF_INET));
    const int nSocket = socket(AF_INET6, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    EXPECT_EQ(IsProtocolAvailable(AF_INET6), nSocket >= 0);
    if (nSocket >= 0) {
        close(nSocket);
    }
}

TEST(NetworkInterfacesTest, OtherFamiliesAreNotAvailable) {
    // A local datagram socket opens fine, but it is not an IP protocol.
    for (const int nFamily : {0, AF_UNIX, AF_PACKET, -1, 12345}) {
        EXPECT_FALSE(IsProtocolAvailable(nFamily)) << nFamily;
    }
}

TEST(NetworkInterfacesTest, DescriptorShortageDoesNotHideProtocol) {
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    const int nLowestFree = open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(nLowestFree, 0);
    close(nLowestFree);
    // No descriptor can be opened while the limit is the lowest free one.
    rlimit lowered = saved;
    lowered.rlim_cur = static_cast<rlim_t>(nLowestFree);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0);
    const int nProbe = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int nProbeError = errno;
    const bool bInet = IsProtocolAvailable(AF_INET);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);
    if (nProbe >= 0) {
        close(nProbe);
    }
    ASSERT_EQ(nProbe, -1);
    ASSERT_EQ(nProbeError, EMFILE);
    EXPECT_TRUE(bInet);
}

// --- this machine's interfaces ---

TEST(NetworkInterfacesTest, ListsUpNonLoopbackInterfacesOnce) {
    const std::vector<unsigned> indexes = ListIpv6InterfaceIndexes();
    const unsigned nLoopback = if_nametoindex("lo");
    std::set<unsigned> seen;
    for (const unsigned nIndex : indexes) {
        char szName[IF_NAMESIZE] = "";
        EXPECT_NE(if_indextoname(nIndex, szName), nullptr) << nIndex;
        EXPECT_NE(nIndex, nLoopback);
        const unsigned nFlags = InterfaceFlags(nIndex);
        EXPECT_EQ(nFlags & (IFF_UP | IFF_RUNNING | IFF_LOOPBACK), IFF_UP | IFF_RUNNING) << szName;
        EXPECT_TRUE(seen.insert(nIndex).second) << "listed twice: " << szName;
    }
}

TEST(NetworkInterfacesTest, LocalMacAddressIsAnAdapterAddress) {
    const std::vector<MacAddress> adapters = AdapterMacAddresses();
    const MacAddress mac = LocalMacAddress();
    if (adapters.empty()) {
        EXPECT_EQ(mac, MacAddress{});
        return;
    }
    EXPECT_NE(std::find(adapters.begin(), adapters.end(), mac), adapters.end());
    if (std::none_of(adapters.begin(), adapters.end(),
                     [](const MacAddress& a) { return a == MacAddress{}; })) {
        EXPECT_NE(mac, MacAddress{});
    }
}

// --- a private network namespace with chosen interfaces ---

struct NetworkOutcome {
    std::string strSkipReason;
    std::vector<unsigned> indexes;
    MacAddress mac{};
    std::vector<std::pair<std::string, unsigned>> names;
};

// The kernel turns a link's carrier into its operational state (IFF_RUNNING) a moment after
// "ip link set up", so scripts wait for it before the interfaces are looked at.
const char* const SHELL_PRELUDE = R"(set -e
wait_running() {
    for attempt in $(seq 100); do
        ip -o link show dev "$1" | grep -Eq 'state (UP|UNKNOWN)' && return 0
        sleep 0.05
    done
    echo "$1 does not come up" >&2
    return 1
}
)";

std::string RunShell(const std::string& strScript, int& nStatus) {
    std::string strOutput;
    FILE* pPipe = popen((SHELL_PRELUDE + strScript + "\n").c_str(), "r");
    if (pPipe == nullptr) {
        nStatus = -1;
        return "popen failed";
    }
    char buffer[256];
    size_t nRead;
    while ((nRead = fread(buffer, 1, sizeof buffer, pPipe)) > 0) {
        strOutput.append(buffer, nRead);
    }
    nStatus = pclose(pPipe);
    return strOutput;
}

// A tun device named "kvtun" with an IPv6 address: no hardware address, and running while the
// returned descriptor is open. -1 where tun devices are not available; the lists are then the same.
int OpenRunningTun() {
    const int nTun = open("/dev/net/tun", O_RDWR | O_CLOEXEC);
    if (nTun < 0) {
        return -1;
    }
    ifreq request{};
    std::strcpy(request.ifr_name, "kvtun");
    request.ifr_flags = IFF_TUN | IFF_NO_PI;
    int nStatus = -1;
    if (ioctl(nTun, TUNSETIFF, &request) == 0) {
        RunShell(
            "ip link set kvtun up && ip -6 addr add fd4b:7::1/64 dev kvtun nodad && wait_running kvtun 2>&1",
            nStatus);
    }
    if (nStatus != 0) {
        close(nTun);
        return -1;
    }
    return nTun;
}

// Runs the script and the functions under test on a thread of its own network namespace; the
// namespace and its interfaces go away with the thread. Needs root (CAP_NET_ADMIN, CAP_SYS_ADMIN).
NetworkOutcome InPrivateNetwork(const std::string& strScript, const std::vector<std::string>& interfaceNames,
                                bool bWithTun) {
    NetworkOutcome outcome;
    std::thread worker([&] {
        if (unshare(CLONE_NEWNET) != 0) {
            outcome.strSkipReason = std::string("cannot create a network namespace: ") + std::strerror(errno);
            return;
        }
        int nStatus = 0;
        const std::string strOutput = RunShell(strScript + " 2>&1", nStatus);
        if (nStatus != 0) {
            outcome.strSkipReason = "cannot build the test interfaces: " + strOutput;
            return;
        }
        const int nTun = bWithTun ? OpenRunningTun() : -1;
        outcome.indexes = ListIpv6InterfaceIndexes();
        outcome.mac = LocalMacAddress();
        for (const std::string& strName : interfaceNames) {
            outcome.names.emplace_back(strName, if_nametoindex(strName.c_str()));
        }
        if (nTun >= 0) {
            close(nTun);
        }
    });
    worker.join();
    return outcome;
}

unsigned IndexOf(const NetworkOutcome& outcome, const std::string& strName) {
    for (const auto& [strKnown, nIndex] : outcome.names) {
        if (strKnown == strName) {
            return nIndex;
        }
    }
    return 0;
}

// Two veth pairs carry IPv6 and are up on both ends; the others each miss one condition.
const char* const MIXED_INTERFACES = R"(
ip link set lo up
for name in kvwan kvdown kvnocarrier kvlan; do
    ip link add $name type veth peer name ${name}p
    ip link set $name addrgenmode none
    ip link set ${name}p addrgenmode none
done
ip link set kvwan address 02:4b:56:00:00:01
ip link set kvwanp address 02:4b:56:00:00:02
ip link set kvdown address 02:4b:56:00:00:03
ip link set kvdownp address 02:4b:56:00:00:04
ip link set kvnocarrier address 02:4b:56:00:00:05
ip link set kvnocarrierp address 02:4b:56:00:00:06
ip link set kvlan address 02:4b:56:00:00:09
ip link set kvlanp address 02:4b:56:00:00:09
ip -6 addr add fd4b::1/64 dev kvwan nodad
ip -6 addr add fd4b::2/64 dev kvwan nodad
ip -6 addr add fd4b:1::1/64 dev kvdown nodad
ip -6 addr add fd4b:2::1/64 dev kvnocarrier nodad
ip -6 addr add fd4b:4::1/64 dev kvlan nodad
ip link set kvwan up
ip link set kvwanp up
ip link set kvnocarrier up
ip link set kvlan up
ip link set kvlanp up
wait_running lo
wait_running kvwan
wait_running kvlan)";

TEST(NetworkInterfacesTest, ListsOnlyRunningHardwareInterfacesWithIpv6) {
    const NetworkOutcome outcome = InPrivateNetwork(
        MIXED_INTERFACES, {"kvwan", "kvwanp", "kvdown", "kvnocarrier", "kvlan", "kvtun"}, true);
    if (!outcome.strSkipReason.empty()) {
        KORVANE_TEST_NETWORK_UNAVAILABLE(outcome.strSkipReason);
    }
    const unsigned nWan = IndexOf(outcome, "kvwan");
    const unsigned nLan = IndexOf(outcome, "kvlan");
    ASSERT_NE(nWan, 0u);
    ASSERT_NE(nLan, 0u);
    ASSERT_LT(nWan, nLan);
    // Left out: lo (loopback), kvwanp (no IPv6), kvdown (down), kvnocarrier (not running), kvtun
    // (no hardware address). kvwan has two addresses and is listed once.
    EXPECT_EQ(outcome.indexes, (std::vector<unsigned>{nWan, nLan}));
}

TEST(NetworkInterfacesTest, LocalMacAddressTakesLastAdapter) {
    const NetworkOutcome outcome = InPrivateNetwork(MIXED_INTERFACES, {"kvtun"}, true);
    if (!outcome.strSkipReason.empty()) {
        KORVANE_TEST_NETWORK_UNAVAILABLE(outcome.strSkipReason);
    }
    // The last veth pair comes after all others; the tun device after it has no address to give.
    EXPECT_EQ(outcome.mac, (MacAddress{0x02, 0x4b, 0x56, 0x00, 0x00, 0x09}));
}

TEST(NetworkInterfacesTest, LoopbackAloneGivesNothing) {
    const NetworkOutcome outcome = InPrivateNetwork("ip link set lo up\nwait_running lo", {"lo"}, false);
    if (!outcome.strSkipReason.empty()) {
        KORVANE_TEST_NETWORK_UNAVAILABLE(outcome.strSkipReason);
    }
    ASSERT_NE(IndexOf(outcome, "lo"), 0u);
    // Loopback is up and running, has ::1 and a (zero) hardware address, and still does not count.
    EXPECT_TRUE(outcome.indexes.empty());
    EXPECT_EQ(outcome.mac, MacAddress{});
}

} // namespace
