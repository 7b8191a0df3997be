#include "MailText.h"

#include <iconv.h>
#include <stdexcept>
#include <strings.h>

namespace MailTesting {

namespace {

int SextetOf(char ch) {
    if (ch >= 'A' && ch <= 'Z') {
        return ch - 'A';
    }
    if (ch >= 'a' && ch <= 'z') {
        return ch - 'a' + 26;
    }
    if (ch >= '0' && ch <= '9') {
        return ch - '0' + 52;
    }
    if (ch == '+' || ch == '/') {
        return ch == '+' ? 62 : 63;
    }
    return -1;
}

// Folding line ends count as white space as well.
bool IsLinearWhiteSpace(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n';
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// One encoded word "=?charset?B?text?=" starting at pos; its end goes to end.
bool DecodeWordAt(std::string_view value, size_t pos, size_t& end, std::string& decoded) {
    if (value.substr(pos, 2) != "=?") {
        return false;
    }
    const size_t charsetEnd = value.find('?', pos + 2);
    if (charsetEnd == std::string_view::npos || value.substr(charsetEnd, 3) != "?B?") {
        return false;
    }
    const size_t textEnd = value.find("?=", charsetEnd + 3);
    if (textEnd == std::string_view::npos) {
        return false;
    }
    const std::string_view charset = value.substr(pos + 2, charsetEnd - pos - 2);
    const std::string bytes = DecodeBase64(value.substr(charsetEnd + 3, textEnd - charsetEnd - 3));
    decoded = EqualsIgnoringCase(charset, "ISO-2022-JP") ? Iso2022JpToUtf8(bytes) : bytes;
    end = textEnd + 2;
    return true;
}

} // namespace

std::string DecodeBase64(std::string_view text) {
    std::string bytes;
    unsigned bits = 0;
    int count = 0;
    for (char ch : text) {
        if (ch == '\r' || ch == '\n' || ch == ' ' || ch == '\t' || ch == '=') {
            continue;
        }
        const int sextet = SextetOf(ch);
        if (sextet < 0) {
            throw std::invalid_argument("not Base64: " + std::string(text));
        }
        bits = (bits << 6) | static_cast<unsigned>(sextet);
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return bytes;
}

std::string Iso2022JpToUtf8(std::string_view bytes) {
    iconv_t cd = iconv_open("UTF-8", "ISO-2022-JP");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        throw std::invalid_argument("no ISO-2022-JP converter");
    }
    std::string output(bytes.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* out = output.data();
    size_t outLeft = output.size();
    const size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
    iconv_close(cd);
    if (result == static_cast<size_t>(-1) || inLeft != 0) {
        throw std::invalid_argument("not ISO-2022-JP");
    }
    output.resize(output.size() - outLeft);
    return output;
}

std::string DecodeWords(std::string_view value) {
    std::string text;
    std::string pendingSpace; // white space after a word, dropped when another word follows
    bool afterWord = false;
    for (size_t pos = 0; pos < value.size();) {
        size_t end = 0;
        std::string decoded;
        if (DecodeWordAt(value, pos, end, decoded)) {
            text += afterWord ? decoded : pendingSpace + decoded;
            pendingSpace.clear();
            afterWord = true;
            pos = end;
        } else if (afterWord && IsLinearWhiteSpace(value[pos])) {
            pendingSpace += value[pos++];
        } else {
            text += pendingSpace + value[pos++];
            pendingSpace.clear();
            afterWord = false;
        }
    }
    return text + pendingSpace;
}

std::string WithLineFeeds(std::string_view text) {
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' || i + 1 >= text.size() || text[i + 1] != '\n') {
            result += text[i];
        }
    }
    return result;
}

ParsedMail ParseMail(std::string_view raw) {
    const std::string text = WithLineFeeds(raw);
    const size_t headerEnd = text.find("\n\n");
    ParsedMail mail;
    mail.body = headerEnd == std::string::npos ? std::string() : text.substr(headerEnd + 2);
    const std::string headerText = text.substr(0, headerEnd);
    size_t lineStart = 0;
    while (lineStart < headerText.size()) {
        size_t lineEnd = headerText.find('\n', lineStart);
        lineEnd = lineEnd == std::string::npos ? headerText.size() : lineEnd;
        const std::string line = headerText.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;
        if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !mail.headers.empty()) {
            mail.headers.back().second += line; // unfolding keeps the leading white space
            continue;
        }
        const size_t colon = line.find(':');
        const size_t valueStart = line.find_first_not_of(' ', colon + 1);
        mail.headers.emplace_back(line.substr(0, colon),
                                  valueStart == std::string::npos ? std::string() : line.substr(valueStart));
    }
    return mail;
}

std::string HeaderOf(const ParsedMail& mail, std::string_view name) {
    for (const auto& [headerName, value] : mail.headers) {
        if (EqualsIgnoringCase(headerName, name)) {
            return value;
        }
    }
    return std::string();
}

std::string DecodedBody(const ParsedMail& mail) {
    const std::string encoding = HeaderOf(mail, "Content-Transfer-Encoding");
    const std::string bytes = EqualsIgnoringCase(encoding, "base64") ? DecodeBase64(mail.body) : mail.body;
    const bool iso2022jp = HeaderOf(mail, "Content-Type").find("ISO-2022-JP") != std::string::npos;
    return WithLineFeeds(iso2022jp ? Iso2022JpToUtf8(bytes) : bytes);
}

} // namespace MailTesting
