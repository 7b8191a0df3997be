#pragma once

// Reading mail the way a mail program would, written apart from the code under test so that a
// mistake there cannot cancel out here.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace MailTesting {

// Base64 of RFC 2045; line ends and spaces are skipped. Throws std::invalid_argument on anything
// else outside the alphabet.
std::string DecodeBase64(std::string_view text);

// ISO-2022-JP bytes as UTF-8 (glibc's converter); throws std::invalid_argument when they are not
// valid ISO-2022-JP.
std::string Iso2022JpToUtf8(std::string_view bytes);

// A header value, folded or not, with its RFC 2047 "B" words (UTF-8 or ISO-2022-JP) decoded to
// UTF-8. White space (folding included) between two words is dropped; other text stays as it is.
std::string DecodeWords(std::string_view value);

struct ParsedMail {
    std::vector<std::pair<std::string, std::string>> headers; // unfolded, in order
    std::string body;                                         // with "\n" line ends
};

// Splits a message (line ends "\r\n" or "\n") into its headers and body.
ParsedMail ParseMail(std::string_view raw);

// The value of the first header of the name (compared without regard to case); empty when none.
std::string HeaderOf(const ParsedMail& mail, std::string_view name);

// The body decoded by its Content-Transfer-Encoding and charset, as UTF-8 with "\n" line ends.
std::string DecodedBody(const ParsedMail& mail);

// The text with every "\r\n" made "\n".
std::string WithLineFeeds(std::string_view text);

} // namespace MailTesting
