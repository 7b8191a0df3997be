#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace Korvane {

// A mail server's reply as it arrives in pieces, and what the dialogues read from it.
class CMailReply {
public:
    enum class Style { Smtp, Pop3 };

    // A reply that grows beyond this ends the dialogue as a failure rather than filling the memory.
    static constexpr size_t MAX_BYTES = 65536;

    explicit CMailReply(Style style) : m_style(style) {}

    // Appends received bytes; true once the reply is whole. A reply longer than MAX_BYTES is
    // thrown as a receive error.
    bool Append(std::string_view bytes);
    const std::string& Text() const { return m_strText; }

    // Whether a reply starts with the code, without regard to case.
    static bool HasCode(std::string_view reply, std::string_view code);
    // The number of the reply's first three characters; 0 when they are not a number.
    static int NumericCode(std::string_view reply);
    // The text after "334 " of a CRAM-MD5 challenge reply without its line end; nullopt when
    // the reply is too short to hold one.
    static std::optional<std::string> Challenge(std::string_view reply);

private:
    bool IsComplete() const;

    Style m_style;
    std::string m_strText;
};

} // namespace Korvane
