#pragma once

#include <cstddef>
#include <string_view>

namespace Zelt::detail {

struct StringTableEntry {
    int id;
    std::string_view text;
};

// Generated from res/strings.txt and res/strings.en.txt at build time
// (cmake/GenerateStringTable.cmake): ascending ids, each once, so that CStringTable can search
// them by bisection.
extern const StringTableEntry kStringTableJa[];
extern const std::size_t kStringTableJaSize;
extern const StringTableEntry kStringTableEn[];
extern const std::size_t kStringTableEnSize;

} // namespace Zelt::detail
