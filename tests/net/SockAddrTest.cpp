#include "net/SockAddr.h"

#include "net/Resolver.h"
#include "net/SocketErrors.h"
#include "support/Trace.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <functional>
#include <iterator>
#include <net/if.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Zelt::CSocketError;
using Zelt::Net_StrToAddr;
using Zelt::resolve_hostname_inet;
using Zelt::resolve_hostname_inet6;
using Zelt::SetSockAddrIn;

constexpr unsigned char FILL = 0xA5;

sockaddr_storage FilledStorage() {
    sockaddr_storage storage;
    std::memset(&storage, FILL, sizeof storage);
    return storage;
}

const unsigned char* Bytes(const sockaddr_storage& storage) {
    return reinterpret_cast<const unsigned char*>(&storage);
}

bool AllZero(const sockaddr_storage& storage) {
    return std::all_of(Bytes(storage), Bytes(storage) + sizeof storage,
                       [](unsigned char b) { return b == 0; });
}

const sockaddr_in& AsInet(const sockaddr_storage& storage) {
    return *reinterpret_cast<const sockaddr_in*>(&storage);
}

const sockaddr_in6& AsInet6(const sockaddr_storage& storage) {
    return *reinterpret_cast<const sockaddr_in6*>(&storage);
}

std::string Text(const sockaddr_storage& storage) {
    char szText[INET6_ADDRSTRLEN] = "";
    if (storage.ss_family == AF_INET) {
        inet_ntop(AF_INET, &AsInet(storage).sin_addr, szText, sizeof szText);
    } else if (storage.ss_family == AF_INET6) {
        inet_ntop(AF_INET6, &AsInet6(storage).sin6_addr, szText, sizeof szText);
    }
    return szText;
}

// Collects the trace lines written while it lives.
class TraceCapture {
public:
    TraceCapture() {
        Zelt::SetTraceSink([this](std::string_view line) { m_lines.emplace_back(line); });
    }
    ~TraceCapture() { Zelt::SetTraceSink({}); }
    const std::vector<std::string>& Lines() const { return m_lines; }

private:
    std::vector<std::string> m_lines;
};

void ExpectAddressError(const std::function<void()>& call, const std::string& strMessage) {
    TraceCapture trace;
    try {
        call();
        ADD_FAILURE() << "no CSocketError, expected: " << strMessage;
    } catch (const CSocketError& error) {
        EXPECT_EQ(std::string(error.what()), strMessage);
        EXPECT_EQ(error.GetKind(), 12);
        EXPECT_EQ(trace.Lines(), std::vector<std::string>{strMessage + "\n"});
    }
}

// --- Net_StrToAddr ---

TEST(SockAddrTest, StrToAddrRefusesMissingArguments) {
    sockaddr_storage storage = FilledStorage();
    auto* pAddress = reinterpret_cast<sockaddr*>(&storage);
    ExpectAddressError([&] { Net_StrToAddr("", pAddress, 16, AF_INET); }, "Net_StrToAddr: Empty argument.");
    ExpectAddressError([&] { Net_StrToAddr({}, pAddress, 16, AF_INET); }, "Net_StrToAddr: Empty argument.");
    ExpectAddressError([&] { Net_StrToAddr("127.0.0.1", nullptr, 16, AF_INET); },
                       "Net_StrToAddr: Empty argument.");
    ExpectAddressError([&] { Net_StrToAddr("127.0.0.1", pAddress, 0, AF_INET); },
                       "Net_StrToAddr: Empty argument.");
    // The argument check comes before the size check.
    ExpectAddressError([&] { Net_StrToAddr("", pAddress, 8, AF_INET6); }, "Net_StrToAddr: Empty argument.");
    EXPECT_EQ(Bytes(storage)[0], FILL);
}

TEST(SockAddrTest, StrToAddrRefusesTooSmallOutputPerFamily) {
    sockaddr_storage storage = FilledStorage();
    auto* pAddress = reinterpret_cast<sockaddr*>(&storage);
    ExpectAddressError([&] { Net_StrToAddr("127.0.0.1", pAddress, 15, AF_INET); },
                       "Net_StrToAddr: (IPv4) Buffer too small.");
    ExpectAddressError([&] { Net_StrToAddr("::1", pAddress, 27, AF_INET6); },
                       "Net_StrToAddr: (IPv6) Buffer too small.");
    ExpectAddressError([&] { Net_StrToAddr("::1", pAddress, 16, AF_INET6); },
                       "Net_StrToAddr: (IPv6) Buffer too small.");
    EXPECT_EQ(Bytes(storage)[0], FILL);
}

