// Broken and hostile devices: every one ends the exchange as a clean error with its status.
#include "DeviceOutcome.h"
#include "protocol/InfoBounds.h"
#include "protocol/KorvaneErrors.h"
#include "protocol/KorvaneInfo.h"

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

using namespace Korvane;
using namespace HostileDevices;

TEST(HostileDevice, AnAbsurdLengthIsASocketErrorWithoutAllocatingIt) {
    const Outcome outcome = FetchFrom("127.82.0.1", "hostile-length");
    EXPECT_EQ(outcome.exception, "CSocketError");
    EXPECT_EQ(outcome.nStatus, STATUS_SOCKET_ERROR);
}

TEST(HostileDevice, ABodyShorterThanAnnouncedIsASocketError) {
    const Outcome outcome = FetchFrom("127.82.0.2", "hostile-short");
    EXPECT_EQ(outcome.exception, "CSocketError");
    EXPECT_EQ(outcome.nStatus, STATUS_SOCKET_ERROR);
    EXPECT_LT(outcome.dSeconds, 2.0) << "a closed connection ends the read at once";
}

TEST(HostileDevice, UndecodableOrMalformedDocumentsAreXmlErrors) {
    int nDevice = 3;
    for (const char* mode : {"hostile-base64", "hostile-xml", "hostile-noresult"}) {
        const Outcome outcome = FetchFrom("127.82.0." + std::to_string(nDevice++), mode);
        EXPECT_EQ(outcome.exception, "CXMLError") << mode;
        EXPECT_EQ(outcome.nStatus, STATUS_XML_ERROR) << mode;
    }
}

TEST(HostileDevice, RefusedConnectionsAreASocketOpenError) {
    const Outcome outcome = FetchFrom("127.82.0.6", "refuse");
    EXPECT_EQ(outcome.exception, "CSocketError");
    EXPECT_EQ(outcome.nStatus, STATUS_SOCKET_ERROR);
}

TEST(HostileDevice, ASilentDeviceTimesOutAfterTheSocketLimit) {
    const Outcome outcome = FetchFrom("127.82.0.7", "silent", 1000);
    EXPECT_EQ(outcome.exception, "CSocketTimeOut");
    EXPECT_EQ(outcome.nStatus, STATUS_TIMEOUT);
    EXPECT_GE(outcome.dSeconds, 5.9) << "1000 ms plus 5000 ms of socket limit";
    EXPECT_LT(outcome.dSeconds, 9.0);
}

TEST(HostileDevice, ACancelEndsAnExchangeAtOnce) {
    auto cancel = std::make_shared<Zelt::CancelEvent>();
    std::thread canceller([cancel] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        cancel->Set();
    });
    const Outcome outcome = FetchFrom("127.82.0.8", "wait-forever", 30000, cancel);
    canceller.join();
    EXPECT_EQ(outcome.exception, "CSocketEvent");
    EXPECT_EQ(outcome.nStatus, STATUS_CANCELLED);
    EXPECT_LT(outcome.dSeconds, 3.0);
}

// What one device may store is bounded where its information arrives: beyond the bound the fetch
// fails and the session keeps no document.
TEST(HostileDevice, InformationBeyondWhatADeviceMayStoreIsRefused) {
    Simulator sim({"--count", "1", "--base", "127.82.1.1", "--http-port", "0"});
    std::string deep;
    for (size_t i = 0; i < CInfoBounds::MAX_DEPTH; ++i) {
        deep = "<deep>" + deep + "</deep>";
    }
    const auto fetch = [] {
        CKorvaneInfo session("127.82.1.1", "");
        try {
            session.GetInfo(ID_GETINFO_CATEGORY_ADMIN_SIMPLE, nullptr, 1000);
        } catch (const CInfoTooLarge&) {
            EXPECT_EQ(session.GetStatus(), STATUS_XML_ERROR);
            EXPECT_FALSE(session.HasRootNode());
            return false;
        }
        return session.HasRootNode();
    };
    sim.Set(0, "pad-bytes", std::to_string(CInfoBounds::MAX_BYTES - 64 * 1024));
    EXPECT_TRUE(fetch()) << "within the bound";
    sim.Set(0, "pad-bytes", std::to_string(CInfoBounds::MAX_BYTES));
    EXPECT_FALSE(fetch());
    sim.Set(0, "pad-bytes", "0");
    sim.Control("info 0 add systeminfo " + deep);
    EXPECT_FALSE(fetch()) << "nested deeper than the bound";
}
