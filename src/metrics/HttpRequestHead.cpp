#include "metrics/HttpRequestHead.h"

namespace Korvane {
namespace {

// The next line of the head from nPos, without its CRLF or LF; nullopt when it has not ended yet.
std::optional<std::string_view> NextLine(std::string_view text, size_t& nPos) {
    const size_t nFeed = text.find('\n', nPos);
    if (nFeed == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view line = text.substr(nPos, nFeed - nPos);
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    nPos = nFeed + 1;
    return line;
}

bool IsToken(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (const char c : text) {
        if (c <= ' ' || c >= 0x7F || c == '(' || c == ')' || c == ',' || c == '/' || c == ':' || c == ';' ||
            c == '<' || c == '=' || c == '>' || c == '?' || c == '@' || c == '[' || c == '\\' || c == ']' ||
            c == '{' || c == '}' || c == '"') {
            return false;
        }
    }
    return true;
}

bool IsVisibleAscii(std::string_view text) {
    for (const char c : text) {
        if (c <= ' ' || c >= 0x7F) {
            return false;
        }
    }
    return !text.empty();
}

} // namespace

CHttpRequestHead::Verdict CHttpRequestHead::Parse(std::string_view received) {
    if (received.find('\0') != std::string_view::npos) {
        return Verdict::MALFORMED;
    }
    size_t nPos = 0;
    const std::optional<std::string_view> requestLine = NextLine(received, nPos);
    if (!requestLine) {
        return Verdict::INCOMPLETE;
    }
    if (const Verdict verdict = ParseRequestLine(*requestLine); verdict != Verdict::COMPLETE) {
        return verdict;
    }
    while (const std::optional<std::string_view> line = NextLine(received, nPos)) {
        if (line->empty()) {
            return Verdict::COMPLETE;
        }
        if (!IsHeaderField(*line)) {
            return Verdict::MALFORMED;
        }
    }
    return Verdict::INCOMPLETE;
}

CHttpRequestHead::Verdict CHttpRequestHead::ParseRequestLine(std::string_view line) {
    const size_t nFirstSpace = line.find(' ');
    const size_t nSecondSpace =
        nFirstSpace == std::string_view::npos ? nFirstSpace : line.find(' ', nFirstSpace + 1);
    if (nSecondSpace == std::string_view::npos ||
        line.find(' ', nSecondSpace + 1) != std::string_view::npos) {
        return Verdict::MALFORMED;
    }
    const std::string_view method = line.substr(0, nFirstSpace);
    const std::string_view target = line.substr(nFirstSpace + 1, nSecondSpace - nFirstSpace - 1);
    const std::string_view version = line.substr(nSecondSpace + 1);
    if (!IsToken(method) || !IsVisibleAscii(target) || target.front() != '/') {
        return Verdict::MALFORMED;
    }
    if (version != "HTTP/1.1" && version != "HTTP/1.0") {
        return version.starts_with("HTTP/") ? Verdict::BAD_VERSION : Verdict::MALFORMED;
    }
    m_method = method;
    m_path = target.substr(0, target.find('?'));
    return Verdict::COMPLETE;
}

bool CHttpRequestHead::IsHeaderField(std::string_view line) {
    const size_t nColon = line.find(':');
    if (nColon == std::string_view::npos || !IsToken(line.substr(0, nColon))) {
        return false;
    }
    for (const char c : line.substr(nColon + 1)) {
        // Field values are visible characters, spaces and tabs (and obsolete bytes above 0x7F).
        if ((c >= 0 && c < ' ' && c != '\t') || c == 0x7F) {
            return false;
        }
    }
    return true;
}

} // namespace Korvane