TEST(SockAddrTest, StrToAddrReportsFailedLookup) {
    // Literals of the other family fail inside the resolver without asking any name server.
    sockaddr_storage storage = FilledStorage();
    auto* pAddress = reinterpret_cast<sockaddr*>(&storage);
    ExpectAddressError([&] { Net_StrToAddr("::1", pAddress, 16, AF_INET); },
                       "Net_StrToAddr: getaddrinfo() failed.");
    ExpectAddressError([&] { Net_StrToAddr("127.0.0.1", pAddress, 28, AF_INET6); },
                       "Net_StrToAddr: getaddrinfo() failed.");
    EXPECT_EQ(Bytes(storage)[0], FILL);
}

TEST(SockAddrTest, StrToAddrCopiesRequestedLength) {
    sockaddr_storage storage = FilledStorage();
    Net_StrToAddr("127.0.0.1", reinterpret_cast<sockaddr*>(&storage), 16, AF_INET);
    EXPECT_EQ(storage.ss_family, AF_INET);
    EXPECT_EQ(Text(storage), "127.0.0.1");
    EXPECT_EQ(AsInet(storage).sin_port, 0);
    EXPECT_EQ(Bytes(storage)[16], FILL);

    // Beyond the result's own 16 bytes the output is zero, not whatever lies behind it.
    storage = FilledStorage();
    Net_StrToAddr("10.1.2.3", reinterpret_cast<sockaddr*>(&storage), sizeof storage - 8, AF_INET);
    EXPECT_EQ(Text(storage), "10.1.2.3");
    EXPECT_TRUE(std::all_of(Bytes(storage) + 16, Bytes(storage) + sizeof storage - 8,
                            [](unsigned char b) { return b == 0; }));
    EXPECT_EQ(Bytes(storage)[sizeof storage - 8], FILL);
}

TEST(SockAddrTest, StrToAddrTakesEitherFamilyWhenUnspecified) {
    sockaddr_storage storage = FilledStorage();
    Net_StrToAddr("::1", reinterpret_cast<sockaddr*>(&storage), 28, 0);
    EXPECT_EQ(storage.ss_family, AF_INET6);
    EXPECT_EQ(Text(storage), "::1");
    EXPECT_EQ(Bytes(storage)[28], FILL);

    Net_StrToAddr("localhost", reinterpret_cast<sockaddr*>(&storage), 16, AF_INET);
    EXPECT_EQ(storage.ss_family, AF_INET);
    EXPECT_EQ(Bytes(storage)[4], 127); // first byte of sin_addr
}

TEST(SockAddrTest, StrToAddrKeepsZoneAsScopeId) {
    sockaddr_storage storage = FilledStorage();
    Net_StrToAddr("fe80::1%lo", reinterpret_cast<sockaddr*>(&storage), 28, AF_INET6);
    EXPECT_EQ(Text(storage), "fe80::1");
    EXPECT_EQ(AsInet6(storage).sin6_scope_id, if_nametoindex("lo"));
}

// --- SetSockAddrIn ---

TEST(SockAddrTest, SetSockAddrInBuildsIpv4Address) {
    sockaddr_storage storage = FilledStorage();
    SetSockAddrIn(storage, "192.168.000.001", 51055);
    EXPECT_EQ(AsInet(storage).sin_family, AF_INET);
    EXPECT_EQ(ntohs(AsInet(storage).sin_port), 51055);
    EXPECT_EQ(Text(storage), "192.168.0.1");
    EXPECT_TRUE(std::all_of(Bytes(storage) + 8, Bytes(storage) + sizeof storage,
                            [](unsigned char b) { return b == 0; }));
}

