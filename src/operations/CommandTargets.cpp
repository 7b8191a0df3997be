#include "operations/CommandTargets.h"

#include "support/TextIds.h"

namespace Korvane {

int CCommandTargets::Check(TargetRule rule, size_t nCount) {
    switch (rule) {
    case TargetRule::Selection:
        return nCount == 0 ? Zelt::Text::NothingSelected : TARGETS_OK;
    case TargetRule::One:
        return nCount == 0  ? Zelt::Text::NothingSelected
               : nCount > 1 ? Zelt::Text::MoreThanOneSelected
                            : TARGETS_OK;
    case TargetRule::All:
        return nCount == 0 ? TARGETS_SILENT : TARGETS_OK;
    }
    return TARGETS_OK;
}

} // namespace Korvane
