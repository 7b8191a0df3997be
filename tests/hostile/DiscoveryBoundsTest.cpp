// A host that floods discovery with replies of ever new devices, or whose devices answer with huge
// documents and new MACs: discovery keeps its workers and devices bounded, one search brings a
// bounded number of devices under management, and the settings file keeps the user's fleet.
// Every run waits for the protocols' silences.
#include "ManagedFleet.h"
#include "admin/SearchIntake.h"
#include "protocol/KorvaneAdminFind.h"
#include "support/Trace.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <netinet/in.h>
#include <nlohmann/json.hpp>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

using KorvaneTesting::ProcessResult;
using KorvaneTesting::Simulator;
using KorvaneTesting::TestHost;
using namespace KorvaneHostile;
using namespace std::chrono_literals;

namespace {

size_t ThreadCount() {
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return static_cast<size_t>(std::distance(tasks, std::filesystem::directory_iterator()));
}

template <typename T>
void RaiseTo(std::atomic<T>& maximum, T value) {
    for (T seen = maximum; value > seen && !maximum.compare_exchange_weak(seen, value);) {
    }
}

// Waits in the attacker's host for the admin host's discovery request, then answers it as devices
// do, with nReplies replies of distinct devices (MACs 0E4B53000000 upwards) that all point at the
// attacker.
void Flood(const TestHost& attacker, int nReplies) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(Korvane::KAF_PORT);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local), 0) << std::strerror(errno);
    char request[Korvane::KafData::SIZE];
    sockaddr_in admin{};
    socklen_t nAdminSize = sizeof admin;
    ASSERT_EQ(recvfrom(fd, request, sizeof request, 0, reinterpret_cast<sockaddr*>(&admin), &nAdminSize),
              static_cast<ssize_t>(sizeof request));
    admin.sin_port = htons(Korvane::KAF_PORT); // devices answer on the protocol's port
    std::string reply(Korvane::KafData::SIZE, '\0');
    reply[Korvane::KafData::OP] = Korvane::KafData::OP_REPLY;
    std::memcpy(&reply[Korvane::KafData::REQUEST_ID], request + Korvane::KafData::REQUEST_ID, 4);
    inet_pton(AF_INET, attacker.ipv4.c_str(), &reply[Korvane::KafData::IPV4]);
    std::memcpy(&reply[Korvane::KafData::VENDOR], "VESTRANO", 8);
    for (int i = 0; i < nReplies; ++i) {
        char mac[16];
        std::snprintf(mac, sizeof mac, "0E4B53%06X", i);
        std::memcpy(&reply[Korvane::KafData::MAC_TEXT], mac, 12);
        sendto(fd, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&admin), sizeof admin);
        // Paced like a busy LAN, so that the receive buffer holds what the test counts.
        std::this_thread::sleep_for(200us);
    }
    close(fd);
}

} // namespace

TEST(DiscoveryBounds, AFloodOfNewDevicesQueuesBehindABoundedSetOfWorkers) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    std::mutex traceMutex;
    std::string trace;
    Zelt::SetTraceSink([&](std::string_view line) {
        std::lock_guard lock(traceMutex);
        trace.append(line);
    });
    const size_t nBaseline = ThreadCount();
    std::atomic<bool> bDone{false};
    std::atomic<size_t> nMostThreads{0};
    std::thread sampler([&] {
        while (!bDone) {
            RaiseTo(nMostThreads, ThreadCount());
            std::this_thread::sleep_for(2ms);
        }
    });
    std::jthread attacker = net->ThreadIn(net->Device(0), [&] { Flood(net->Device(0), 6000); });
    std::atomic<int> nRunning{0};
    std::atomic<int> nMostRunning{0};
    std::atomic<int> nCalls{0};
    net->ThreadIn(net->Admin(),
                  [&] {
                      Korvane::CKorvaneAdminFind client(nullptr, [&](const std::string&) {
                          RaiseTo(nMostRunning, ++nRunning);
                          ++nCalls;
                          std::this_thread::sleep_for(20ms); // a device that takes its time to answer
                          --nRunning;
                      });
                      client.Update();
                  })
        .join();
    bDone = true;
    sampler.join();
    Zelt::SetTraceSink({});

    EXPECT_EQ(nMostRunning, static_cast<int>(Korvane::CDiscoveryClient::MAX_WORKERS));
    // The workers, the discovery thread, the attacker and the sampler, and a few that sanitizer
    // runtimes start for themselves.
    EXPECT_LE(nMostThreads, nBaseline + Korvane::CDiscoveryClient::MAX_WORKERS + 3 + 4);
    EXPECT_EQ(nCalls, static_cast<int>(Korvane::CDiscoveryClient::MAX_DEVICES));
    EXPECT_NE(trace.find("replies beyond 4096 devices dropped"), std::string::npos);
}

// A hundred devices that are new ones at each of the three protocols' fetches, with documents
// that together would make a settings file beyond what loading reads.
TEST(DiscoveryBounds, OneSearchAddsABoundedNumberOfDevicesAndNeverCostsTheFleet) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 2);
    ManagedFleet fleet(*net, net->Device(0));
    const std::string before = fleet.ExpectLoadsWithTheFleet().GetDevice(fleet.DeviceMac()).SaveToBytes();
    std::unique_ptr<Simulator> hostile = StartHostileDevices(*net, net->Device(1), 100, {"--discovery"});
    hostile->Set("*", "mac-per-request", "on");
    hostile->Set("*", "pad-bytes", "300000");
    const ProcessResult found = fleet.Korvanectl({"discover", "--add", "--json"});
    EXPECT_EQ(found.exitCode, 1);
    EXPECT_NE(found.err.find("(64 MiB)"), std::string::npos) << found.err;
    const nlohmann::json report = nlohmann::json::parse(found.out);
    size_t nFetched = 0;
    size_t nAdded = 0;
    for (const nlohmann::json& device : report.at("devices")) {
        nFetched += device.at("outcome") == "fetched" ? 1 : 0;
        nAdded += device.value("added", false) ? 1 : 0;
    }
    ASSERT_GT(nFetched, Korvane::CSearchIntake::MAX_NEW_DEVICES) << found.out;
    EXPECT_EQ(nAdded, Korvane::CSearchIntake::MAX_NEW_DEVICES);
    EXPECT_EQ(report.at("passed_over"), nFetched - nAdded);
    const Korvane::CKorvaneAdminInfoMgr loaded = fleet.ExpectLoadsWithTheFleet();
    EXPECT_EQ(loaded.Devices().size(), 1u);
    EXPECT_EQ(loaded.GetDevice(fleet.DeviceMac()).SaveToBytes(), before);
}
