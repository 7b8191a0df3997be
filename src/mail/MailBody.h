#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace Korvane {

// The plain-text body of a mail: lines ended by "\r\n" within a fixed capacity.
class CMailBody {
public:
    // The capacity of the body, a terminating zero included.
    static constexpr size_t CAPACITY = 65536;

    // Appends the line and "\r\n"; false, and nothing appended, when that would not fit. A later,
    // shorter line may still fit. A line ends at a zero byte; line ends and controls within it are
    // written as visible escapes (CInertMailText), so that the body has exactly the lines added
    // to it.
    bool AddLine(std::string_view strLine);
    const std::string& Text() const { return m_strText; }

    // UTF-8 in Base64 lines of 76 characters (no line end after the last), or ISO-2022-JP as it
    // is; empty for an encoding outside the mail encodings.
    std::string Encoded(int nEncoding) const;

    // The text with a second "." before every line that begins with ".", so that no line of it
    // can end the SMTP data early.
    static std::string DotStuffed(std::string_view strText);

private:
    std::string m_strText;
};

} // namespace Korvane
