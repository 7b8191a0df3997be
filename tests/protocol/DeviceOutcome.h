#pragma once

// Fetches information from a simulated device put into a fault mode, and records how it ended.
#include "common/Simulator.h"
#include "net/SocketErrors.h"
#include "protocol/KorvaneInfo.h"
#include "support/XmlError.h"

#include <chrono>
#include <string>

namespace HostileDevices {

using namespace Korvane;
using KorvaneTesting::Simulator;
using Clock = std::chrono::steady_clock;

struct Outcome {
    std::string exception;
    int nStatus = -1;
    double dSeconds = 0;
};

// Runs a simple information fetch against a device in the given mode.
inline Outcome FetchFrom(const std::string& address, const std::string& mode, int nWait = 1000,
                         const Zelt::CancelEventPtr& cancel = nullptr) {
    Simulator sim({"--count", "1", "--base", address, "--http-port", "0"});
    sim.Set(0, "mode", mode);
    CKorvaneInfo session(address, "");
    Outcome outcome;
    const Clock::time_point start = Clock::now();
    try {
        session.GetInfo(ID_GETINFO_CATEGORY_ADMIN_SIMPLE, cancel, nWait);
        outcome.exception = "none";
    } catch (const Zelt::CSocketTimeOut&) {
        outcome.exception = "CSocketTimeOut";
    } catch (const Zelt::CSocketError&) {
        outcome.exception = "CSocketError";
    } catch (const Zelt::CSocketEvent&) {
        outcome.exception = "CSocketEvent";
    } catch (const Zelt::CXMLError&) {
        outcome.exception = "CXMLError";
    }
    outcome.nStatus = session.GetStatus();
    outcome.dSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    return outcome;
}

} // namespace HostileDevices
