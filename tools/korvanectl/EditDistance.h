#pragma once

#include <cstddef>
#include <string_view>

namespace Korvanectl {

// How many single-character insertions, deletions and substitutions turn one text into the
// other; it picks the command a mistyped name most likely meant.
class EditDistance {
public:
    static size_t Between(std::string_view from, std::string_view to);
};

} // namespace Korvanectl
