#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Korvane {

// A sample's labels in the order they are written: name (a fixed identifier of the program's own)
// and value (any text, device names included; escaped on output).
using MetricLabels = std::vector<std::pair<std::string_view, std::string>>;

// Writes the Prometheus text exposition format, version 0.0.4: each family's HELP and TYPE lines,
// then its samples. Label values are made valid UTF-8 (invalid bytes become U+FFFD, as the format
// allows nothing else) and escaped, so no text from a device can end a line or a label early.
class CExpositionWriter {
public:
    enum class Type { GAUGE, COUNTER };

    // Begins a family; the samples written after it, until the next family, belong to it.
    void Family(std::string_view name, Type type, std::string_view help);
    void Sample(const MetricLabels& labels, double value);

    const std::string& Text() const { return m_text; }

    // Backslash, double quote and line feed escaped as the format requires.
    static std::string EscapedLabelValue(std::string_view value);
    // The shortest text that reads back as the same number; NaN, +Inf and -Inf as the format
    // spells them.
    static std::string ValueText(double value);

private:
    std::string m_text;
    std::string m_family;
};

} // namespace Korvane
