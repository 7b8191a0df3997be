#include "mail/MailDate.h"

#include <cstdio>
#include <cstdlib>

namespace Korvane {

namespace {

// English names whatever the locale: the header is read by programs.
constexpr const char* WEEKDAYS[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* MONTHS[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

} // namespace

std::string CMailDate::Text(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    char szDate[80];
    std::snprintf(szDate, sizeof szDate, "%s, %2d %s %04d %02d:%02d:%02d %s", WEEKDAYS[local.tm_wday],
                  local.tm_mday, MONTHS[local.tm_mon], local.tm_year + 1900, local.tm_hour, local.tm_min,
                  local.tm_sec, ZoneText().c_str());
    return szDate;
}

std::string CMailDate::ZoneText() {
    tzset();
    // timezone: seconds west of UTC in standard time, which is the bias.
    return ZoneText(timezone / 60);
}

std::string CMailDate::ZoneText(long nBiasMinutes) {
    const long nMinutes = std::labs(nBiasMinutes);
    char szZone[32];
    std::snprintf(szZone, sizeof szZone, "%c%02ld%02ld", nBiasMinutes < 0 ? '+' : '-', nMinutes / 60,
                  nMinutes % 60);
    return szZone;
}

} // namespace Korvane
