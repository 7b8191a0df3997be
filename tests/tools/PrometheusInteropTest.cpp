#include "LoopbackHttp.h"
#include "MetricsMonitor.h"
#include "common/ProcessRun.h"
#include "common/Simulator.h"
#include "hosts/TestNetwork.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <pwd.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

constexpr const char* kPrometheus = "/usr/bin/prometheus";

// Prometheus in a process group of its own, killed with everything it started when the object goes.
class PrometheusProcess {
public:
    PrometheusProcess(const std::string& directory, uint16_t nMonitorPort)
        : m_nPort(KorvanectlTesting::FreeLoopbackPort()) {
        std::ofstream(directory + "/prometheus.yml")
            << "global:\n  scrape_interval: 1s\nscrape_configs:\n  - job_name: korvane\n    static_configs:\n"
               "      - targets: ['127.0.0.1:"
            << nMonitorPort << "']\n";
        const std::string data = directory + "/data";
        std::filesystem::create_directory(data);
        std::vector<std::string> command;
        // As root, the server runs as nobody, as it would be run anywhere.
        if (const passwd* nobody = getpwnam("nobody"); geteuid() == 0 && nobody != nullptr) {
            EXPECT_EQ(chown(data.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
            command = {"/usr/bin/setpriv", "--reuid=nobody", "--regid=" + std::to_string(nobody->pw_gid),
                       "--clear-groups"};
        }
        command.insert(command.end(), {kPrometheus, "--config.file=" + directory + "/prometheus.yml",
                                       "--storage.tsdb.path=" + data,
                                       "--web.listen-address=127.0.0.1:" + std::to_string(m_nPort)});
        m_pid = KorvaneTesting::StartLogged(command, directory + "/prometheus.log", true);
    }
    ~PrometheusProcess() {
        kill(-m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    PrometheusProcess(const PrometheusProcess&) = delete;
    PrometheusProcess& operator=(const PrometheusProcess&) = delete;

    // The value of each series of the query, by the label mac; empty while Prometheus has none.
    std::map<std::string, std::string> ValuesByMac(const std::string& query) const {
        const KorvanectlTesting::HttpResponse response =
            KorvanectlTesting::HttpGet(m_nPort, "/api/v1/query?query=" + query);
        const nlohmann::json answer = nlohmann::json::parse(response.body, nullptr, false);
        std::map<std::string, std::string> values;
        if (response.status == 200 && !answer.is_discarded()) {
            for (const nlohmann::json& series : answer.at("data").at("result")) {
                values[series.at("metric").value("mac", "")] = series.at("value").at(1).get<std::string>();
            }
        }
        return values;
    }

private:
    uint16_t m_nPort;
    pid_t m_pid = -1;
};

std::map<std::string, std::string> Each(const std::vector<std::string>& macs, const std::string& value) {
    std::map<std::string, std::string> values;
    for (const std::string& mac : macs) {
        values[mac] = value;
    }
    return values;
}

// Waits (a minute at most) until Prometheus gives both queries the values expected.
bool Shows(const PrometheusProcess& prometheus, const std::map<std::string, std::string>& up,
           const std::map<std::string, std::string>& state) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        if (prometheus.ValuesByMac("korvane_device_up") == up &&
            prometheus.ValuesByMac("korvane_device_state") == state) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    return false;
}

} // namespace

// Prometheus scrapes the monitor and finds every device answering and normal; when a device stops
// answering, its series say so after the monitor's next status update.
TEST(PrometheusInterop, ScrapesTheMonitorAndSeesADeviceStopAnswering) {
    if (access(kPrometheus, X_OK) != 0) {
        if (KorvaneTesting::TestNetworkRequired(std::getenv("KORVANE_REQUIRE_NETNS"))) {
            GTEST_FAIL() << kPrometheus << " is required (KORVANE_REQUIRE_NETNS)";
        }
        GTEST_SKIP() << "no " << kPrometheus;
    }
    KorvaneTesting::Simulator sim({"--count", "3", "--base", "127.83.0.30", "--http-port", "0"});
    std::string directory = ::testing::TempDir() + "korvane-prometheus-XXXXXX";
    ASSERT_NE(mkdtemp(directory.data()), nullptr);
    std::filesystem::permissions(directory, std::filesystem::perms(0755));
    const std::string settings = directory + "/settings";
    ASSERT_EQ(KorvaneTesting::RunProcess(KORVANECTL_PATH, {"add", "127.83.0.30", "127.83.0.31", "127.83.0.32",
                                                           "--settings", settings})
                  .exitCode,
              0);
    std::vector<std::string> macs;
    for (const KorvaneTesting::SimulatedDevice& device : sim.Devices()) {
        macs.push_back(device.mac);
        std::transform(macs.back().begin(), macs.back().end(), macs.back().begin(),
                       [](unsigned char c) { return std::toupper(c); });
    }
    {
        const KorvanectlTesting::MetricsMonitor monitor(settings, {"KORVANE_TEST_STATUS_PERIOD_MS=500"});
        ASSERT_NE(monitor.Port(), 0) << monitor.Log();
        const PrometheusProcess prometheus(directory, monitor.Port());
        EXPECT_TRUE(Shows(prometheus, Each(macs, "1"), Each(macs, "0")));

        sim.Set(1, "mode", "refuse");
        std::map<std::string, std::string> up = Each(macs, "1");
        std::map<std::string, std::string> state = Each(macs, "0");
        up[macs[1]] = "0";
        state[macs[1]] = "2";
        EXPECT_TRUE(Shows(prometheus, up, state)) << monitor.Log();
    }
    std::filesystem::remove_all(directory);
}
