// Broken and hostile devices: every one ends the exchange as a clean error with its status.
#include "DeviceOutcome.h"
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
