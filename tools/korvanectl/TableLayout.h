#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace Korvanectl {

// Lines of cells as a person or a script wants them: on a terminal each column padded to its widest
// cell (East Asian wide characters take two columns), elsewhere the cells separated by tabs; in
// both forms nothing follows the last cell of a line.
class TableLayout {
public:
    enum Form { ALIGNED, TAB_SEPARATED };

    // ALIGNED when standard output is a terminal.
    static Form FormForStandardOutput();
    static void Print(const std::vector<std::vector<std::string>>& lines, Form form, std::ostream& out);

private:
    static std::vector<int> ColumnWidths(const std::vector<std::vector<std::string>>& lines);
};

} // namespace Korvanectl
