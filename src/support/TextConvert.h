#pragma once

#include <string>
#include <string_view>

namespace Zelt {

// Converts UTF-8 text to ISO-2022-JP as Japanese mail expects it: JIS X 0208 (with the NEC and
// NEC-selected IBM extension rows) between ESC "$B" and ESC "(B", ASCII outside. Half-width katakana
// become their full-width forms; a character without a JIS code, or an invalid UTF-8 sequence,
// becomes "?". The result always ends in ASCII mode.
std::string Utf8ToIso2022Jp(std::string_view strText);

} // namespace Zelt
