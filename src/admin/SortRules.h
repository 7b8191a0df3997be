#pragma once

#include <string_view>

namespace Korvane {

// How a column of the device list orders its rows.
enum class SortRule {
    TextOrder,        // UTF-16 code units, case-sensitive
    VersionOrder,     // "1.9" after "1.10": the minor part is a decimal fraction
    Ipv4Order,        // numerically; a text that is no address counts as 255.255.255.255
    Ipv6Order,        // by address bytes; a text that is no address comes first
    EcoTimeOrder,     // by the number of the eco time text
    TemperatureOrder, // by the degrees of the temperature text
    CapacityOrder,    // by the byte count in the capacity text
};

// The comparisons the list sorts with. Each reads the two cell texts as displayed.
class CSortRules {
public:
    // Negative, zero or positive as a is before, equal to or after b in ascending order; the
    // descending flag reverses the result.
    static int Compare(SortRule rule, std::string_view a, std::string_view b, bool bDescending = false);

private:
    static int TextOrder(std::string_view a, std::string_view b);
    static int VersionOrder(std::string_view a, std::string_view b);
    static int Ipv4Order(std::string_view a, std::string_view b);
    static int Ipv6Order(std::string_view a, std::string_view b);
    static int EcoTimeOrder(std::string_view a, std::string_view b);
    static int TemperatureOrder(std::string_view a, std::string_view b);
    static int CapacityOrder(std::string_view a, std::string_view b);
};

} // namespace Korvane
