// Arbitrary bytes as a scraper's request and as a device's label value: the request head reader
// decides without reading out of bounds, every answer is one status line and a closed head, and
// an escaped label value can neither end its value nor its line.
#include "metrics/ExpositionWriter.h"
#include "metrics/HttpRequestHead.h"
#include "metrics/MetricsResponse.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace {

void CheckAnswer(const std::string& answer) {
    if (!answer.starts_with("HTTP/1.1 ") || answer.find("\r\n\r\n") == std::string::npos ||
        answer.find("Connection: close\r\n") == std::string::npos) {
        std::abort();
    }
}

void CheckEscaped(std::string_view value) {
    const std::string escaped = Korvane::CExpositionWriter::EscapedLabelValue(value);
    bool bEscape = false;
    for (const char c : escaped) {
        if (c == '\n' || (c == '"' && !bEscape)) {
            std::abort();
        }
        bEscape = c == '\\' && !bEscape;
    }
    if (bEscape) {
        std::abort(); // a trailing lone backslash would escape the closing quote
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    const std::string_view bytes(reinterpret_cast<const char*>(pData), nSize);
    Korvane::CHttpRequestHead head;
    const Korvane::CHttpRequestHead::Verdict verdict = head.Parse(bytes);
    if (verdict != Korvane::CHttpRequestHead::Verdict::INCOMPLETE) {
        CheckAnswer(
            Korvane::CMetricsResponse::For(verdict, head, std::make_shared<const std::string>("x 1\n")).head);
    }
    CheckEscaped(bytes);
    return 0;
}
