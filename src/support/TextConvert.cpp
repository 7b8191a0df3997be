#include "support/TextConvert.h"

#include "support/Utf8.h"

#include <array>
#include <cstdint>
#include <iconv.h>
#include <optional>
#include <unordered_map>

namespace Zelt {

namespace {

constexpr std::string_view ESCAPE_JIS_X0208 = "\x1B$B";
constexpr std::string_view ESCAPE_ASCII = "\x1B(B";

// One iconv descriptor; descriptors keep state and must not be shared between threads.
class CIconv {
public:
    CIconv(const char* pszTo, const char* pszFrom) : m_cd(iconv_open(pszTo, pszFrom)) {}
    ~CIconv() {
        if (IsOpen()) {
            iconv_close(m_cd);
        }
    }
    CIconv(const CIconv&) = delete;
    CIconv& operator=(const CIconv&) = delete;

    // Converts a whole text; nullopt when any part of it has no form in the target set.
    std::optional<std::string> Convert(std::string_view strInput) {
        if (!IsOpen()) {
            return std::nullopt;
        }
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        std::string strOutput(strInput.size() * 4 + 8, '\0');
        char* pIn = const_cast<char*>(strInput.data()); // iconv's signature, it does not write
        size_t nInLeft = strInput.size();
        char* pOut = strOutput.data();
        size_t nOutLeft = strOutput.size();
        if (iconv(m_cd, &pIn, &nInLeft, &pOut, &nOutLeft) == static_cast<size_t>(-1) || nInLeft != 0) {
            return std::nullopt;
        }
        strOutput.resize(strOutput.size() - nOutLeft);
        return strOutput;
    }

private:
    bool IsOpen() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    iconv_t m_cd;
};

// ISO-2022-JP mail carries half-width katakana as their full-width forms, as Japanese mail software
// sends them.
constexpr std::array<char16_t, 63> FULL_WIDTH_KATAKANA = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9, 0x30E3, 0x30E5,
    0x30E7, 0x30C3, 0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB, 0x30AD, 0x30AF, 0x30B1, 0x30B3,
    0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF, 0x30C1, 0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC,
    0x30CD, 0x30CE, 0x30CF, 0x30D2, 0x30D5, 0x30D8, 0x30DB, 0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4,
    0x30E6, 0x30E8, 0x30E9, 0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3, 0x309B, 0x309C};

char32_t ToFullWidthKatakana(char32_t nValue) {
    if (nValue >= 0xFF61 && nValue <= 0xFF9F) {
        return FULL_WIDTH_KATAKANA[nValue - 0xFF61];
    }
    return nValue;
}

bool IsShiftJisLead(uint8_t nByte) {
    return (nByte >= 0x81 && nByte <= 0x9F) || (nByte >= 0xE0 && nByte <= 0xFC);
}

std::optional<uint16_t> ToShiftJisCode(const std::string& strBytes) {
    if (strBytes.size() != 2 || !IsShiftJisLead(static_cast<uint8_t>(strBytes[0]))) {
        return std::nullopt;
    }
    return static_cast<uint16_t>((static_cast<uint8_t>(strBytes[0]) << 8) |
                                 static_cast<uint8_t>(strBytes[1]));
}

// CP932 has two codes for the IBM extension characters. glibc encodes the IBM ones (leads 0xFA-0xFC),
// which lie outside the 94 JIS rows; the NEC-selected twins (leads 0xED-0xEE, rows 89-92) are what
// Japanese mail software sends in ISO-2022-JP and receivers read. The pairs are read off iconv
// itself once.
std::unordered_map<uint16_t, uint16_t> BuildIbmToNecSelected() {
    std::unordered_map<uint16_t, uint16_t> mapCodes;
    CIconv fromCp932("UTF-8", "CP932");
    CIconv toCp932("CP932", "UTF-8");
    for (uint16_t nNec = 0xED40; nNec <= 0xEEFC; ++nNec) {
        const std::string strNec{static_cast<char>(nNec >> 8), static_cast<char>(nNec & 0xFF)};
        const std::optional<std::string> strUtf8 = fromCp932.Convert(strNec);
        const std::optional<std::string> strCp932 = strUtf8 ? toCp932.Convert(*strUtf8) : std::nullopt;
        const std::optional<uint16_t> nIbm = strCp932 ? ToShiftJisCode(*strCp932) : std::nullopt;
        if (nIbm && *nIbm >= 0xFA40) {
            mapCodes.emplace(*nIbm, nNec);
        }
    }
    return mapCodes;
}

uint16_t FoldIbmExtension(uint16_t nCode) {
    static const std::unordered_map<uint16_t, uint16_t> IBM_TO_NEC_SELECTED = BuildIbmToNecSelected();
    const auto it = IBM_TO_NEC_SELECTED.find(nCode);
    return it == IBM_TO_NEC_SELECTED.end() ? nCode : it->second;
}

// The standard Shift_JIS to JIS X 0208 arithmetic; nullopt outside rows 1-94 (user-defined area).
std::optional<uint16_t> ShiftJisToJis(uint16_t nCode) {
    const uint8_t nLead = nCode >> 8;
    const uint8_t nTrail = nCode & 0xFF;
    if (nLead > 0xEF || nTrail < 0x40 || nTrail == 0x7F || nTrail > 0xFC) {
        return std::nullopt;
    }
    int nRow = (nLead <= 0x9F ? nLead - 0x81 : nLead - 0xC1) * 2 + 1;
    int nCell = 0;
    if (nTrail >= 0x9F) {
        ++nRow;
        nCell = nTrail - 0x9E;
    } else {
        nCell = nTrail - (nTrail >= 0x80 ? 0x40 : 0x3F);
    }
    return static_cast<uint16_t>(((nRow + 0x20) << 8) | (nCell + 0x20));
}

std::optional<uint16_t> ToJisX0208(CIconv& toCp932, char32_t nValue) {
    const std::optional<std::string> strCp932 = toCp932.Convert(CUtf8::Encode(ToFullWidthKatakana(nValue)));
    const std::optional<uint16_t> nShiftJis = strCp932 ? ToShiftJisCode(*strCp932) : std::nullopt;
    return nShiftJis ? ShiftJisToJis(FoldIbmExtension(*nShiftJis)) : std::nullopt;
}

// Appends characters and switches between ASCII and JIS X 0208 mode only when needed.
class CIso2022JpWriter {
public:
    void AddAscii(char ch) {
        SwitchTo(false);
        m_strText += ch;
    }
    void AddJis(uint16_t nCode) {
        SwitchTo(true);
        m_strText += static_cast<char>(nCode >> 8);
        m_strText += static_cast<char>(nCode & 0xFF);
    }
    std::string Finish() {
        SwitchTo(false);
        return std::move(m_strText);
    }

private:
    void SwitchTo(bool bJis) {
        if (bJis != m_bJis) {
            m_strText += bJis ? ESCAPE_JIS_X0208 : ESCAPE_ASCII;
            m_bJis = bJis;
        }
    }

    std::string m_strText;
    bool m_bJis = false;
};

} // namespace

std::string Utf8ToIso2022Jp(std::string_view strText) {
    CIconv toCp932("CP932", "UTF-8");
    CIso2022JpWriter writer;
    for (size_t nPos = 0; nPos < strText.size();) {
        const CUtf8::CodePoint ch = CUtf8::Decode(strText, nPos);
        nPos += ch.nLength;
        if (ch.bValid && ch.nValue < 0x80) {
            writer.AddAscii(static_cast<char>(ch.nValue));
            continue;
        }
        const std::optional<uint16_t> nJis = ch.bValid ? ToJisX0208(toCp932, ch.nValue) : std::nullopt;
        if (nJis) {
            writer.AddJis(*nJis);
        } else {
            writer.AddAscii('?');
        }
    }
    return writer.Finish();
}

} // namespace Zelt
