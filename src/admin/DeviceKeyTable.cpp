#include "admin/DeviceKeyTable.h"

#include <cstdio>
#include <iterator>

namespace Korvane {
namespace {

constexpr size_t kPrefixCount = std::size(CDeviceKeyTable::MAKER_PREFIXES);

// The last three bytes, read as hexadecimal from the end of the text.
std::optional<uint32_t> LowBytes(const std::string& mac) {
    if (mac.size() != 17) {
        return std::nullopt;
    }
    unsigned nFourth = 0;
    unsigned nFifth = 0;
    unsigned nSixth = 0;
    if (std::sscanf(mac.c_str() + 9, "%2x:%2x:%2x", &nFourth, &nFifth, &nSixth) != 3) {
        return std::nullopt;
    }
    return nFourth << 16 | nFifth << 8 | nSixth;
}

} // namespace

std::optional<uint32_t> CDeviceKeyTable::Pack(const std::string& mac) {
    for (size_t nIndex = 0; nIndex < kPrefixCount; ++nIndex) {
        if (mac.rfind(MAKER_PREFIXES[nIndex], 0) == 0) {
            if (const std::optional<uint32_t> nLow = LowBytes(mac)) {
                return static_cast<uint32_t>(nIndex) << 24 | *nLow;
            }
        }
    }
    return std::nullopt;
}

std::optional<std::string> CDeviceKeyTable::Unpack(uint32_t nKey) {
    const uint32_t nIndex = nKey >> 24;
    if (nIndex >= kPrefixCount) {
        return std::nullopt;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%s:%02X:%02X:%02X", MAKER_PREFIXES[nIndex], (nKey >> 16) & 0xFF,
                  (nKey >> 8) & 0xFF, nKey & 0xFF);
    return std::string(text);
}

uint32_t CDeviceKeyTable::KeyOf(const std::string& mac) {
    if (const std::optional<uint32_t> nPacked = Pack(mac)) {
        return *nPacked;
    }
    if (const auto known = m_foreignKeys.find(mac); known != m_foreignKeys.end()) {
        return known->second;
    }
    const uint32_t nKey = FOREIGN_INDEX << 24 | static_cast<uint32_t>(m_foreignKeys.size());
    m_foreignKeys.emplace(mac, nKey);
    m_foreignMacs.emplace(nKey, mac);
    return nKey;
}

std::optional<std::string> CDeviceKeyTable::MacOf(uint32_t nKey) const {
    if (const auto known = m_foreignMacs.find(nKey); known != m_foreignMacs.end()) {
        return known->second;
    }
    return Unpack(nKey);
}

} // namespace Korvane
