#pragma once

#include <cstddef>
#include <string_view>

namespace Zelt::detail {

struct StringTableEntry {
    int id;
    std::string_view text;
};

// Generated from res/strings.txt at build time (cmake/GenerateStringTable.cmake): ascending ids,
// each once, so that CStringTable can search it by bisection.
extern const StringTableEntry kStringTable[];
extern const std::size_t kStringTableSize;

} // namespace Zelt::detail
