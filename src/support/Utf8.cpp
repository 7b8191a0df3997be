#include "support/Utf8.h"

#include <cstdint>

namespace Zelt {

CUtf8::CodePoint CUtf8::Decode(std::string_view strText, size_t nPos) {
    const auto nLead = static_cast<uint8_t>(strText[nPos]);
    if (nLead < 0x80) {
        return {nLead, 1, true};
    }
    size_t nTrailCount = 0;
    uint8_t nLow = 0x80; // allowed range of the first trail byte; excludes overlongs and surrogates
    uint8_t nHigh = 0xBF;
    char32_t nValue = 0;
    if (nLead >= 0xC2 && nLead <= 0xDF) {
        nTrailCount = 1;
        nValue = nLead & 0x1F;
    } else if (nLead >= 0xE0 && nLead <= 0xEF) {
        nTrailCount = 2;
        nValue = nLead & 0x0F;
        nLow = nLead == 0xE0 ? 0xA0 : 0x80;
        nHigh = nLead == 0xED ? 0x9F : 0xBF;
    } else if (nLead >= 0xF0 && nLead <= 0xF4) {
        nTrailCount = 3;
        nValue = nLead & 0x07;
        nLow = nLead == 0xF0 ? 0x90 : 0x80;
        nHigh = nLead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return {};
    }
    for (size_t k = 1; k <= nTrailCount; ++k) {
        if (nPos + k >= strText.size()) {
            return {0, k, false};
        }
        const auto nTrail = static_cast<uint8_t>(strText[nPos + k]);
        if (nTrail < nLow || nTrail > nHigh) {
            return {0, k, false};
        }
        nValue = (nValue << 6) | (nTrail & 0x3F);
        nLow = 0x80;
        nHigh = 0xBF;
    }
    return {nValue, nTrailCount + 1, true};
}

std::string CUtf8::Encode(char32_t nValue) {
    std::string strBytes;
    if (nValue < 0x80) {
        strBytes += static_cast<char>(nValue);
    } else if (nValue < 0x800) {
        strBytes += static_cast<char>(0xC0 | (nValue >> 6));
        strBytes += static_cast<char>(0x80 | (nValue & 0x3F));
    } else if (nValue < 0x10000) {
        strBytes += static_cast<char>(0xE0 | (nValue >> 12));
        strBytes += static_cast<char>(0x80 | ((nValue >> 6) & 0x3F));
        strBytes += static_cast<char>(0x80 | (nValue & 0x3F));
    } else {
        strBytes += static_cast<char>(0xF0 | (nValue >> 18));
        strBytes += static_cast<char>(0x80 | ((nValue >> 12) & 0x3F));
        strBytes += static_cast<char>(0x80 | ((nValue >> 6) & 0x3F));
        strBytes += static_cast<char>(0x80 | (nValue & 0x3F));
    }
    return strBytes;
}

std::string CUtf8::ToValid(std::string_view strText) {
    std::string strResult;
    strResult.reserve(strText.size());
    for (size_t nPos = 0; nPos < strText.size();) {
        const CodePoint ch = Decode(strText, nPos);
        strResult += ch.bValid ? strText.substr(nPos, ch.nLength) : REPLACEMENT_CHARACTER;
        nPos += ch.nLength;
    }
    return strResult;
}

namespace {

// The first UTF-16 code unit of a character: supplementary characters begin with a high
// surrogate, which sorts below U+E000..U+FFFF although their code points are larger.
char32_t FirstCodeUnit(char32_t nValue) {
    return nValue >= 0x10000 ? 0xD800 + ((nValue - 0x10000) >> 10) : nValue;
}

char32_t SecondCodeUnit(char32_t nValue) {
    return nValue >= 0x10000 ? 0xDC00 + ((nValue - 0x10000) & 0x3FF) : 0;
}

} // namespace

int CUtf8::CompareUtf16(std::string_view a, std::string_view b) {
    size_t nPosA = 0;
    size_t nPosB = 0;
    while (nPosA < a.size() && nPosB < b.size()) {
        const CodePoint chA = Decode(a, nPosA);
        const CodePoint chB = Decode(b, nPosB);
        const char32_t nA = chA.bValid ? chA.nValue : 0xFFFD;
        const char32_t nB = chB.bValid ? chB.nValue : 0xFFFD;
        if (nA != nB) {
            const char32_t nFirstA = FirstCodeUnit(nA);
            const char32_t nFirstB = FirstCodeUnit(nB);
            if (nFirstA != nFirstB) {
                return nFirstA < nFirstB ? -1 : 1;
            }
            return SecondCodeUnit(nA) < SecondCodeUnit(nB) ? -1 : 1;
        }
        nPosA += chA.nLength;
        nPosB += chB.nLength;
    }
    return (nPosA < a.size()) - (nPosB < b.size());
}

} // namespace Zelt
