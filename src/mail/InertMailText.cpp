#include "mail/InertMailText.h"

#include <cstdio>

namespace Korvane {

namespace {

constexpr unsigned char DELETE = 0x7F;
// U+0080 to U+009F in UTF-8: this lead byte and a second byte up to 0x9F.
constexpr unsigned char C1_LEAD_BYTE = 0xC2;
constexpr unsigned char C1_LAST = 0x9F;

bool IsControl(unsigned char ch) {
    return (ch < 0x20 && ch != '\t') || ch == DELETE;
}

bool IsC1At(std::string_view text, size_t nPos) {
    return static_cast<unsigned char>(text[nPos]) == C1_LEAD_BYTE && nPos + 1 < text.size() &&
           static_cast<unsigned char>(text[nPos + 1]) >= 0x80 &&
           static_cast<unsigned char>(text[nPos + 1]) <= C1_LAST;
}

} // namespace

std::string CInertMailText::OneLine(std::string_view text) {
    std::string line;
    line.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto ch = static_cast<unsigned char>(text[i]);
        if (IsC1At(text, i)) {
            line += Escaped(static_cast<unsigned char>(text[++i]));
        } else if (IsControl(ch)) {
            line += Escaped(ch);
        } else {
            line += text[i];
        }
    }
    return line;
}

std::string CInertMailText::Escaped(unsigned char code) {
    if (code == '\r') {
        return "\\r";
    }
    if (code == '\n') {
        return "\\n";
    }
    char szEscape[sizeof "\\xHH"];
    std::snprintf(szEscape, sizeof szEscape, "\\x%02X", code);
    return szEscape;
}

} // namespace Korvane
