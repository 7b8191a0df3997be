#pragma once

#include <ctime>
#include <string>

namespace Korvane {

// The date of the mail header, e.g. "Sat,  6 Jul 2024 08:00:00 +0900".
class CMailDate {
public:
    // The time as local time with the zone of ZoneText.
    static std::string Text(std::time_t time);
    // The local zone's standard-time offset, whether or not daylight saving time is in effect.
    static std::string ZoneText();
    // The zone of a bias in minutes (UTC = local time + bias): "-0500" for 300, "+0530" for -330,
    // "-0000" for 0.
    static std::string ZoneText(long nBiasMinutes);
};

} // namespace Korvane
