#include "LoopbackHttp.h"
#include "MetricsMonitor.h"
#include "common/ProcessRun.h"
#include "common/Simulator.h"
#include "support/StringTable.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

using KorvanectlTesting::HttpGet;
using KorvanectlTesting::MetricsMonitor;
using KorvaneTesting::ProcessResult;

namespace {

// A label value as the exposition format writes it.
std::string Escaped(const std::string& value) {
    std::string escaped;
    for (char c : value) {
        escaped += c == '\\' ? "\\\\" : c == '"' ? "\\\"" : c == '\n' ? "\\n" : std::string(1, c);
    }
    return escaped;
}

std::string UpperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

} // namespace

// Names a device may give itself reach the scrape as label values that end neither the value nor
// the line early, and the whole exposition is what Prometheus's own checker accepts.
TEST(KorvanectlMetrics, HostileDeviceNamesReachTheScrapeEscapedAndTheExpositionPassesPromtool) {
    KorvaneTesting::Simulator sim({"--count", "2", "--base", "127.83.0.20", "--http-port", "0"});
    const std::string quoted = "office \"A\" \\share} #1\nsecond line";
    std::string longName;
    for (int i = 0; i < 300; ++i) {
        longName += "棚";
    }
    // A line feed cannot travel on the control line: the element comes as XML.
    sim.Control("info 0 remove network/host/name");
    sim.Control("info 0 add network/host <name>office \"A\" \\share} #1&#10;second line</name>");
    sim.Set(1, "hostname", longName);
    std::string directory = ::testing::TempDir() + "korvanectl-metrics-XXXXXX";
    ASSERT_NE(mkdtemp(directory.data()), nullptr);
    const std::string settings = directory + "/settings";
    ASSERT_EQ(KorvaneTesting::RunProcess(KORVANECTL_PATH,
                                         {"add", "127.83.0.20", "127.83.0.21", "--settings", settings})
                  .exitCode,
              0);

    {
        const MetricsMonitor monitor(settings);
        ASSERT_NE(monitor.Port(), 0) << monitor.Log();
        const KorvanectlTesting::HttpResponse scrape = HttpGet(monitor.Port(), "/metrics");
        ASSERT_EQ(scrape.status, 200);
        const std::vector<KorvaneTesting::SimulatedDevice> devices = sim.Devices();
        for (const auto& [index, name] : {std::pair{0, quoted}, std::pair{1, longName}}) {
            const std::string up = "korvane_device_up{mac=\"" + UpperCase(devices.at(index).mac) +
                                   "\",name=\"" + Escaped(name) + "\",product=\"" + devices.at(index).model +
                                   "\"} 1\n";
            EXPECT_NE(scrape.body.find(up), std::string::npos) << up << "\n" << scrape.body;
        }
        const ProcessResult check =
            KorvaneTesting::RunProcess("/usr/bin/promtool", {"check", "metrics"}, scrape.body);
        EXPECT_EQ(check.exitCode, 0) << check.out << check.err;

        // A second monitor cannot listen where the first does, and says where.
        const std::string taken = "127.0.0.1:" + std::to_string(monitor.Port());
        const ProcessResult busy = KorvaneTesting::RunProcess(
            KORVANECTL_PATH, {"monitor", "--metrics", taken, "--settings", settings});
        EXPECT_EQ(busy.exitCode, 1);
        EXPECT_NE(busy.err.find(taken), std::string::npos) << busy.err;
    }
    const ProcessResult invalid = KorvaneTesting::RunProcess(
        KORVANECTL_PATH, {"monitor", "--metrics", "127.0.0.1:http", "--settings", settings});
    EXPECT_EQ(invalid.exitCode, 2);
    EXPECT_NE(invalid.err.find("127.0.0.1:http"), std::string::npos) << invalid.err;
    std::filesystem::remove_all(directory);
}
