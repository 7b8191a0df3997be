#include "net/AddressText.h"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>

namespace Zelt {
namespace {

constexpr size_t INET_ADDRESS_SIZE = 4;
constexpr size_t INET6_ADDRESS_SIZE = 16;
constexpr size_t INET6_GROUP_COUNT = 8;
// IsInet6Address looks at no more of a text than an IPv6 text buffer of the callers holds.
constexpr size_t INET6_TEXT_LIMIT = 64;

int HexDigitValue(char ch) {
    if (ch >= '0' && ch <= '9') {
        return ch - '0';
    }
    if (ch >= 'a' && ch <= 'f') {
        return ch - 'a' + 10;
    }
    if (ch >= 'A' && ch <= 'F') {
        return ch - 'A' + 10;
    }
    return -1;
}

// Dotted decimal with exactly four octets; leading zeros are decimal, not octal.
bool ParseInet(std::string_view strText, uint8_t* pOutput) {
    uint8_t bytes[INET_ADDRESS_SIZE] = {};
    size_t nOctets = 0;
    bool bSawDigit = false;
    unsigned nValue = 0;
    for (const char ch : strText) {
        if (ch >= '0' && ch <= '9') {
            if (!bSawDigit) {
                ++nOctets;
                bSawDigit = true;
                nValue = 0;
            }
            nValue = nValue * 10 + static_cast<unsigned>(ch - '0');
            if (nValue > 255) {
                return false;
            }
            bytes[nOctets - 1] = static_cast<uint8_t>(nValue);
        } else if (ch == '.' && bSawDigit && nOctets < INET_ADDRESS_SIZE) {
            bSawDigit = false;
        } else {
            return false;
        }
    }
    if (nOctets < INET_ADDRESS_SIZE) {
        return false;
    }
    std::memcpy(pOutput, bytes, sizeof bytes);
    return true;
}

bool ParseInet6(std::string_view strText, uint8_t* pOutput) {
    uint8_t bytes[INET6_ADDRESS_SIZE] = {};
    size_t nUsed = 0;
    std::optional<size_t> nGap; // where "::" stands, as a byte offset
    size_t nPos = 0;
    if (!strText.empty() && strText[0] == ':') {
        if (!strText.starts_with("::")) {
            return false;
        }
        nPos = 1;
    }
    size_t nTokenStart = nPos;
    unsigned nValue = 0;
    bool bSawDigit = false;
    for (; nPos < strText.size(); ++nPos) {
        const char ch = strText[nPos];
        const int nDigit = HexDigitValue(ch);
        if (nDigit >= 0) {
            nValue = (nValue << 4) | static_cast<unsigned>(nDigit);
            if (nValue > 0xffff) {
                return false;
            }
            bSawDigit = true;
            continue;
        }
        if (ch == ':') {
            nTokenStart = nPos + 1;
            if (!bSawDigit) {
                if (nGap) {
                    return false;
                }
                nGap = nUsed;
                continue;
            }
            if (nPos + 1 == strText.size() || nUsed + 2 > INET6_ADDRESS_SIZE) {
                return false;
            }
            bytes[nUsed++] = static_cast<uint8_t>(nValue >> 8);
            bytes[nUsed++] = static_cast<uint8_t>(nValue & 0xff);
            nValue = 0;
            bSawDigit = false;
            continue;
        }
        // A dotted IPv4 tail takes the place of the last two groups and ends the text.
        if (ch == '.' && nUsed + INET_ADDRESS_SIZE <= INET6_ADDRESS_SIZE &&
            ParseInet(strText.substr(nTokenStart), bytes + nUsed)) {
            nUsed += INET_ADDRESS_SIZE;
            bSawDigit = false;
            break;
        }
        return false;
    }
    if (bSawDigit) {
        if (nUsed + 2 > INET6_ADDRESS_SIZE) {
            return false;
        }
        bytes[nUsed++] = static_cast<uint8_t>(nValue >> 8);
        bytes[nUsed++] = static_cast<uint8_t>(nValue & 0xff);
    }
    if (nGap) {
        // "::" stands for at least one zero group.
        if (nUsed == INET6_ADDRESS_SIZE) {
            return false;
        }
        const size_t nTail = nUsed - *nGap;
        std::memmove(bytes + INET6_ADDRESS_SIZE - nTail, bytes + *nGap, nTail);
        std::memset(bytes + *nGap, 0, INET6_ADDRESS_SIZE - nTail - *nGap);
        nUsed = INET6_ADDRESS_SIZE;
    }
    if (nUsed != INET6_ADDRESS_SIZE) {
        return false;
    }
    std::memcpy(pOutput, bytes, sizeof bytes);
    return true;
}

std::string InetText(const uint8_t* pBytes) {
    std::string strText;
    for (size_t i = 0; i < INET_ADDRESS_SIZE; ++i) {
        if (i != 0) {
            strText += '.';
        }
        strText += std::to_string(pBytes[i]);
    }
    return strText;
}

struct ZeroRun {
    size_t nBase = 0;
    size_t nLength = 0; // 0: no run worth compressing
};

// The longest run of at least two zero groups; the first of equal runs wins.
ZeroRun LongestZeroRun(const uint16_t (&groups)[INET6_GROUP_COUNT]) {
    ZeroRun best;
    ZeroRun current;
    for (size_t i = 0; i < INET6_GROUP_COUNT; ++i) {
        if (groups[i] != 0) {
            current.nLength = 0;
            continue;
        }
        if (current.nLength == 0) {
            current.nBase = i;
        }
        ++current.nLength;
        if (current.nLength > best.nLength) {
            best = current;
        }
    }
    return best.nLength >= 2 ? best : ZeroRun{};
}

std::string Inet6Text(const uint8_t* pBytes) {
    uint16_t groups[INET6_GROUP_COUNT];
    for (size_t i = 0; i < INET6_GROUP_COUNT; ++i) {
        groups[i] = static_cast<uint16_t>(pBytes[2 * i] << 8 | pBytes[2 * i + 1]);
    }
    const ZeroRun run = LongestZeroRun(groups);
    // IPv4-compatible (::a.b.c.d) and IPv4-mapped (::ffff:a.b.c.d) addresses keep the dotted tail.
    const bool bDottedTail =
        run.nLength != 0 && run.nBase == 0 && (run.nLength == 6 || (run.nLength == 5 && groups[5] == 0xffff));
    std::string strText;
    for (size_t i = 0; i < INET6_GROUP_COUNT; ++i) {
        if (run.nLength != 0 && i >= run.nBase && i < run.nBase + run.nLength) {
            if (i == run.nBase) {
                strText += ':';
            }
            continue;
        }
        if (i != 0) {
            strText += ':';
        }
        if (i == 6 && bDottedTail) {
            strText += InetText(pBytes + 12);
            break;
        }
        char digits[4];
        const auto result = std::to_chars(digits, digits + sizeof digits, groups[i], 16);
        strText.append(digits, result.ptr);
    }
    if (run.nLength != 0 && run.nBase + run.nLength == INET6_GROUP_COUNT) {
        strText += ':';
    }
    return strText;
}

std::optional<std::string> AddressText(int nFamily, const void* pAddress) {
    const auto* pBytes = static_cast<const uint8_t*>(pAddress);
    switch (nFamily) {
    case AF_INET:
        return InetText(pBytes);
    case AF_INET6:
        return Inet6Text(pBytes);
    default:
        errno = EAFNOSUPPORT;
        return std::nullopt;
    }
}

} // namespace

int GetAddressFamily(std::string_view strText) {
    if (IsInetAddress(strText)) {
        return AF_INET;
    }
    if (IsInet6Address(strText)) {
        return AF_INET6;
    }
    return 0;
}

bool IsInetAddress(std::string_view strText) {
    in_addr address;
    return !strText.empty() && ParseAddressText(AF_INET, strText, &address) == 1;
}

bool IsInet6Address(std::string_view strText) {
    const std::string_view strHead = strText.substr(0, INET6_TEXT_LIMIT);
    in6_addr address;
    return !strText.empty() &&
           ParseAddressText(AF_INET6, strHead.substr(0, strHead.find('%')), &address) == 1;
}

int ParseAddressText(int nFamily, std::string_view strText, void* pOutput) {
    auto* pBytes = static_cast<uint8_t*>(pOutput);
    switch (nFamily) {
    case AF_INET:
        return ParseInet(strText, pBytes) ? 1 : 0;
    case AF_INET6:
        return ParseInet6(strText, pBytes) ? 1 : 0;
    default:
        errno = EAFNOSUPPORT;
        return -1;
    }
}

const char* FormatAddressText(int nFamily, const void* pAddress, char* pszOutput, size_t nCapacity) {
    const std::optional<std::string> strText = AddressText(nFamily, pAddress);
    if (!strText) {
        return nullptr;
    }
    if (strText->size() >= nCapacity) {
        errno = ENOSPC;
        return nullptr;
    }
    std::memcpy(pszOutput, strText->c_str(), strText->size() + 1);
    return pszOutput;
}

std::string FormatAddressText(int nFamily, const void* pAddress) {
    return AddressText(nFamily, pAddress).value_or(std::string());
}

} // namespace Zelt
