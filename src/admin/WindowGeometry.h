#pragma once

#include "admin/AdminInfoMgr.h"

#include <array>

namespace Korvane {

// The main window's placement: the frame's rectangle, the height of the row that holds the
// tree and the list, and the width of the tree. The settings file keeps it as x, y, h, w, h1, w1.
struct WindowGeometry {
    int nLeft = -1;
    int nTop = -1;
    int nHeight = -1;
    int nWidth = -1;
    int nListRowHeight = -1;
    int nTreeWidth = -1;

    static constexpr int MINIMUM_WIDTH = 500;
    static constexpr int MINIMUM_HEIGHT = 400;

    static WindowGeometry FromNumbers(const WindowNumbers& numbers);
    WindowNumbers ToNumbers() const;
    // Nothing stored (x is -1): the window's own rectangle, the list row four fifths of the
    // height less 100 pixels, the tree a fifth of the width.
    bool IsUnknown() const { return nLeft == -1; }
    static WindowGeometry Defaults(int nLeft, int nTop, int nHeight, int nWidth);
    // What exit stores: -1 six times for a minimised window (its rectangle means nothing),
    // else the rectangle and the two pane sizes.
    static WindowGeometry AtExit(bool bMinimised, int nLeft, int nTop, int nHeight, int nWidth,
                                 int nListRowHeight, int nTreeWidth);
    // A splitter scales sizes that do not add up to its extent: the first pane keeps its stored
    // size exactly when the second one is given the rest of the extent the splitter really has.
    static std::array<int, 2> SplitExtent(int nFirst, int nExtent);
};

} // namespace Korvane
