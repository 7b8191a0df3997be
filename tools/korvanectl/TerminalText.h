#pragma once

#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>

namespace Korvanectl {

// Text that came from a device (or a file, or a resolver) made safe to print: such text may hold
// control characters that would move the cursor, repaint the terminal or start lines of their
// own, and bidirectional controls that reorder what is shown. Every form keeps the text
// recognisable and changes nothing else.
class TerminalText {
public:
    // One value for reading: tab, line feed and carriage return as \t, \n and \r, the other C0
    // controls, DEL and each byte that is not UTF-8 as \xNN, the C1 controls and the
    // bidirectional embeddings, overrides and isolates as \uNNNN. A backslash stands for itself:
    // the form is for people; --json gives the exact text.
    static std::string Escaped(std::string_view text);
    // One line of JSON: bytes that are not UTF-8 become U+FFFD, and the characters that the JSON
    // writer leaves as they are (DEL, C1 and bidirectional controls) are \u escapes, so the decoded
    // values are unchanged.
    static std::string Json(const nlohmann::json& value);
    // An XML text as it is, but with those characters and the C0 controls other than tab and
    // line feed as character references, and bytes that are not UTF-8 as U+FFFD.
    static std::string Xml(std::string_view text);
};

} // namespace Korvanectl
