#include "LoopbackPeers.h"
#include "net/SocketErrors.h"
#include "net/StrmCltSocket.h"
#include "support/Trace.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <optional>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

using namespace Zelt;
using NetTesting::TcpListener;
using Clock = std::chrono::steady_clock;

namespace {

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Sets the event from another thread after a short delay, as a progress dialog would.
class DelayedCancel {
public:
    explicit DelayedCancel(CancelEventPtr event)
        : m_thread([event] {
              std::this_thread::sleep_for(std::chrono::milliseconds(200));
              event->Set();
          }) {}
    ~DelayedCancel() { m_thread.join(); }

private:
    std::thread m_thread;
};

std::string ReadExactly(CStrmCltSocket& socket, size_t nLength) {
    std::string text;
    char buffer[256];
    while (text.size() < nLength) {
        const size_t nRead =
            socket.Read(buffer, std::min(sizeof buffer, nLength - text.size()), nullptr, nullptr);
        if (nRead == 0) {
            break;
        }
        text.append(buffer, nRead);
    }
    return text;
}

// Fills the accept queue of a listener that never accepts; later SYNs go unanswered.
std::vector<std::unique_ptr<CStrmCltSocket>> FillAcceptQueue(const TcpListener& stuck) {
    std::vector<std::unique_ptr<CStrmCltSocket>> fillers;
    for (int i = 0; i < 4; ++i) {
        fillers.push_back(std::make_unique<CStrmCltSocket>(AF_INET, nullptr, 0));
        try {
            fillers.back()->Open("127.0.0.1", stuck.Port());
        } catch (const CSocketTimeOut&) {
        }
    }
    return fillers;
}

} // namespace

TEST(StreamClient, ConnectsWritesAndReadsOverIPv4AndIPv6Loopback) {
    for (const char* pszAddress : {"127.0.0.1", "::1"}) {
        TcpListener listener(pszAddress);
        listener.StartEcho();
        CStrmCltSocket socket(AF_INET, nullptr, 3000);
        socket.Open(pszAddress, listener.Port());
        const std::string message = "00RX and some payload";
        EXPECT_EQ(socket.Write(message.data(), message.size()), message.size());
        sockaddr_storage source{};
        socklen_t nSourceLength = 0;
        char first = 0;
        ASSERT_EQ(socket.Read(&first, 1, &source, &nSourceLength), 1u);
        EXPECT_EQ(first, '0');
        EXPECT_EQ(nSourceLength, sizeof(sockaddr_storage));
        EXPECT_EQ(source.ss_family, std::string(pszAddress) == "::1" ? AF_INET6 : AF_INET);
        EXPECT_EQ(ReadExactly(socket, message.size() - 1), message.substr(1));
    }
}

TEST(StreamClient, TracesTheStepsOfOpen) {
    std::vector<std::string> lines;
    std::mutex mutex;
    SetTraceSink([&](std::string_view line) {
        std::lock_guard lock(mutex);
        lines.emplace_back(line);
    });
    TcpListener listener;
    listener.StartEcho();
    CStrmCltSocket socket(AF_INET, nullptr, 3000);
    socket.Open("127.0.0.1", listener.Port());
    SetTraceSink(nullptr);
    EXPECT_EQ(lines, (std::vector<std::string>{"CStrmCltSocket::Open: SetSockAddrIn() OK.\n",
                                               "CStrmCltSocket::Open: OpenSocket() OK.\n",
                                               "CClientSocket::Connect(): OK.\n",
                                               "CStrmCltSocket::Open: Connect() OK.\n"}));
}

TEST(StreamClient, AReadAfterThePeerClosedReturnsZero) {
    TcpListener listener;
    listener.StartAcceptAndClose();
    CStrmCltSocket socket(AF_INET, nullptr, 3000);
    socket.Open("127.0.0.1", listener.Port());
    char buffer[16];
    EXPECT_EQ(socket.Read(buffer, sizeof buffer, nullptr, nullptr), 0u);
}

TEST(StreamClient, ARefusedConnectionIsAConnectErrorNotSuccessNorATimeOut) {
    const uint16_t nPort = NetTesting::UnusedTcpPort();
    CStrmCltSocket socket(AF_INET, nullptr, 3000);
    const Clock::time_point start = Clock::now();
    try {
        socket.Open("127.0.0.1", nPort);
        FAIL() << "connected to a port nobody listens on";
    } catch (const CSocketError& error) {
        EXPECT_EQ(error.GetKind(), SOCKET_KIND_CONNECT);
        EXPECT_NE(std::string(error.what()).find("Socket Connect Error!"), std::string::npos);
        EXPECT_NE(std::string(error.what()).find("WSAECONNREFUSED"), std::string::npos) << error.what();
    }
    EXPECT_LT(SecondsSince(start), 1.0);
}

