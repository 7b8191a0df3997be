#include "admin/ReportWriter.h"

#include "admin/InfoValues.h"
#include "admin/TextFormat.h"
#include "support/StringTable.h"
#include "support/Utf8.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace Korvane {
namespace {

struct CodeRange {
    char32_t nFirst;
    char32_t nLast;
};

// The wide (W) and full-width (F) blocks of East Asian Width that Japanese text uses.
constexpr CodeRange kWideRanges[] = {
    {0x1100, 0x115F},   {0x2E80, 0x303E},   {0x3041, 0x33FF}, {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},
    {0xA000, 0xA4CF},   {0xA960, 0xA97F},   {0xAC00, 0xD7A3}, {0xF900, 0xFAFF},   {0xFE10, 0xFE19},
    {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6}, {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF},
    {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

bool IsWide(char32_t nCodePoint) {
    return std::any_of(std::begin(kWideRanges), std::end(kWideRanges), [nCodePoint](const CodeRange& range) {
        return nCodePoint >= range.nFirst && nCodePoint <= range.nLast;
    });
}

} // namespace

CReportWriter::CReportWriter(int nTitleId, ReportFieldFilter filter)
    : m_filter(std::move(filter)), m_text(Header(nTitleId)) {}

std::string CReportWriter::Header(int nTitleId) {
    return CTextFormat::FormatId(Zelt::Text::DetailSectionHeading, {Zelt::CStringTable::Text(nTitleId)});
}

int CReportWriter::DisplayWidth(std::string_view text) {
    int nWidth = 0;
    for (size_t nPos = 0; nPos < text.size();) {
        const Zelt::CUtf8::CodePoint character = Zelt::CUtf8::Decode(text, nPos);
        nWidth += character.bValid && IsWide(character.nValue) ? 2 : 1;
        nPos += character.nLength;
    }
    return nWidth;
}

CReportWriter& CReportWriter::Line(int nLevel, int nLabelId, std::string_view value) {
    std::string head(static_cast<size_t>(4 * nLevel), ' ');
    head += Zelt::CStringTable::Text(nLabelId);
    // A label that reaches the value column is not cut; its colon just moves right.
    head.append(static_cast<size_t>(std::max(0, VALUE_COLUMN - DisplayWidth(head))), ' ');
    m_text += head;
    m_text += ": ";
    m_text += value.empty() ? CInfoValues::NoValue() : Value(value);
    m_text += "\r\n";
    return *this;
}

CReportWriter& CReportWriter::Verbatim(int nFormatId, std::initializer_list<std::string_view> args) {
    std::vector<std::string> values;
    for (std::string_view arg : args) {
        values.push_back(arg.empty() ? CInfoValues::NoValue() : Value(arg));
    }
    const std::vector<std::string_view> shown(values.begin(), values.end());
    m_text += CTextFormat::FormatId(nFormatId, shown);
    return *this;
}

CReportWriter& CReportWriter::Lines(std::string_view text) {
    while (!text.empty()) {
        const size_t nFeed = std::min(text.find('\n'), text.size());
        const size_t nEnd = nFeed > 0 && nFeed < text.size() && text[nFeed - 1] == '\r' ? nFeed - 1 : nFeed;
        m_text += Value(text.substr(0, nEnd));
        const size_t nNext = std::min(nFeed + 1, text.size());
        m_text += text.substr(nEnd, nNext - nEnd);
        text.remove_prefix(nNext);
    }
    return *this;
}

std::string CReportWriter::Value(std::string_view value) const {
    return m_filter ? m_filter(value) : std::string(value);
}

std::string CReportWriter::Finish() {
    m_text += "\r\n";
    return std::move(m_text);
}

} // namespace Korvane
