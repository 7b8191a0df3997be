// The periodic update's timers and results over simulated devices.
#include "MonitoredDevices.h"
#include "admin/StatusEvaluation.h"
#include "support/StringTable.h"

#include <chrono>

#include <gtest/gtest.h>

using namespace Korvane;

using OperationsTesting::Monitored;
using OperationsTesting::RecordingHost;

TEST(UpdateScheduler, TimersFollowTheIntervalAndTheBusyRules) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    Monitored monitored(*net, 1, "127.86.1.1");
    monitored.manager.m_nUpdateInterval = 10;
    monitored.scheduler.Start();
    EXPECT_EQ(monitored.host.timers.at(CUpdateScheduler::INTERVAL_TIMER), 10 * 1000);
    EXPECT_EQ(monitored.host.timers.at(CUpdateScheduler::STATUS_TIMER), 60000);

    monitored.scheduler.SetActivity(1);
    monitored.scheduler.OnTimer(CUpdateScheduler::INTERVAL_TIMER);
    EXPECT_EQ(monitored.host.timers.at(CUpdateScheduler::INTERVAL_TIMER), 10000) << "busy: retry in 10 s";
    monitored.scheduler.OnTimer(CUpdateScheduler::STATUS_TIMER);
    EXPECT_TRUE(monitored.host.states.empty()) << "busy: the status update skips";
    monitored.scheduler.SetActivity(0);

    monitored.Fire(CUpdateScheduler::INTERVAL_TIMER);
    EXPECT_EQ(monitored.host.timers.at(CUpdateScheduler::INTERVAL_TIMER), 10 * 1000)
        << "back to the interval";
    EXPECT_EQ(monitored.host.states.front(), Zelt::CStringTable::Text(Zelt::Text::UpdatingAll));
    EXPECT_EQ(monitored.scheduler.Activity(), 0);

    monitored.scheduler.SetInterval(0);
    EXPECT_EQ(monitored.host.timers.count(CUpdateScheduler::INTERVAL_TIMER), 0u)
        << "0 switches the timer off";
}

TEST(UpdateScheduler, WithoutDevicesNothingStarts) {
    CKorvaneAdminInfoMgr manager;
    RecordingHost host;
    CUpdateScheduler scheduler(manager, host);
    scheduler.OnTimer(CUpdateScheduler::STATUS_TIMER);
    scheduler.Refresh();
    EXPECT_EQ(scheduler.Activity(), 0);
    EXPECT_TRUE(host.states.empty());
}

TEST(UpdateScheduler, NewAlertsGiveOneBalloonAndOneMailAndTheNextUpdateNone) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    Monitored monitored(*net, 4, "127.86.2.1");
    monitored.manager.m_mail.bNotify = true;
    monitored.sim.InfoSet(1, "statusinfo/status/error[@type='capacity']/param", "NG");
    monitored.sim.InfoSet(1, "statusinfo/status/@condition", "NOTIFY");
    monitored.sim.Set(2, "mode", "refuse");
    monitored.Fire(CUpdateScheduler::STATUS_TIMER);
    EXPECT_EQ(monitored.host.balloons, std::vector<int>{1});
    EXPECT_EQ(monitored.host.nErrorMails, 1);
    EXPECT_EQ(monitored.Device(1).GetStatusBits(), STATUS_BIT_CAPACITY);
    EXPECT_EQ(monitored.Device(2).GetStatusBits(), STATUS_BIT_UNREACHABLE);
    EXPECT_EQ(monitored.Device(0).GetStatusBits(), 0);
    EXPECT_EQ(monitored.Device(0).GetResultCode(), RESULT_SUCCESS);
    EXPECT_EQ(monitored.host.nChanges, 4) << "one result per device";

    monitored.Fire(CUpdateScheduler::STATUS_TIMER);
    EXPECT_EQ(monitored.host.balloons, std::vector<int>{1}) << "the same alerts again: nothing new";
    EXPECT_EQ(monitored.host.nErrorMails, 1);

    monitored.sim.InfoSet(3, "statusinfo/status/error[@type='diskerror']/param", "NG");
    monitored.sim.InfoSet(3, "statusinfo/status/@condition", "ERROR");
    monitored.Fire(CUpdateScheduler::STATUS_TIMER);
    EXPECT_EQ(monitored.host.balloons, (std::vector<int>{1, 2})) << "a device at error level";
    EXPECT_EQ(monitored.host.nErrorMails, 2);
}

TEST(UpdateScheduler, AFullUpdateStoresTheWholeInformation) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    Monitored monitored(*net, 2, "127.86.3.1");
    ASSERT_TRUE(monitored.Device(0).GetRootNode().SelectNodes("raid").empty())
        << "the search gave basic information";
    monitored.scheduler.Refresh();
    monitored.host.owner.Run();
    EXPECT_FALSE(monitored.Device(0).GetRootNode().SelectNodes("raid").empty());
    EXPECT_FALSE(monitored.Device(1).GetRootNode().SelectNodes("system/eco").empty());
}

TEST(UpdateScheduler, ShutdownEndsAnUpdateOfSilentDevicesAtOnce) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    Monitored monitored(*net, 3, "127.86.5.1");
    for (int i = 0; i < 3; ++i) {
        monitored.sim.Set(i, "mode", "silent");
    }
    // What korvanectl monitor does at Ctrl-C: the update ends at once and its end still arrives,
    // so the settings can be saved with what it brought.
    auto start = std::chrono::steady_clock::now();
    monitored.scheduler.Refresh();
    monitored.scheduler.StopAndCancel();
    monitored.host.owner.Run();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(monitored.scheduler.Activity(), 0);
    EXPECT_EQ(monitored.host.nChanges, 3) << "every device's (cancelled) result was applied";
    EXPECT_EQ(monitored.Device(0).GetResultCode(), RESULT_SUCCESS) << "a cancel changes nothing";

    monitored.host.nChanges = 0;
    start = std::chrono::steady_clock::now();
    {
        CUpdateScheduler scheduler(monitored.manager, monitored.host);
        scheduler.Start();
        scheduler.Refresh();
        ASSERT_EQ(scheduler.Activity(), 2);
        // What the window does at exit; its thread then no longer serves the workers, and the
        // scheduler's end waits for them: they must end without a result applied.
        scheduler.Shutdown();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(monitored.host.nChanges, 0);
    EXPECT_TRUE(monitored.host.timers.empty()) << "the timers stop";
}
