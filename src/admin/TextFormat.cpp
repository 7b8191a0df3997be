#include "admin/TextFormat.h"

#include "support/StringTable.h"

#include <ctime>

namespace Korvane {

std::string CTextFormat::Format(std::string_view format, std::span<const std::string_view> args) {
    std::string text;
    text.reserve(format.size() + 32);
    auto next = args.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        const bool bConversion = format[i] == '%' && i + 1 < format.size();
        if (!bConversion) {
            text += format[i];
            continue;
        }
        const char type = format[++i];
        if (type == '%') {
            text += '%';
        } else if (next != args.end()) {
            text += *next++;
        }
    }
    return text;
}

std::string CTextFormat::FormatId(int nFormatId, std::span<const std::string_view> args) {
    return Format(Zelt::CStringTable::Text(nFormatId), args);
}

std::vector<std::string> CTextFormat::Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t nStart = 0;
    for (size_t nBreak; (nBreak = text.find('\n', nStart)) != std::string::npos; nStart = nBreak + 1) {
        lines.push_back(text.substr(nStart, nBreak - nStart));
    }
    if (nStart < text.size()) {
        lines.push_back(text.substr(nStart));
    }
    return lines;
}

std::string CTextFormat::LocalTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &local);
    return text;
}

} // namespace Korvane
