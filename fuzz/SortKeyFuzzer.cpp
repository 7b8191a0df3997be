// Two arbitrary cell texts, as devices report them, compared by the list's number-reading sort
// rules: never a crash or an overflow, and the order is antisymmetric.
#include "admin/SortRules.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t nSplit = input.find('\n');
    const std::string_view a = input.substr(0, nSplit);
    const std::string_view b =
        nSplit == std::string_view::npos ? std::string_view() : input.substr(nSplit + 1);
    for (const Korvane::SortRule rule :
         {Korvane::SortRule::VersionOrder, Korvane::SortRule::CapacityOrder, Korvane::SortRule::EcoTimeOrder,
          Korvane::SortRule::TemperatureOrder, Korvane::SortRule::Ipv4Order, Korvane::SortRule::Ipv6Order}) {
        const int nAb = Korvane::CSortRules::Compare(rule, a, b);
        const int nBa = Korvane::CSortRules::Compare(rule, b, a);
        if ((nAb < 0) != (nBa > 0) || (nAb == 0) != (nBa == 0)) {
            std::abort();
        }
    }
    return 0;
}
