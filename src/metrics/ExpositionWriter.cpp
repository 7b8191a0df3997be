#include "metrics/ExpositionWriter.h"

#include "support/Utf8.h"

#include <charconv>
#include <cmath>

namespace Korvane {
namespace {

// Backslash and line feed always; the double quote only inside a label value, where it would end
// the value. HELP texts are the program's own, but escaped all the same.
std::string Escaped(std::string_view text, bool bInLabel) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        if (c == '\\') {
            escaped += "\\\\";
        } else if (c == '\n') {
            escaped += "\\n";
        } else if (c == '"' && bInLabel) {
            escaped += "\\\"";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

} // namespace

void CExpositionWriter::Family(std::string_view name, Type type, std::string_view help) {
    m_family = name;
    m_text += "# HELP " + m_family + ' ' + Escaped(help, false) + '\n';
    m_text += "# TYPE " + m_family + (type == Type::COUNTER ? " counter\n" : " gauge\n");
}

void CExpositionWriter::Sample(const MetricLabels& labels, double value) {
    m_text += m_family;
    if (!labels.empty()) {
        char separator = '{';
        for (const auto& [name, labelValue] : labels) {
            m_text += separator;
            m_text += name;
            m_text += "=\"" + EscapedLabelValue(labelValue) + '"';
            separator = ',';
        }
        m_text += '}';
    }
    m_text += ' ' + ValueText(value) + '\n';
}

std::string CExpositionWriter::EscapedLabelValue(std::string_view value) {
    return Escaped(Zelt::CUtf8::ToValid(value), true);
}

std::string CExpositionWriter::ValueText(double value) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value > 0 ? "+Inf" : "-Inf";
    }
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

} // namespace Korvane
