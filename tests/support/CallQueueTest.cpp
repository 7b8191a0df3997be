#include "support/CallQueue.h"

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

TEST(CallQueue, SentCallsRunOnTheOwningThreadBeforeTheSenderGoesOn) {
    Zelt::CCallQueue queue;
    const std::thread::id owner = std::this_thread::get_id();
    std::vector<int> applied; // touched on the owning thread only
    std::atomic<int> nWrongThread{0};
    std::atomic<int> nSeenAfterSend{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < 4; ++w) {
        workers.emplace_back([&, w] {
            for (int i = 0; i < 50; ++i) {
                const int nValue = w * 100 + i;
                queue.Send([&, nValue] {
                    nWrongThread += std::this_thread::get_id() != owner;
                    applied.push_back(nValue);
                });
                ++nSeenAfterSend;
            }
        });
    }
    std::thread closer([&] {
        for (std::thread& worker : workers) {
            worker.join();
        }
        queue.Post([&] { queue.Quit(); });
    });
    queue.Run();
    closer.join();
    EXPECT_EQ(nWrongThread, 0);
    EXPECT_EQ(applied.size(), 200u);
    EXPECT_EQ(nSeenAfterSend, 200);
}

TEST(CallQueue, PostedCallsRunInOrderAndRunCanBeEnteredAgain) {
    Zelt::CCallQueue queue;
    std::vector<int> order;
    for (int i = 0; i < 3; ++i) {
        queue.Post([&order, i] { order.push_back(i); });
    }
    queue.Post([&] { queue.Quit(); });
    queue.Run();
    queue.Post([&] {
        order.push_back(9);
        queue.Quit();
    });
    queue.Run();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 9}));
}

TEST(CallQueue, ASentCallThatThrowsReleasesItsSenderAndEndsRunWithTheException) {
    Zelt::CCallQueue queue;
    std::atomic<bool> bSenderReturned{false};
    std::thread sender([&] {
        queue.Send([] { throw std::runtime_error("broken call"); });
        bSenderReturned = true;
    });
    EXPECT_THROW(queue.Run(), std::runtime_error);
    sender.join(); // hangs here if the sender was never released
    EXPECT_TRUE(bSenderReturned);
}
