#include "LoopbackPeers.h"
#include "net/DtgmCltSocket.h"
#include "net/DtgmSrvSocket.h"
#include "net/SocketErrors.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <set>
#include <thread>

#include <gtest/gtest.h>

using namespace Zelt;
using NetTesting::SendDatagram;
using Clock = std::chrono::steady_clock;

namespace {

constexpr size_t kDatagramSize = 54;

// A datagram server on a free port of 127.0.0.1 and the wildcard addresses.
struct Server {
    uint16_t nPort = NetTesting::UnusedUdpPort();
    CancelEventPtr cancel = std::make_shared<CancelEvent>();
    CDtgmSrvSocket socket;

    explicit Server(int nFamily = AF_INET, int nWait = 1000)
        : socket(0, kDatagramSize, nFamily, cancel, nWait) {
        socket.Open(nPort);
    }

    std::string Read(int nConnection, size_t nSize = kDatagramSize) {
        std::string buffer(nSize, '\0');
        buffer.resize(socket.Read(nConnection, buffer.data(), buffer.size()));
        return buffer;
    }
};

} // namespace

TEST(DatagramServer, TwoDatagramsFromOnePeerAreOneConnection) {
    Server server;
    SendDatagram("127.0.0.2", server.nPort, "first");
    SendDatagram("127.0.0.2", server.nPort, "second");
    const int nConnection = server.socket.Accept();
    EXPECT_EQ(server.Read(nConnection), "first");
    EXPECT_EQ(server.Read(nConnection), "second");
    try {
        server.socket.Accept();
        FAIL() << "the second datagram made a second connection";
    } catch (const CSocketTimeOut& timeOut) {
        EXPECT_EQ(timeOut.GetKind(), SOCKET_KIND_ACCEPT);
    }
}

TEST(DatagramServer, DatagramsFromTwoPeersAreTwoConnections) {
    Server server;
    SendDatagram("127.0.0.2", server.nPort, "from two");
    SendDatagram("127.0.0.3", server.nPort, "from three");
    const int nFirst = server.socket.Accept();
    const int nSecond = server.socket.Accept();
    EXPECT_NE(nFirst, nSecond);
    EXPECT_EQ(server.Read(nFirst), "from two");
    EXPECT_EQ(server.Read(nSecond), "from three");
}

TEST(DatagramServer, AReadWaitsForItsOwnPeerWhileOthersSend) {
    Server server(AF_INET, 3000);
    SendDatagram("127.0.0.2", server.nPort, "hello");
    const int nConnection = server.socket.Accept();
    EXPECT_EQ(server.Read(nConnection), "hello");
    std::thread peers([&] {
        SendDatagram("127.0.0.3", server.nPort, "someone else");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        SendDatagram("127.0.0.2", server.nPort, "mine");
    });
    EXPECT_EQ(server.Read(nConnection), "mine");
    peers.join();
    const int nOther = server.socket.Accept();
    EXPECT_NE(nOther, nConnection);
    EXPECT_EQ(server.Read(nOther), "someone else");
}

TEST(DatagramServer, AnOversizeDatagramIsNotDeliveredWhole) {
    Server server;
    SendDatagram("127.0.0.2", server.nPort, std::string(100, 'x'));
    const int nConnection = server.socket.Accept();
    EXPECT_EQ(server.Read(nConnection, 200), std::string(kDatagramSize, 'x'));
}

TEST(DatagramServer, AcceptTimesOutAndACancelEndsItPromptly) {
    Server server(AF_INET, 1000);
    const Clock::time_point start = Clock::now();
    EXPECT_THROW(server.socket.Accept(), CSocketTimeOut);
    EXPECT_GE(std::chrono::duration<double>(Clock::now() - start).count(), 1.49);

    Server patient(AF_INET, 30000);
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        patient.cancel->Set();
    });
    const Clock::time_point cancelStart = Clock::now();
    EXPECT_THROW(patient.socket.Accept(), CSocketEvent);
    canceller.join();
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - cancelStart).count(), 1.0);
}

TEST(DatagramServer, ClosedConnectionsAreReusedAndCanBeWrittenTo) {
    Server server;
    CDtgmCltSocket client(0, AF_INET, nullptr, 1000);
    client.Open("127.0.0.1", server.nPort);
    ASSERT_EQ(client.Write("ping", 4), 4u);
    const int nConnection = server.socket.Accept();
    EXPECT_EQ(server.Read(nConnection), "ping");
    EXPECT_EQ(server.socket.Write(nConnection, "pong", 4), 4u);
    char reply[8];
    sockaddr_storage source{};
    socklen_t nLength = 0;
    ASSERT_EQ(client.Read(reply, sizeof reply, &source, &nLength), 4u);
    EXPECT_EQ(std::string(reply, 4), "pong");
    EXPECT_EQ(ntohs(reinterpret_cast<sockaddr_in&>(source).sin_port), server.nPort);

    server.socket.Close(nConnection);
    EXPECT_THROW(server.Read(nConnection), CSocketError);
    ASSERT_EQ(client.Write("again", 5), 5u);
    EXPECT_EQ(server.socket.Accept(), nConnection) << "a closed connection's slot is reused";
    EXPECT_EQ(server.Read(nConnection), "again");
}

TEST(DatagramServer, BothFamiliesAreServedOnOnePort) {
    Server server(AF_UNSPEC);
    CDtgmCltSocket client6(0, AF_INET6, nullptr, 1000);
    client6.Open("::1", server.nPort);
    ASSERT_EQ(client6.Write("six", 3), 3u);
    SendDatagram("127.0.0.2", server.nPort, "four");
    std::set<std::string> received;
    for (int i = 0; i < 2; ++i) {
        received.insert(server.Read(server.socket.Accept()));
    }
    EXPECT_EQ(received, (std::set<std::string>{"six", "four"}));
}
