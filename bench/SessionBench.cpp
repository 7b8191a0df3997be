// One status poll of one device as the periodic update makes it: a probe and an AUTHORIZATION
// exchange, then a probe and the GETINFO exchange, against a simulated device on loopback.
#include "common/Simulator.h"
#include "protocol/KorvaneInfo.h"

#include <algorithm>

#include <benchmark/benchmark.h>

namespace {

void BM_StatusPollOfOneDevice(benchmark::State& state) {
    KorvaneTesting::Simulator sim(KORVANE_SIM_PATH,
                                  {"--count", "1", "--base", "127.90.0.1", "--http-port", "0"});
    const std::string password = sim.Show(0).at("password");
    for (auto _ : state) {
        Korvane::CKorvaneInfo session("127.90.0.1", "");
        session.SetPassword(password);
        session.GetInfo(Korvane::ID_GETINFO_CATEGORY_STATUS, nullptr, 30000);
        benchmark::DoNotOptimize(session.GetMacAddress());
    }
}
BENCHMARK(BM_StatusPollOfOneDevice)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(200)
    ->Repetitions(5)
    ->ComputeStatistics("min",
                        [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
    ->ComputeStatistics("max",
                        [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); });

} // namespace