TEST(SockAddrTest, SetSockAddrInBuildsIpv6Address) {
    sockaddr_storage storage = FilledStorage();
    SetSockAddrIn(storage, "::ffff:192.168.0.1", 65);
    EXPECT_EQ(AsInet6(storage).sin6_family, AF_INET6);
    EXPECT_EQ(ntohs(AsInet6(storage).sin6_port), 65);
    EXPECT_EQ(Text(storage), "::ffff:192.168.0.1");
    EXPECT_EQ(AsInet6(storage).sin6_flowinfo, 0u);
    EXPECT_EQ(AsInet6(storage).sin6_scope_id, 0u);
    EXPECT_TRUE(std::all_of(Bytes(storage) + 28, Bytes(storage) + sizeof storage,
                            [](unsigned char b) { return b == 0; }));

    SetSockAddrIn(storage, "fe80::1%lo", 51054);
    EXPECT_EQ(Text(storage), "fe80::1");
    EXPECT_EQ(ntohs(AsInet6(storage).sin6_port), 51054);
    EXPECT_EQ(AsInet6(storage).sin6_scope_id, if_nametoindex("lo"));
}

TEST(SockAddrTest, SetSockAddrInGivesZeroForNamesAndBadText) {
    // "localhost" resolves, but a name is not an address literal.
    for (const char* pszText : {"localhost", "", "1.2.3.4.5", "256.1.1.1", "1:::2", "nas-01"}) {
        sockaddr_storage storage = FilledStorage();
        SetSockAddrIn(storage, pszText, 51055);
        EXPECT_TRUE(AllZero(storage)) << pszText;
    }
}

TEST(SockAddrTest, SetSockAddrInSwallowsFailedConversion) {
    // An IPv6 literal by its text, but its zone names no interface: the resolver refuses it.
    TraceCapture trace;
    sockaddr_storage storage = FilledStorage();
    SetSockAddrIn(storage, "fe80::1%kvnosuchif0", 51055);
    EXPECT_TRUE(AllZero(storage));
    EXPECT_EQ(trace.Lines(), std::vector<std::string>{"Net_StrToAddr: getaddrinfo() failed.\n"});
}