TEST(StreamClient, APeerThatNeverAcceptsEndsAsAConnectTimeOutAfterTheRoundedLimit) {
    TcpListener stuck("127.0.0.1", 0);
    const auto fillers = FillAcceptQueue(stuck);
    CStrmCltSocket socket(AF_INET, nullptr, 1000);
    const Clock::time_point start = Clock::now();
    try {
        socket.Open("127.0.0.1", stuck.Port());
        FAIL() << "connected to a listener whose queue is full";
    } catch (const CSocketTimeOut& timeOut) {
        EXPECT_EQ(timeOut.GetKind(), SOCKET_KIND_CONNECT);
        EXPECT_STREQ(timeOut.what(), "Socket TimeOut Error!");
    }
    EXPECT_GE(SecondsSince(start), 1.49);
    EXPECT_LT(SecondsSince(start), 2.5);
}

TEST(StreamClient, ACancelDuringConnectEndsItPromptly) {
    TcpListener stuck("127.0.0.1", 0);
    const auto fillers = FillAcceptQueue(stuck);
    auto event = std::make_shared<CancelEvent>();
    CStrmCltSocket socket(AF_INET, event, 30000);
    const Clock::time_point start = Clock::now();
    {
        DelayedCancel cancel(event);
        EXPECT_THROW(socket.Open("127.0.0.1", stuck.Port()), CSocketEvent);
    }
    EXPECT_LT(SecondsSince(start), 1.0);
}

TEST(StreamClient, ACancelDuringReadEndsItPromptlyEvenWhileDataArrives) {
    for (bool bFlood : {false, true}) {
        TcpListener listener;
        bFlood ? listener.StartFlood() : listener.StartEcho();
        auto event = std::make_shared<CancelEvent>();
        CStrmCltSocket socket(AF_INET, event, 30000);
        socket.Open("127.0.0.1", listener.Port());
        const Clock::time_point start = Clock::now();
        DelayedCancel cancel(event);
        char buffer[1];
        EXPECT_THROW(
            while (true) { socket.Read(buffer, sizeof buffer, nullptr, nullptr); }, CSocketEvent)
            << (bFlood ? "with a flooding peer" : "with a silent peer");
        EXPECT_LT(SecondsSince(start), 1.0);
    }
}

TEST(StreamClient, WritingToAPeerThatNeverReadsEndsAtTheLimitOrAtOnceOnCancel) {
    for (bool bCancel : {false, true}) {
        TcpListener listener; // accepts nothing, so reads nothing
        auto event = std::make_shared<CancelEvent>();
        CStrmCltSocket socket(AF_INET, event, bCancel ? 30000 : 1000);
        socket.Open("127.0.0.1", listener.Port());
        const std::string block(65536, 'x');
        const Clock::time_point start = Clock::now();
        std::optional<DelayedCancel> cancel;
        if (bCancel) {
            cancel.emplace(event);
        }
        try {
            while (true) {
                socket.Write(block.data(), block.size());
            }
        } catch (const CSocketTimeOut& timeOut) {
            EXPECT_FALSE(bCancel);
            EXPECT_EQ(timeOut.GetKind(), SOCKET_KIND_SEND);
            EXPECT_GE(SecondsSince(start), 1.49) << "the rounded limit";
        } catch (const CSocketEvent&) {
            EXPECT_TRUE(bCancel);
        }
        EXPECT_LT(SecondsSince(start), bCancel ? 1.0 : 3.0);
    }
}

TEST(StreamClient, AReadWithoutDataTimesOutAsAReceiveTimeOut) {
    TcpListener listener;
    listener.StartEcho();
    CStrmCltSocket socket(AF_INET, nullptr, 1000);
    socket.Open("127.0.0.1", listener.Port());
    char buffer[4];
    try {
        socket.Read(buffer, sizeof buffer, nullptr, nullptr);
        FAIL() << "read returned without data";
    } catch (const CSocketTimeOut& timeOut) {
        EXPECT_EQ(timeOut.GetKind(), SOCKET_KIND_RECEIVE);
    }
}

TEST(StreamClient, AHostNameIsRefusedAsAnUnspecifiedFamily) {
    CStrmCltSocket socket(AF_INET, nullptr, 3000);
    try {
        socket.Open("localhost", 80);
        FAIL() << "a host name was accepted";
    } catch (const CSocketError& error) {
        EXPECT_EQ(error.GetKind(), SOCKET_KIND_CONNECT);
        EXPECT_STREQ(error.what(), "CBaseSocket::Connect: (UNSPEC) Socket Connect Error!\n");
    }
}

TEST(StreamClient, WritingToAClosedPeerIsAnErrorNotASignal) {
    TcpListener listener;
    listener.StartAcceptAndClose();
    CStrmCltSocket socket(AF_INET, nullptr, 3000);
    socket.Open("127.0.0.1", listener.Port());
    char buffer[1];
    ASSERT_EQ(socket.Read(buffer, 1, nullptr, nullptr), 0u);
    const std::string block(65536, 'x');
    EXPECT_THROW(
        for (int i = 0; i < 100; ++i) { socket.Write(block.data(), block.size()); }, CSocketError);
}
