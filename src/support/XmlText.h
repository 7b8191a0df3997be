#pragma once

#include <string>
#include <string_view>

namespace Zelt {

// Text as an XML 1.0 document can carry it.
class CXmlText {
public:
    // The text with every invalid UTF-8 sequence and every character that XML 1.0 forbids
    // (most control characters, U+FFFE, U+FFFF) replaced by U+FFFD. A document written with
    // such characters could not be read back, and the settings file must always be.
    static std::string Sanitized(std::string_view text);

    // Whether the text can name an element or an attribute.
    static bool IsValidName(const std::string& name);
};

} // namespace Zelt
