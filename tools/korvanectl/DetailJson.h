#pragma once

#include "protocol/KorvaneInfo.h"

#include <nlohmann/json.hpp>

namespace Korvanectl {

// The detail report as data: the values the report shows, read from the device's information
// as the device gives them, with English keys. Numbers (bytes, minutes, degrees, percent, port
// numbers) are numbers, switches are booleans, states are the device's own words, and a value
// the device did not report is null. Sections are those of the report's tree (0 the whole
// report, 1 system ... 11 log).
class DetailJson {
public:
    // The data of one section; null for the eSATA section of a model without eSATA.
    static nlohmann::json Section(const Korvane::CKorvaneInfo& info, int nSection);
};

} // namespace Korvanectl
