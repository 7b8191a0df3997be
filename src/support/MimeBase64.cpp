#include "support/MimeBase64.h"

#include "support/TextConvert.h"
#include "support/Utf8.h"

#include <algorithm>
#include <array>

namespace Zelt {

namespace {

constexpr std::string_view ALPHABET = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr size_t LINE_LENGTH = 76;

constexpr std::array<int8_t, 256> MakeSextetTable() {
    std::array<int8_t, 256> table{};
    table.fill(-1);
    for (size_t i = 0; i < ALPHABET.size(); ++i) {
        table[static_cast<uint8_t>(ALPHABET[i])] = static_cast<int8_t>(i);
    }
    return table;
}

constexpr std::array<int8_t, 256> SEXTET_TABLE = MakeSextetTable();

std::string BreakLines(const std::string& strText) {
    std::string strResult;
    strResult.reserve(strText.size() + strText.size() / LINE_LENGTH * 2);
    for (size_t nPos = 0; nPos < strText.size(); nPos += LINE_LENGTH) {
        if (nPos != 0) {
            strResult += "\r\n";
        }
        strResult.append(strText, nPos, LINE_LENGTH);
    }
    return strResult;
}

bool IsSkippedSpace(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n';
}

} // namespace

std::string CMimeBase64::Encode(std::string_view bytes, bool bMultiLine) {
    std::string strText;
    strText.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t nCount = std::min<size_t>(3, bytes.size() - i);
        uint32_t nGroup = 0;
        for (size_t k = 0; k < 3; ++k) {
            nGroup = (nGroup << 8) | (k < nCount ? static_cast<uint8_t>(bytes[i + k]) : 0U);
        }
        for (size_t k = 0; k < 4; ++k) {
            strText += k <= nCount ? ALPHABET[(nGroup >> (18 - 6 * k)) & 0x3F] : '=';
        }
    }
    return bMultiLine ? BreakLines(strText) : strText;
}

std::optional<std::string> CMimeBase64::Decode(std::string_view strText) {
    std::string strCompact;
    strCompact.reserve(strText.size());
    for (char ch : strText) {
        if (!IsSkippedSpace(ch)) {
            strCompact += ch;
        }
    }
    if (strCompact.size() % 4 != 0) {
        return std::nullopt;
    }
    size_t nPadding = 0;
    while (nPadding < 2 && nPadding < strCompact.size() &&
           strCompact[strCompact.size() - 1 - nPadding] == '=') {
        ++nPadding;
    }
    std::string strBytes;
    strBytes.reserve(strCompact.size() / 4 * 3);
    uint32_t nBits = 0;
    int nBitCount = 0;
    for (size_t i = 0; i < strCompact.size() - nPadding; ++i) {
        const std::optional<uint8_t> nValue = SextetValue(strCompact[i]);
        if (!nValue) {
            return std::nullopt;
        }
        nBits = (nBits << 6) | *nValue;
        nBitCount += 6;
        if (nBitCount >= 8) {
            nBitCount -= 8;
            strBytes += static_cast<char>((nBits >> nBitCount) & 0xFF);
        }
    }
    return strBytes;
}

std::string CMimeBase64::EncodeUtf8(std::string_view strText, bool bMultiLine) {
    return Encode(CUtf8::ToValid(strText), bMultiLine);
}

std::string CMimeBase64::EncodeIso2022Jp(std::string_view strText) {
    return Encode(Utf8ToIso2022Jp(strText), false);
}

std::optional<uint8_t> CMimeBase64::SextetValue(char ch) {
    const int8_t nValue = SEXTET_TABLE[static_cast<uint8_t>(ch)];
    if (nValue < 0) {
        return std::nullopt;
    }
    return static_cast<uint8_t>(nValue);
}

} // namespace Zelt
