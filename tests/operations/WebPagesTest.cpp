// The web page commands against simulated devices: which address each device answers on, which
// URL it gets, and whether the device's web server serves that URL.
#include "operations/WebPages.h"

#include "HttpStatus.h"
#include "common/Simulator.h"
#include "hosts/TestNetwork.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

using namespace Korvane;
using KorvaneTesting::Simulator;
using OperationsTesting::HttpStatus;
using OperationsTesting::SplitUrl;

namespace {

constexpr std::uint16_t kHttpPort = 8084;

std::vector<std::string> SimulatorArgs(int nCount, const std::string& base) {
    return {"--count", std::to_string(nCount), "--base", base, "--http-port", std::to_string(kHttpPort)};
}

// The record the program keeps after it has fetched the device's basic information.
CManagedDevice FetchRecord(const std::string& ipv4, const std::string& ipv6 = "") {
    CKorvaneInfo session(ipv4, ipv6);
    session.GetInfo(ID_GETINFO_CATEGORY_ADMIN_SIMPLE, nullptr, 30000);
    return CManagedDevice(session);
}

std::vector<std::string> Texts(const WebPagePlan& plan, WebPageStep::Kind kind) {
    std::vector<std::string> texts;
    for (const WebPageStep& step : plan.steps) {
        if (step.kind == kind) {
            texts.push_back(step.text);
        }
    }
    return texts;
}

std::vector<std::string> Urls(const WebPagePlan& plan) {
    return Texts(plan, WebPageStep::OPEN_URL);
}

// The simulator may log a probe a moment after the client has closed it, so its log is watched
// for a while.
bool WasProbed(Simulator& sim, int nDevice, std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        const std::vector<std::string> log = sim.Log(nDevice);
        if (std::find(log.begin(), log.end(), "probe") != log.end()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// The status the device's web server gives for the URL (on the simulator's HTTP port).
int ServedStatus(const std::string& url) {
    const OperationsTesting::UrlParts parts = SplitUrl(url);
    return HttpStatus(parts.host, kHttpPort, parts.path);
}

} // namespace

TEST(WebPages, TwoDevicesOpenTwoPagesThatTheirWebServersServe) {
    // Device 0 is a QRX-XR4, device 1 a QRX4-H.
    Simulator sim(SimulatorArgs(2, "127.84.1.1"));
    const std::vector<CManagedDevice> records = {FetchRecord("127.84.1.1"), FetchRecord("127.84.1.2")};
    sim.ClearLog(0);

    const WebPagePlan timePlan = CWebPages::Plan(WEB_PAGE_TIME, records, nullptr);
    EXPECT_FALSE(timePlan.bStopped);
    EXPECT_EQ(Urls(timePlan),
              (std::vector<std::string>{"http://127.84.1.1/detail/basic/datetime/datetime.cgi",
                                        "http://127.84.1.2/login/admin/system/datetime/datetime"}));
    EXPECT_TRUE(WasProbed(sim, 0, std::chrono::seconds(5))) << "the connection check reached the device";

    for (int nPage = WEB_PAGE_TIME; nPage <= WEB_PAGE_MAIL; ++nPage) {
        const WebPagePlan plan = CWebPages::Plan(nPage, records, nullptr);
        ASSERT_EQ(plan.steps.size(), 2u) << "page " << nPage;
        EXPECT_TRUE(Texts(plan, WebPageStep::SHOW_MESSAGE).empty());
        for (const std::string& url : Urls(plan)) {
            EXPECT_EQ(ServedStatus(url), 200) << url;
        }
        EXPECT_EQ(plan.steps[0].device, "ks-001");
        // The other family's path is not a page of the device.
        const std::string wrongFamily = "/" + std::string(CWebPages::PagePath(nPage, true));
        EXPECT_EQ(HttpStatus("127.84.1.1", kHttpPort, wrongFamily), 404) << wrongFamily;
    }
}

TEST(WebPages, AQrxXvDeviceRefusesTheQuotaPageAndTheOthersStillOpen) {
    // Devices 0, 1, 2: QRX-XR4, QRX4-H, QRX-XV2; the QRX-XV2 is selected first.
    Simulator sim(SimulatorArgs(3, "127.84.2.1"));
    const std::vector<CManagedDevice> records = {FetchRecord("127.84.2.3"), FetchRecord("127.84.2.1"),
                                                 FetchRecord("127.84.2.2")};

    const WebPagePlan plan = CWebPages::Plan(WEB_PAGE_QUOTA, records, nullptr);
    EXPECT_FALSE(plan.bStopped);
    ASSERT_EQ(plan.steps.size(), 3u);
    EXPECT_EQ(plan.steps[0].kind, WebPageStep::SHOW_MESSAGE);
    EXPECT_EQ(plan.steps[0].text, "KORVANE の名前：ks-003は\n使用量制限機能に対応していません。");
    EXPECT_EQ(Urls(plan),
              (std::vector<std::string>{"http://127.84.2.1/detail/share/userquota/userquota.cgi",
                                        "http://127.84.2.2/login/admin/usergroup/user/quota/quota"}));

    const WebPagePlan mailPlan = CWebPages::Plan(WEB_PAGE_MAIL, {records[0]}, nullptr);
    EXPECT_EQ(Urls(mailPlan), std::vector<std::string>{"http://127.84.2.3/detail/notice/event/event.cgi"})
        << "only the quota page is refused";
}

TEST(WebPages, AnEmptyProductNameGetsTheQrxHPaths) {
    Simulator sim(SimulatorArgs(1, "127.84.3.1"));
    sim.Set(0, "model", "");
    const CManagedDevice record = FetchRecord("127.84.3.1");
    ASSERT_EQ(CWebPages::ProductName(record), "");

    const WebPagePlan plan = CWebPages::Plan(WEB_PAGE_IP_ADDRESS, {record}, nullptr);
    const std::string url = "http://127.84.3.1/login/admin/network/lan1/ipv4/ipv4";
    EXPECT_EQ(Urls(plan), std::vector<std::string>{url});
    EXPECT_EQ(ServedStatus(url), 200);
    EXPECT_EQ(HttpStatus("127.84.3.1", kHttpPort, "/detail/basic/network/network.cgi"), 404);
}

TEST(WebPages, ADeviceOnNeitherAddressStopsTheWholeCommand) {
    Simulator sim(SimulatorArgs(3, "127.84.4.1"));
    const std::vector<CManagedDevice> records = {FetchRecord("127.84.4.1"), FetchRecord("127.84.4.2"),
                                                 FetchRecord("127.84.4.3")};
    ASSERT_TRUE(records[1].GetIPv6Address().empty());
    sim.Set(1, "mode", "refuse");
    sim.ClearLog(2);

    const WebPagePlan plan = CWebPages::Plan(WEB_PAGE_TIME, records, nullptr);
    EXPECT_TRUE(plan.bStopped);
    EXPECT_FALSE(plan.bCancelled);
    EXPECT_EQ(plan.stoppedBy, "ks-002");
    EXPECT_EQ(Urls(plan), std::vector<std::string>{"http://127.84.4.1/detail/basic/datetime/datetime.cgi"});
    EXPECT_TRUE(Texts(plan, WebPageStep::SHOW_MESSAGE).empty()) << "the stop is silent";
    EXPECT_FALSE(WasProbed(sim, 2, std::chrono::milliseconds(500)))
        << "devices after the stop are not contacted";
}

TEST(WebPages, ACancelledCommandStopsBeforeTheFirstDevice) {
    Simulator sim(SimulatorArgs(1, "127.84.5.1"));
    const CManagedDevice record = FetchRecord("127.84.5.1");
    const auto cancel = std::make_shared<Zelt::CancelEvent>();
    cancel->Set();

    const WebPagePlan plan = CWebPages::Plan(WEB_PAGE_MAIL, {record}, cancel);
    EXPECT_TRUE(plan.steps.empty());
    EXPECT_TRUE(plan.bStopped);
    EXPECT_TRUE(plan.bCancelled);
    EXPECT_EQ(plan.stoppedBy, "ks-001");
}

TEST(WebPagesOverIPv6, ADeviceThatAnswersOnlyOverIPv6GetsItsAddressInBrackets) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    const KorvaneTesting::TestHost& deviceHost = net->Device(0);
    // The device reports a loopback IPv4 address, which would lead to the admin host itself.
    Simulator sim(*net, deviceHost,
                  {"--count", "1", "--base", "127.0.1.1", "--base6", deviceHost.ipv6LinkLocal + "%kv0",
                   "--http-port", std::to_string(kHttpPort)});
    WebPagePlan plan;
    std::string recordIPv4;
    std::string failure;
    net->ThreadIn(net->Admin(),
                  [&] {
                      try {
                          const CManagedDevice record = FetchRecord("", deviceHost.ipv6LinkLocal);
                          recordIPv4 = record.GetIPv4Address();
                          plan = CWebPages::Plan(WEB_PAGE_TIME, {record}, nullptr);
                      } catch (const std::exception& error) {
                          failure = error.what();
                      }
                  })
        .join();

    ASSERT_EQ(failure, "");
    EXPECT_EQ(recordIPv4, "") << "a loopback address reported by a device reached over the LAN is not taken";
    EXPECT_FALSE(plan.bStopped);
    EXPECT_EQ(Urls(plan), std::vector<std::string>{"http://[" + deviceHost.ipv6LinkLocal +
                                                   "]/detail/basic/datetime/datetime.cgi"});
}
