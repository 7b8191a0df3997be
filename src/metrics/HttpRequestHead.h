#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Korvane {

// The head of an HTTP/1.x request (request line and header fields), read as far as the metrics
// server needs: the method, the path without its query, the version. The server answers every
// request with "Connection: close", so a body is never read.
class CHttpRequestHead {
public:
    enum class Verdict {
        INCOMPLETE,  // no empty line yet: read on
        COMPLETE,    // the head is there and well formed
        MALFORMED,   // 400
        BAD_VERSION, // not HTTP/1.0 or HTTP/1.1: 505
    };

    // Examines what has come so far. A bare LF ends lines as well as CRLF (tolerated as RFC 9112
    // allows); a NUL byte, a control character in the request line or a line without a colon in
    // the header makes the request malformed.
    Verdict Parse(std::string_view received);

    const std::string& Method() const { return m_method; }
    const std::string& Path() const { return m_path; }

private:
    Verdict ParseRequestLine(std::string_view line);
    static bool IsHeaderField(std::string_view line);

    std::string m_method;
    std::string m_path;
};

} // namespace Korvane
