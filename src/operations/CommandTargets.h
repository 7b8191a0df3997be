#pragma once

#include <cstddef>

namespace Korvane {

// Which devices a main-window command works on.
enum class TargetRule {
    Selection, // the selected devices of the list
    One,       // exactly one selected device
    All,       // every device the list shows (the group selected in the tree)
};

constexpr int TARGETS_OK = 0;
constexpr int TARGETS_SILENT = -1; // nothing to do, and nothing to say

// Every command checks its own targets; no command is ever greyed.
class CCommandTargets {
public:
    // TARGETS_OK, the message to show (nothing selected, more than one), or
    // TARGETS_SILENT for a batch command on an empty group.
    static int Check(TargetRule rule, size_t nCount);
};

} // namespace Korvane
