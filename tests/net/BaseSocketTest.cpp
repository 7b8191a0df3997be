#include "net/BaseSocket.h"
#include "net/SocketErrors.h"

#include <fcntl.h>
#include <functional>
#include <netinet/in.h>
#include <string>
#include <sys/ioctl.h>

#include <gtest/gtest.h>

using namespace Zelt;

namespace {

int IntOption(int fd, int nLevel, int nOption) {
    int nValue = -1;
    socklen_t nLength = sizeof nValue;
    getsockopt(fd, nLevel, nOption, &nValue, &nLength);
    return nValue;
}

std::string MessageOf(const std::function<void()>& action, int nExpectedKind) {
    try {
        action();
    } catch (const CSocketError& error) {
        EXPECT_EQ(error.GetKind(), nExpectedKind) << error.what();
        return error.what();
    }
    return "no error";
}

} // namespace

TEST(BaseSocket, AnUnspecifiedFamilyOpensBothSocketsKeptApartAndReusable) {
    CBaseSocket socket(SOCKET_KIND_DATAGRAM, AF_UNSPEC);
    socket.OpenSocket();
    const int nIPv4 = socket.GetSocket(AF_INET);
    const int nIPv6 = socket.GetSocket(AF_INET6);
    ASSERT_GE(nIPv4, 0);
    ASSERT_GE(nIPv6, 0);
    EXPECT_EQ(IntOption(nIPv6, IPPROTO_IPV6, IPV6_V6ONLY), 1);
    EXPECT_EQ(IntOption(nIPv4, SOL_SOCKET, SO_REUSEADDR), 1);
    EXPECT_EQ(IntOption(nIPv6, SOL_SOCKET, SO_REUSEADDR), 1);
    EXPECT_EQ(IntOption(nIPv4, SOL_SOCKET, SO_TYPE), SOCK_DGRAM);
    socket.Close();
    EXPECT_EQ(socket.GetSocket(AF_INET), INVALID_SOCKET_HANDLE);
    EXPECT_EQ(socket.GetSocket(AF_INET6), INVALID_SOCKET_HANDLE);
}

TEST(BaseSocket, OneFamilyOpensOneStreamSocket) {
    CBaseSocket socket(SOCKET_KIND_STREAM, AF_INET);
    socket.OpenSocket();
    EXPECT_EQ(socket.GetSocket(AF_INET6), INVALID_SOCKET_HANDLE);
    EXPECT_EQ(IntOption(socket.GetSocket(AF_INET), SOL_SOCKET, SO_TYPE), SOCK_STREAM);
    socket.IoCtlSocket(FIONBIO, 1);
    EXPECT_NE(fcntl(socket.GetSocket(AF_INET), F_GETFL) & O_NONBLOCK, 0);
    socket.IoCtlSocket(FIONBIO, 0);
    EXPECT_EQ(fcntl(socket.GetSocket(AF_INET), F_GETFL) & O_NONBLOCK, 0);
}

TEST(BaseSocket, OptionAndBindFailuresCarryTheirKindAndText) {
    CBaseSocket socket(SOCKET_KIND_DATAGRAM, AF_INET);
    socket.OpenSocket();
    const int nOn = 1;
    EXPECT_EQ(
        MessageOf([&] { socket.SetSockOpt(SOL_SOCKET, SO_BROADCAST, &nOn, sizeof nOn); }, SOCKET_KIND_OPTION),
        "CBaseSocket::SetSockOpt: (UNKNOWN) unsupported level.\n");
    // The IPv6 socket is not open: the option cannot be set on it.
    EXPECT_EQ(MessageOf([&] { socket.SetSockOpt(IPPROTO_IPV6, IPV6_MULTICAST_HOPS, &nOn, sizeof nOn); },
                        SOCKET_KIND_OPTION)
                  .rfind("CBaseSocket::SetSockOpt: (IPv6) setsockopt failed.\nWSAEBADF: ", 0),
              0u);
    EXPECT_EQ(MessageOf([&] { socket.Bind("ks-01", 1); }, SOCKET_KIND_BIND),
              "CBaseSocket::Bind: (UNKNOWN) Socket Bind Error!");
    sockaddr unknown{};
    unknown.sa_family = AF_UNIX;
    EXPECT_EQ(MessageOf([&] { socket.Bind(&unknown, sizeof unknown); }, SOCKET_KIND_BIND),
              "CBaseSocket::Bind: (UNKNOWN) address family 1 is not supported.\n");
    // 192.0.2.1 is not an address of this machine.
    EXPECT_EQ(
        MessageOf([&] { socket.Bind("192.0.2.1", 0); }, SOCKET_KIND_BIND),
        "CBaseSocket::Bind: WSAEADDRNOTAVAIL: Cannot assign requested address.\n(IPv4) Socket Bind Error!");
    socket.Bind("127.0.0.1", 0);
    EXPECT_NE(
        MessageOf([&] { socket.Bind("127.0.0.1", 0); }, SOCKET_KIND_BIND).find("(IPv4) Socket Bind Error!"),
        std::string::npos);
}

TEST(BaseSocket, ReceiveAndSendFailuresAreSocketErrors) {
    CBaseSocket socket(SOCKET_KIND_STREAM, AF_INET);
    socket.OpenSocket();
    char buffer[4];
    EXPECT_EQ(MessageOf([&] { socket.Recv(socket.GetSocket(AF_INET), buffer, sizeof buffer); },
                        SOCKET_KIND_RECEIVE),
              "CBaseSocket::Recv: ReceiveData Error!");
    EXPECT_EQ(MessageOf([&] { socket.Send(socket.GetSocket(AF_INET), "x", 1); }, SOCKET_KIND_SEND),
              "CBaseSocket::Send: SendData Error!");
}
