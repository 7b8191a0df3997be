#include "net/WaitSet.h"

#include "net/CancelEvent.h"
#include "net/DatagramQueue.h"

#include <atomic>
#include <chrono>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace Zelt;
using Clock = std::chrono::steady_clock;

namespace {

// A connected pair of stream sockets; closes both at the end.
struct SocketPair {
    int fds[2] = {-1, -1};
    SocketPair() { socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds); }
    ~SocketPair() {
        close(fds[0]);
        close(fds[1]);
    }
    void MakeReadable(int nSide) { ASSERT_EQ(send(fds[1 - nSide], "x", 1, 0), 1); }
};

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

TEST(WaitSetLimits, LimitsAreRoundedUpToWholePassesOfOneAndAHalfSeconds) {
    SocketPair pair;
    for (const auto& [nLimit, dExpected] : {std::pair{1000, 1.5}, std::pair{1501, 3.0}}) {
        WaitSet waitSet;
        waitSet.AddSocket(pair.fds[0]);
        const Clock::time_point start = Clock::now();
        EXPECT_EQ(waitSet.Wait(nLimit, true, false, false), 0);
        const double dElapsed = SecondsSince(start);
        EXPECT_GE(dElapsed, dExpected - 0.01) << "limit " << nLimit;
        EXPECT_LT(dElapsed, dExpected + 0.5) << "limit " << nLimit;
        EXPECT_EQ(waitSet.ReadySocket(), -1);
        EXPECT_EQ(waitSet.GetSocketCondition(pair.fds[0]), WAIT_NONE);
    }
}

TEST(WaitSetLimits, ZeroLimitChecksOnceWithoutWaiting) {
    SocketPair pair;
    WaitSet waitSet;
    waitSet.AddSocket(pair.fds[0]);
    EXPECT_EQ(waitSet.Wait(0, true, false, false), 0);
    pair.MakeReadable(0);
    EXPECT_EQ(waitSet.Wait(0, true, false, false), 1);
    EXPECT_EQ(waitSet.GetSocketCondition(pair.fds[0]), WAIT_READABLE);
}

TEST(WaitSetEvents, AnEventThatIsAlreadySetEndsTheWaitAtOnce) {
    SocketPair pair;
    auto event = std::make_shared<CancelEvent>();
    event->Set();
    WaitSet waitSet;
    waitSet.AddSocket(pair.fds[0]);
    waitSet.AddEvent(event);
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(waitSet.Wait(30000, true, false, false), 1);
    EXPECT_LT(SecondsSince(start), 0.5);
    EXPECT_EQ(waitSet.GetHandleCondition(event->Handle()), WAIT_READABLE);
    EXPECT_EQ(waitSet.GetSocketCondition(pair.fds[0]), WAIT_NONE);
    EXPECT_TRUE(event->IsSet()) << "waiting must not consume a manual-reset event";
    event->Reset();
    EXPECT_FALSE(event->IsSet());
    EXPECT_EQ(waitSet.Wait(0, true, false, false), 0);
}

TEST(WaitSetEvents, ACancelIsSeenWhileAPeerKeepsSending) {
    SocketPair pair;
    auto event = std::make_shared<CancelEvent>();
    std::atomic<bool> bStop{false};
    std::thread sender([&] {
        while (!bStop) {
            send(pair.fds[1], "data", 4, MSG_NOSIGNAL | MSG_DONTWAIT);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    WaitSet waitSet;
    waitSet.AddSocket(pair.fds[0]);
    waitSet.AddEvent(event);
    const Clock::time_point start = Clock::now();
    bool bCancelled = false;
    for (int nRound = 0; nRound < 100000 && !bCancelled && SecondsSince(start) < 5; ++nRound) {
        ASSERT_EQ(waitSet.Wait(30000, true, false, false), 1);
        if (waitSet.GetHandleCondition(event->Handle()) == WAIT_READABLE) {
            bCancelled = true;
        } else {
            char buffer[64];
            recv(pair.fds[0], buffer, sizeof buffer, 0);
            if (nRound == 20) {
                event->Set();
            }
        }
    }
    bStop = true;
    sender.join();
    EXPECT_TRUE(bCancelled);
    EXPECT_LT(SecondsSince(start), 1.0);
}

TEST(WaitSetPrecedence, EventThenQueueThenSocketsInOrderReadWriteError) {
    SocketPair first, second;
    auto event = std::make_shared<CancelEvent>();
    CDatagramQueue queue;
    WaitSet waitSet;
    waitSet.AddSocket(first.fds[0]);
    waitSet.AddSocket(second.fds[0]);
    waitSet.AddHandle(queue.Handle(), true);
    waitSet.AddEvent(event);

    // Both sockets writable, the second readable too: reading is looked at before writing.
    second.MakeReadable(0);
    ASSERT_EQ(waitSet.Wait(1000, true, true, false), 1);
    EXPECT_EQ(waitSet.ReadySocket(), second.fds[0]);
    EXPECT_EQ(waitSet.GetSocketCondition(second.fds[0]), WAIT_READABLE);
    // Without reading, the first socket in insertion order wins.
    ASSERT_EQ(waitSet.Wait(1000, false, true, false), 1);
    EXPECT_EQ(waitSet.ReadySocket(), first.fds[0]);
    EXPECT_EQ(waitSet.GetSocketCondition(first.fds[0]), WAIT_WRITABLE);

    queue.Push("datagram");
    ASSERT_EQ(waitSet.Wait(1000, true, true, false), 1);
    EXPECT_EQ(waitSet.ReadyHandle(), queue.Handle());
    EXPECT_EQ(waitSet.ReadySocket(), -1);

    event->Set();
    ASSERT_EQ(waitSet.Wait(1000, true, true, false), 1);
    EXPECT_EQ(waitSet.ReadyHandle(), event->Handle());
    EXPECT_EQ(waitSet.GetHandleCondition(queue.Handle()), WAIT_NONE);
}

TEST(WaitSetFailures, AClosedDescriptorFailsTheWait) {
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    close(fds[0]);
    close(fds[1]);
    WaitSet waitSet;
    waitSet.AddSocket(fds[0]);
    EXPECT_EQ(waitSet.Wait(1000, true, false, false), -1);
}

TEST(DatagramQueue, KeepsDatagramsApartAndInOrder) {
    CDatagramQueue queue;
    EXPECT_TRUE(queue.IsEmpty());
    queue.Push("first");
    queue.Push("second datagram");
    char buffer[64];
    EXPECT_EQ(queue.Pop(buffer, sizeof buffer), 5u);
    EXPECT_EQ(std::string(buffer, 5), "first");
    EXPECT_EQ(queue.Pop(buffer, 6), 6u);
    EXPECT_EQ(std::string(buffer, 6), "second");
    EXPECT_TRUE(queue.IsEmpty());
    EXPECT_EQ(queue.Pop(buffer, sizeof buffer), 0u);
    WaitSet waitSet;
    waitSet.AddHandle(queue.Handle(), true);
    EXPECT_EQ(waitSet.Wait(0, true, false, false), 0) << "an emptied queue must not stay readable";
}

TEST(DatagramQueue, AFloodIsBoundedAndTheQueueStaysUsable) {
    CDatagramQueue queue;
    for (size_t i = 0; i < CDatagramQueue::MAX_DATAGRAMS + 100; ++i) {
        queue.Push(std::to_string(i));
    }
    char buffer[16];
    size_t nPopped = 0;
    while (queue.Pop(buffer, sizeof buffer) > 0) {
        ++nPopped;
    }
    EXPECT_EQ(nPopped, CDatagramQueue::MAX_DATAGRAMS);
}