class Socket {
public:
    explicit Socket(int nFamily) : m_nHandle(socket(nFamily, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {}
    ~Socket() {
        if (m_nHandle >= 0) {
            close(m_nHandle);
        }
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int Handle() const { return m_nHandle; }

private:
    int m_nHandle;
};

// Sends one datagram to the address SetSockAddrIn builds for the receiver's port.
void ExpectDatagramArrives(int nFamily, const char* pszAddress) {
    const Socket receiver(nFamily);
    const Socket sender(nFamily);
    if (receiver.Handle() < 0 || sender.Handle() < 0) {
        GTEST_SKIP() << "no datagram sockets of family " << nFamily << ": " << std::strerror(errno);
    }
    sockaddr_storage local;
    SetSockAddrIn(local, pszAddress, 0);
    const socklen_t nLength = nFamily == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
    const timeval limit{5, 0};
    ASSERT_EQ(setsockopt(receiver.Handle(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit), 0);
    ASSERT_EQ(bind(receiver.Handle(), reinterpret_cast<sockaddr*>(&local), nLength), 0)
        << std::strerror(errno);
    socklen_t nBound = sizeof local;
    ASSERT_EQ(getsockname(receiver.Handle(), reinterpret_cast<sockaddr*>(&local), &nBound), 0);
    const uint16_t nPort = ntohs(nFamily == AF_INET ? AsInet(local).sin_port : AsInet6(local).sin6_port);
    ASSERT_NE(nPort, 0);

    sockaddr_storage target;
    SetSockAddrIn(target, pszAddress, nPort);
    ASSERT_EQ(sendto(sender.Handle(), "ping", 4, 0, reinterpret_cast<sockaddr*>(&target), nLength), 4)
        << std::strerror(errno);
    char buffer[8] = {};
    EXPECT_EQ(recv(receiver.Handle(), buffer, sizeof buffer, 0), 4);
    EXPECT_STREQ(buffer, "ping");
}

TEST(SockAddrTest, SetSockAddrInAddressReachesIpv4Socket) {
    ExpectDatagramArrives(AF_INET, "127.0.0.1");
}

TEST(SockAddrTest, SetSockAddrInAddressReachesIpv6Socket) {
    ExpectDatagramArrives(AF_INET6, "::1");
}

// --- resolvers ---

class ResolverTest : public ::testing::Test {
protected:
    TraceCapture m_trace;
    char m_szOutput[80];

    void SetUp() override { std::memset(m_szOutput, 'x', sizeof m_szOutput); }
    bool OutputUntouched() const {
        return std::all_of(std::begin(m_szOutput), std::end(m_szOutput), [](char ch) { return ch == 'x'; });
    }
};

TEST_F(ResolverTest, ResolvesLocalhostToLoopback) {
    ASSERT_EQ(resolve_hostname_inet("localhost", m_szOutput, 22), 0);
    in_addr address{};
    ASSERT_EQ(inet_pton(AF_INET, m_szOutput, &address), 1) << m_szOutput;
    EXPECT_EQ(ntohl(address.s_addr) >> 24, 127u) << m_szOutput;
    EXPECT_EQ(m_trace.Lines(), std::vector<std::string>{"resolve_hostname_inet: resolved address=" +
                                                        std::string(m_szOutput) + "\n"});
}

TEST_F(ResolverTest, ResolvesIpv4Literals) {
    EXPECT_EQ(resolve_hostname_inet("127.0.0.1", m_szOutput, sizeof m_szOutput), 0);
    EXPECT_STREQ(m_szOutput, "127.0.0.1");
    EXPECT_EQ(resolve_hostname_inet("192.0.2.200", m_szOutput, sizeof m_szOutput), 0);
    EXPECT_STREQ(m_szOutput, "192.0.2.200");
}

TEST_F(ResolverTest, ResolvesIpv6LiteralsWithoutZone) {
    EXPECT_EQ(resolve_hostname_inet6("::1", m_szOutput, 65), 0);
    EXPECT_STREQ(m_szOutput, "::1");
    EXPECT_EQ(resolve_hostname_inet6("FE80:0:0::0001%lo", m_szOutput, 65), 0);
    EXPECT_STREQ(m_szOutput, "fe80::1");
    EXPECT_EQ(resolve_hostname_inet6("::ffff:192.0.2.7", m_szOutput, 65), 0);
    EXPECT_STREQ(m_szOutput, "::ffff:192.0.2.7");
    EXPECT_EQ(m_trace.Lines(),
              (std::vector<std::string>{"resolve_hostname_inet6: resolved address=::1\n",
                                        "resolve_hostname_inet6: resolved address=fe80::1\n",
                                        "resolve_hostname_inet6: resolved address=::ffff:192.0.2.7\n"}));
}

TEST_F(ResolverTest, RefusesSmallBuffersWithoutTouchingThem) {
    EXPECT_EQ(resolve_hostname_inet("127.0.0.1", m_szOutput, 21), -1);
    EXPECT_EQ(resolve_hostname_inet("127.0.0.1", m_szOutput, 0), -1);
    EXPECT_EQ(resolve_hostname_inet6("::1", m_szOutput, 64), -1);
    EXPECT_TRUE(OutputUntouched());
    EXPECT_TRUE(m_trace.Lines().empty());

    EXPECT_EQ(resolve_hostname_inet("127.0.0.1", m_szOutput, 22), 0);
    EXPECT_EQ(resolve_hostname_inet6("::1", m_szOutput, 65), 0);
}

TEST_F(ResolverTest, FailsWithoutTouchingOutput) {
    EXPECT_EQ(resolve_hostname_inet("", m_szOutput, sizeof m_szOutput), -1);
    EXPECT_EQ(resolve_hostname_inet6({}, m_szOutput, sizeof m_szOutput), -1);
    EXPECT_EQ(resolve_hostname_inet("127.0.0.1", nullptr, sizeof m_szOutput), -1);
    // Literals of the other family: the lookup fails without a name server.
    EXPECT_EQ(resolve_hostname_inet("::1", m_szOutput, sizeof m_szOutput), -1);
    EXPECT_EQ(resolve_hostname_inet6("127.0.0.1", m_szOutput, sizeof m_szOutput), -1);
    EXPECT_EQ(resolve_hostname_inet6("fe80::1%kvnosuchif0", m_szOutput, sizeof m_szOutput), -1);
    EXPECT_TRUE(OutputUntouched());
    EXPECT_TRUE(m_trace.Lines().empty());
}

} // namespace
