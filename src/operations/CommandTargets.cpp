#include "operations/CommandTargets.h"

namespace Korvane {

int CCommandTargets::Check(TargetRule rule, size_t nCount) {
    constexpr int kNothingSelected = 10001;
    constexpr int kMoreThanOne = 10003;
    switch (rule) {
    case TargetRule::Selection:
        return nCount == 0 ? kNothingSelected : TARGETS_OK;
    case TargetRule::One:
        return nCount == 0 ? kNothingSelected : nCount > 1 ? kMoreThanOne : TARGETS_OK;
    case TargetRule::All:
        return nCount == 0 ? TARGETS_SILENT : TARGETS_OK;
    }
    return TARGETS_OK;
}

} // namespace Korvane
