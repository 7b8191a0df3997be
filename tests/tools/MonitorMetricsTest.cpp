#include "common/ProcessRun.h"
#include "common/Simulator.h"
#include "hosts/TestNetwork.h"
#include "metrics/HttpClient.h"
#include "net/LoopbackPeers.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <pwd.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

using KorvaneTesting::ProcessResult;

namespace {

constexpr const char* kPrometheus = "/usr/bin/prometheus";

// Polls the condition for a minute at most.
bool WaitFor(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return true;
}

// The body of a 200 answer to a GET on 127.0.0.1; empty for anything else.
std::string Get(uint16_t nPort, const std::string& target) {
    try {
        const std::string answer = Korvane::Testing::HttpClient::Exchange(
            nPort, "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
        const size_t nBody = answer.find("\r\n\r\n");
        return answer.starts_with("HTTP/1.1 200 ") && nBody != std::string::npos ? answer.substr(nBody + 4)
                                                                                 : "";
    } catch (const std::runtime_error&) { // nothing listens yet
        return {};
    }
}

// Each series of an instant query as "NAME=VALUE", by its label mac.
std::map<std::string, std::string> Series(uint16_t nPort, const std::string& query) {
    const nlohmann::json answer =
        nlohmann::json::parse(Get(nPort, "/api/v1/query?query=" + query), nullptr, false);
    std::map<std::string, std::string> series;
    for (const nlohmann::json& one :
         answer.is_object() ? answer["data"]["result"] : nlohmann::json::array()) {
        series[one["metric"].value("mac", "")] =
            one["metric"].value("name", "") + "=" + one["value"][1].get<std::string>();
    }
    return series;
}

// Prometheus, as nobody when the test runs as root, scraping the port every second.
pid_t StartPrometheus(const std::string& directory, uint16_t nTarget, uint16_t nPort) {
    std::ofstream(directory + "/prometheus.yml")
        << "global: {scrape_interval: 1s}\nscrape_configs:\n"
           "  - {job_name: korvane, static_configs: [{targets: ['127.0.0.1:"
        << nTarget << "']}]}\n";
    std::filesystem::create_directory(directory + "/data");
    std::vector<std::string> command;
    if (const passwd* nobody = getpwnam("nobody"); geteuid() == 0 && nobody != nullptr) {
        EXPECT_EQ(chown((directory + "/data").c_str(), nobody->pw_uid, nobody->pw_gid), 0);
        command = {"/usr/bin/setpriv", "--reuid=nobody", "--regid=" + std::to_string(nobody->pw_gid),
                   "--clear-groups"};
    }
    command.insert(command.end(), {kPrometheus, "--config.file=" + directory + "/prometheus.yml",
                                   "--storage.tsdb.path=" + directory + "/data",
                                   "--web.listen-address=127.0.0.1:" + std::to_string(nPort)});
    return KorvaneTesting::StartLogged(command, directory + "/prometheus.log", true);
}

} // namespace

// The monitor's exposition passes promtool; a real Prometheus reads back the names devices gave
// themselves exactly (so they were escaped as the format requires), every device up and normal,
// and then the one that stops answering down and in error.
TEST(MonitorMetrics, PrometheusReadsHostileNamesAndSeesADeviceStopAnswering) {
    if (access(kPrometheus, X_OK) != 0) {
        if (KorvaneTesting::TestNetworkRequired(std::getenv("KORVANE_REQUIRE_NETNS"))) {
            GTEST_FAIL() << kPrometheus << " is required (KORVANE_REQUIRE_NETNS)";
        }
        GTEST_SKIP() << "no " << kPrometheus;
    }
    KorvaneTesting::Simulator sim({"--count", "3", "--base", "127.83.0.30", "--http-port", "0"});
    // A line feed cannot travel on the control line: that name comes as XML.
    sim.Control("info 0 remove network/host/name");
    sim.Control("info 0 add network/host <name>office \"A\" \\share} #1&#10;second line</name>");
    sim.Set(1, "hostname", std::string(300, 'n'));
    // By MAC: "NAME=VALUE" as Prometheus is to give korvane_device_up and korvane_device_state.
    std::map<std::string, std::string> up;
    std::map<std::string, std::string> state;
    std::string stopping; // the MAC of the device that stops answering
    std::string mac1;     // the MAC of the device whose password is saved
    for (const KorvaneTesting::SimulatedDevice& device : sim.Devices()) {
        std::string mac = device.mac;
        std::transform(mac.begin(), mac.end(), mac.begin(), [](unsigned char c) { return std::toupper(c); });
        stopping = device.index == 2 ? mac : stopping;
        mac1 = device.index == 1 ? mac : mac1;
        const std::string name =
            device.index == 0 ? "office \"A\" \\share} #1\nsecond line" : device.hostname;
        up[mac] = name + "=1";
        state[mac] = name + "=0";
    }
    std::string directory = ::testing::TempDir() + "korvane-metrics-XXXXXX";
    ASSERT_NE(mkdtemp(directory.data()), nullptr);
    std::filesystem::permissions(directory, std::filesystem::perms(0755));
    const std::string settings = directory + "/settings";
    ASSERT_EQ(KorvaneTesting::RunProcess(KORVANECTL_PATH, {"add", "127.83.0.30", "127.83.0.31", "127.83.0.32",
                                                           "--settings", settings})
                  .exitCode,
              0);
    // With its password saved, a full update brings device 1's whole information.
    const std::string full = sim.Devices()[1].hostname;
    ASSERT_EQ(KorvaneTesting::RunProcess(KORVANECTL_PATH,
                                         {"password", full, "--save", "--settings", settings},
                                         sim.Show(1).at("password") + "\n")
                  .exitCode,
              0);
    ASSERT_EQ(KorvaneTesting::RunProcess(KORVANECTL_PATH, {"update", "--settings", settings}).exitCode, 0);
    {
        const std::string log = directory + "/monitor.log";
        KorvaneTesting::HostProcess monitor(
            KorvaneTesting::StartLogged({"/usr/bin/env", "KORVANE_TEST_STATUS_PERIOD_MS=500", KORVANECTL_PATH,
                                         "monitor", "--metrics", "127.0.0.1:0", "--settings", settings},
                                        log, true),
            log);
        ASSERT_TRUE(monitor.WaitForOutput("/metrics", std::chrono::seconds(60))) << monitor.Output();
        const std::string output = monitor.Output();
        const uint16_t nMonitorPort = static_cast<uint16_t>(std::stoi(
            output.substr(output.find("http://127.0.0.1:") + std::string("http://127.0.0.1:").size())));
        const std::string exposition = Get(nMonitorPort, "/metrics");
        ASSERT_NE(exposition.find("korvane_device_up{"), std::string::npos) << exposition;
        for (const char* pszFamily :
             {"korvane_device_temperature_celsius{", "korvane_device_info{", "korvane_volume_capacity_bytes{",
              "korvane_device_power_saving_idle_seconds{"}) {
            const size_t nSample = exposition.find(std::string(pszFamily) + "mac=\"" + mac1 + "\"");
            EXPECT_NE(nSample, std::string::npos) << pszFamily << '\n' << exposition;
        }
        const ProcessResult check =
            KorvaneTesting::RunProcess("/usr/bin/promtool", {"check", "metrics"}, exposition);
        EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
        // A second monitor cannot listen there and says where; a wrong address is a usage mistake.
        const std::string taken = "127.0.0.1:" + std::to_string(nMonitorPort);
        const ProcessResult busy = KorvaneTesting::RunProcess(
            KORVANECTL_PATH, {"monitor", "--metrics", taken, "--settings", settings});
        EXPECT_EQ(busy.exitCode, 1);
        EXPECT_NE(busy.err.find(taken), std::string::npos) << busy.err;
        const ProcessResult invalid =
            KorvaneTesting::RunProcess(KORVANECTL_PATH, {"monitor", "--metrics", "127.0.0.1:http"});
        EXPECT_EQ(invalid.exitCode, 2);
        EXPECT_NE(invalid.err.find("127.0.0.1:http"), std::string::npos) << invalid.err;

        const uint16_t nPrometheusPort = NetTesting::UnusedTcpPort();
        KorvaneTesting::HostProcess prometheus(StartPrometheus(directory, nMonitorPort, nPrometheusPort),
                                               directory + "/prometheus.log");
        const auto Shows = [&] {
            return WaitFor([&] {
                return Series(nPrometheusPort, "korvane_device_up") == up &&
                       Series(nPrometheusPort, "korvane_device_state") == state;
            });
        };
        EXPECT_TRUE(Shows()) << prometheus.Output();
        sim.Set(2, "mode", "refuse");
        up[stopping].back() = '0';
        state[stopping].back() = '2';
        EXPECT_TRUE(Shows()) << monitor.Output();
    }
    std::filesystem::remove_all(directory);
}
