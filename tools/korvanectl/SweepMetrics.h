#pragma once

#include "admin/AdminInfoMgr.h"
#include "metrics/ExpositionWriter.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>

namespace Korvanectl {

// What the monitor's updates of all devices (sweeps) did, per kind (full, status): when the last
// one started, how long the last completed one took, how its devices came out, and how many have
// completed. Used on the store's thread only.
class SweepMetrics {
public:
    // A sweep of the category (ID_GETINFO_CATEGORY_ADMIN_NORMAL or ID_GETINFO_CATEGORY_STATUS)
    // has started; other categories are no sweep.
    void Started(int nCategory);
    // The sweep that started last has ended; its results are in the store.
    void Completed(const Korvane::CKorvaneAdminInfoMgr& manager);
    void Write(Korvane::CExpositionWriter& writer) const;

private:
    // The five communication results, then "unreachable".
    static constexpr size_t kOutcomes = 6;

    struct Kind {
        std::chrono::steady_clock::time_point started;
        std::optional<double> startTime; // seconds since the Unix epoch
        std::optional<double> duration;  // seconds
        std::array<int, kOutcomes> devices{};
        uint64_t nCompleted = 0;
    };

    static size_t Outcome(const Korvane::CManagedDevice& device);
    // A family of one value per kind, for the kinds that have it.
    void WriteTimes(Korvane::CExpositionWriter& writer, const char* pszName, const char* pszHelp,
                    std::optional<double> Kind::*value) const;

    std::array<Kind, 2> m_kinds;
    std::optional<size_t> m_running; // the kind of the sweep under way
};

} // namespace Korvanectl
