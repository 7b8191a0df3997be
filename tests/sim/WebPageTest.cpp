// The web setting pages that each simulated device serves over HTTP on its own address.

#include "DeviceClient.h"
#include "common/Simulator.h"

#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using KorvaneTesting::Simulator;
using namespace SimTest;

constexpr std::uint16_t kHttpPort = 18080;

// The status code of a GET, or 0 without an answer.
int Get(const std::string& address, const std::string& path, std::string* body = nullptr) {
    const int fd = Connect(address, kHttpPort);
    if (fd < 0) {
        return 0;
    }
    SendAll(fd, "GET " + path + " HTTP/1.1\r\nHost: " + address + "\r\nConnection: close\r\n\r\n");
    const std::string response = ReadAll(fd, std::chrono::seconds(5));
    close(fd);
    if (response.rfind("HTTP/1.", 0) != 0 || response.size() < 12) {
        return 0;
    }
    const std::size_t headEnd = response.find("\r\n\r\n");
    if (body != nullptr && headEnd != std::string::npos) {
        *body = response.substr(headEnd + 4);
        const std::size_t length = response.find("Content-Length: ");
        EXPECT_NE(length, std::string::npos);
        EXPECT_EQ(std::stoul(response.substr(length + 16)), body->size());
    }
    return std::stoi(response.substr(9, 3));
}

const char* const kHPages[] = {"/login/admin/system/datetime/datetime", "/login/admin/network/lan1/ipv4/ipv4",
                               "/login/admin/usergroup/user/quota/quota",
                               "/login/admin/system/notice/mail/mailnotice/mailnotice"};
const char* const kOtherPages[] = {"/detail/basic/datetime/datetime.cgi", "/detail/basic/network/network.cgi",
                                   "/detail/share/userquota/userquota.cgi", "/detail/notice/event/event.cgi"};

TEST(SimulatorWebPages, EachModelFamilyServesItsOwnPagePaths) {
    // Default families in order: qrx-x (QRX-XR4), qrx-h (QRX4-H), qrx-xv (QRX-XV2).
    Simulator sim({"--count", "3", "--base", "127.0.177.1", "--http-port", std::to_string(kHttpPort)});
    const auto devices = sim.Devices();
    ASSERT_EQ(devices[1].model, "QRX4-H");

    for (int page = 0; page < 4; ++page) {
        EXPECT_EQ(Get("127.0.177.1", kOtherPages[page]), 200) << kOtherPages[page];
        EXPECT_EQ(Get("127.0.177.1", kHPages[page]), 404) << kHPages[page];
        EXPECT_EQ(Get("127.0.177.2", kHPages[page]), 200) << kHPages[page];
        EXPECT_EQ(Get("127.0.177.2", kOtherPages[page]), 404) << kOtherPages[page];
        // QRX-XV models have no quota function, so no quota page.
        EXPECT_EQ(Get("127.0.177.3", kOtherPages[page]), page == 2 ? 404 : 200) << kOtherPages[page];
    }
    std::string body;
    EXPECT_EQ(Get("127.0.177.2", std::string(kHPages[0]) + "?lang=ja", &body), 200);
    EXPECT_NE(body.find(devices[1].hostname), std::string::npos) << body;
    EXPECT_EQ(Get("127.0.177.1", "/no/such/page", &body), 404);
    EXPECT_EQ(Get("127.0.177.1", "/", &body), 200);
    EXPECT_NE(body.find(kOtherPages[3]), std::string::npos) << "the index links the pages";

    // The rule follows the product name: an empty one gets the QRX%d-H paths.
    sim.Set(0, "model", "");
    EXPECT_EQ(Get("127.0.177.1", kHPages[0]), 200);
    EXPECT_EQ(Get("127.0.177.1", kOtherPages[0]), 404);

    const auto log = sim.Log(1);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), std::string("http GET ") + kHPages[0]);
}

TEST(SimulatorWebPages, PagesGoAwayWithThePowerAndCanBeSwitchedOff) {
    Simulator sim({"--count", "1", "--base", "127.0.178.1", "--http-port", std::to_string(kHttpPort)});
    EXPECT_EQ(Get("127.0.178.1", kOtherPages[1]), 200);
    sim.PowerOff(0);
    EXPECT_EQ(Get("127.0.178.1", kOtherPages[1]), 0);
    sim.Wake(0);
    EXPECT_EQ(Get("127.0.178.1", kOtherPages[1]), 200);

    Simulator without({"--count", "1", "--base", "127.0.178.2", "--http-port", "0"});
    EXPECT_EQ(Get("127.0.178.2", kOtherPages[1]), 0);
}

} // namespace
