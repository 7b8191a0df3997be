#include "admin/WindowGeometry.h"

#include <algorithm>

namespace Korvane {

WindowGeometry WindowGeometry::FromNumbers(const WindowNumbers& numbers) {
    return {numbers[0], numbers[1], numbers[2], numbers[3], numbers[4], numbers[5]};
}

WindowNumbers WindowGeometry::ToNumbers() const {
    return {nLeft, nTop, nHeight, nWidth, nListRowHeight, nTreeWidth};
}

WindowGeometry WindowGeometry::Defaults(int nLeft, int nTop, int nHeight, int nWidth) {
    return {nLeft, nTop, nHeight, nWidth, nHeight / 5 * 4 - 100, nWidth / 5};
}

WindowGeometry WindowGeometry::AtExit(bool bMinimised, int nLeft, int nTop, int nHeight, int nWidth,
                                      int nListRowHeight, int nTreeWidth) {
    if (bMinimised || nLeft < 0 || nTop < 0) {
        return WindowGeometry{};
    }
    return {nLeft, nTop, nHeight, nWidth, nListRowHeight, nTreeWidth};
}

std::array<int, 2> WindowGeometry::SplitExtent(int nFirst, int nExtent) {
    const int nKept = std::clamp(nFirst, 0, std::max(0, nExtent));
    return {nKept, nExtent - nKept};
}

} // namespace Korvane
