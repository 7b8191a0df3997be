#pragma once

#include <string>
#include <string_view>

namespace Korvane {

// Text from a device or the settings as part of one line of a mail (a body line, a header, a
// command): it can neither end the line nor carry control characters. CR and LF show as the two
// characters "\r" and "\n", every other C0 control but the tab, DEL and the C1 controls as
// "\xHH"; everything else is kept as it is.
class CInertMailText {
public:
    static std::string OneLine(std::string_view text);

private:
    static std::string Escaped(unsigned char code);
};

} // namespace Korvane
