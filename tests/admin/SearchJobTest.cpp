// A search brings the devices of a test network under management. Slow: three silences.
#include "admin/SearchJob.h"

#include "admin/AdminInfoMgr.h"
#include "common/Simulator.h"
#include "hosts/TestNetwork.h"
#include "support/CallQueue.h"

#include <thread>

#include <gtest/gtest.h>

using namespace Korvane;

TEST(SearchJob, DevicesFoundByEveryProtocolAreManagedOnceEach) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 2);
    std::vector<std::unique_ptr<KorvaneTesting::Simulator>> sims;
    for (int i = 0; i < 2; ++i) {
        const KorvaneTesting::TestHost& host = net->Device(i);
        sims.push_back(std::make_unique<KorvaneTesting::Simulator>(
            *net, host,
            std::vector<std::string>{"--count", "1", "--base", host.ipv4, "--base6",
                                     host.ipv6LinkLocal + "%kv0", "--http-port", "0", "--discovery",
                                     "--base-mac", "02:4B:53:00:A0:0" + std::to_string(i + 1)}));
    }
    // The second device answers discovery but not the information request: it is passed over.
    sims[1]->Set(0, "mode", "refuse");

    CKorvaneAdminInfoMgr manager;
    Zelt::CCallQueue ownerThread;
    int nAdded = 0;
    SearchOutcome outcome{SEARCH_FAILED, {}};
    std::jthread search = net->ThreadIn(net->Admin(), [&] {
        outcome = CSearchJob::Run(nullptr, [&](const CManagedDevice& device) {
            ownerThread.Send([&] { nAdded += manager.AddOrUpdate(device); });
        });
        ownerThread.Post([&] { ownerThread.Quit(); });
    });
    ownerThread.Run();
    search.join();
    EXPECT_EQ(outcome.result, SEARCH_SUCCEEDED);
    EXPECT_GE(outcome.duration, std::chrono::seconds(30)) << "three protocols, ten seconds of silence each";
    EXPECT_EQ(nAdded, 3) << "three protocols found the first device";
    EXPECT_EQ(manager.Macs(), std::vector<std::string>{"02:4B:53:00:A0:01"});
    EXPECT_EQ(CSearchJob::MessageId(SEARCH_FAILED), 10016);
    EXPECT_EQ(CSearchJob::MessageId(outcome.result), 0);
}
