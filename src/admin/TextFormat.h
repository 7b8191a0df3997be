#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Korvane {

// Fills the printf-style formats of the string table. Every argument is already text: %s, %d and
// %c each take the next one as it is, %% gives "%". A missing argument counts as empty, so a
// format can never read past what the caller gave.
class CTextFormat {
public:
    static std::string Format(std::string_view format, std::span<const std::string_view> args);
    static std::string Format(std::string_view format, std::initializer_list<std::string_view> args) {
        return Format(format, std::span(args.begin(), args.size()));
    }
    // The format of a string-table id.
    static std::string FormatId(int nFormatId, std::span<const std::string_view> args);
    static std::string FormatId(int nFormatId, std::initializer_list<std::string_view> args) {
        return FormatId(nFormatId, std::span(args.begin(), args.size()));
    }
    // The lines of a text split at line feeds; a final line feed ends the last line and adds no
    // empty one.
    static std::vector<std::string> Lines(const std::string& text);
    // The local time now as the program shows times: "2026/12/08 09:30:05".
    static std::string LocalTimeText();
};

} // namespace Korvane
