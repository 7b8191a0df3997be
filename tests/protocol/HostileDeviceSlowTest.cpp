// Devices that never finish their answer.
#include "DeviceOutcome.h"

#include <gtest/gtest.h>

using namespace HostileDevices;

namespace {

// A device that answers "WAIT" for ever, or one byte at a time, must not hold the caller
// for ever: the exchange ends after ten socket wait limits (10 x (1 + 5000) ms here).
void ExpectExchangeDeadline(const std::string& address, const std::string& mode) {
    const Outcome outcome = FetchFrom(address, mode, 1);
    EXPECT_EQ(outcome.exception, "CSocketTimeOut");
    EXPECT_EQ(outcome.nStatus, STATUS_TIMEOUT);
    EXPECT_GE(outcome.dSeconds, 50.0);
    EXPECT_LT(outcome.dSeconds, 60.0);
}

} // namespace

TEST(HostileDeviceSlow, WaitForeverEndsAtTheExchangeDeadline) {
    ExpectExchangeDeadline("127.82.0.9", "wait-forever");
}

TEST(HostileDeviceSlow, TrickleEndsAtTheExchangeDeadline) {
    ExpectExchangeDeadline("127.82.0.10", "trickle");
}
