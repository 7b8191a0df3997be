#include "TableLayout.h"

#include "admin/ReportWriter.h"

#include <algorithm>
#include <ostream>
#include <unistd.h>

namespace Korvanectl {
namespace {

constexpr int kColumnGap = 2;

} // namespace

TableLayout::Form TableLayout::FormForStandardOutput() {
    return isatty(STDOUT_FILENO) == 1 ? ALIGNED : TAB_SEPARATED;
}

std::vector<int> TableLayout::ColumnWidths(const std::vector<std::vector<std::string>>& lines) {
    std::vector<int> widths;
    for (const std::vector<std::string>& line : lines) {
        widths.resize(std::max(widths.size(), line.size()));
        for (size_t i = 0; i < line.size(); ++i) {
            widths[i] = std::max(widths[i], Korvane::CReportWriter::DisplayWidth(line[i]));
        }
    }
    return widths;
}

void TableLayout::Print(const std::vector<std::vector<std::string>>& lines, Form form, std::ostream& out) {
    const std::vector<int> widths = form == ALIGNED ? ColumnWidths(lines) : std::vector<int>();
    for (const std::vector<std::string>& line : lines) {
        for (size_t i = 0; i < line.size(); ++i) {
            out << line[i];
            if (i + 1 == line.size()) {
                break;
            }
            if (form == TAB_SEPARATED) {
                out << '\t';
            } else {
                const int nPadding = widths[i] - Korvane::CReportWriter::DisplayWidth(line[i]) + kColumnGap;
                out << std::string(static_cast<size_t>(nPadding), ' ');
            }
        }
        out << '\n';
    }
}

} // namespace Korvanectl
