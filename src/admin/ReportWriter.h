#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace Korvane {

// How a report writes a value that came from the device: the text box shows it as it is (no
// filter), a terminal needs its control characters made visible.
using ReportFieldFilter = std::function<std::string(std::string_view)>;

// Writes the text of one detail report section: its header, its lines, a closing empty line.
// Lines end in "\r\n" for the text box. A value line is an indent, a label, spaces up to display
// column 41 and ": value", so that the values line up in a monospace font in which full-width
// characters take two columns.
class CReportWriter {
public:
    static constexpr int VALUE_COLUMN = 41;

    // Starts the section with "【title】 \r\n". The filter, if any, writes every value.
    explicit CReportWriter(int nTitleId, ReportFieldFilter filter = {});

    // A value line; nLevel 1, 2 or 3 indents by 4, 8 or 12 spaces. An empty value prints "-".
    CReportWriter& Line(int nLevel, int nLabelId, std::string_view value);
    // A whole line of the string table, used as a format ("    LAN :\r\n", "    ユーザー     : %s\r\n");
    // the arguments are values.
    CReportWriter& Verbatim(int nFormatId, std::initializer_list<std::string_view> args = {});
    // A text of several lines (the log): each line is a value, its line end ("\n" or "\r\n") stays.
    CReportWriter& Lines(std::string_view text);
    // The section text, with its closing "\r\n".
    std::string Finish();

    // "【title】 \r\n" alone, which also starts a group section.
    static std::string Header(int nTitleId);
    // Columns of the text in a monospace font: East Asian wide and full-width characters two.
    static int DisplayWidth(std::string_view text);

private:
    std::string Value(std::string_view value) const;

    ReportFieldFilter m_filter;
    std::string m_text;
};

} // namespace Korvane
