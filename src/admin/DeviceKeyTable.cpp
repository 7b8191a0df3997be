#include "admin/DeviceKeyTable.h"

#include "protocol/MacAddress.h"

#include <cstdio>
#include <iterator>
#include <string>

namespace Korvane {
namespace {

constexpr size_t kPrefixCount = std::size(CDeviceKeyTable::MAKER_PREFIXES);

// The last three bytes of a canonical MAC: the only form whose packed key unpacks to the same
// text. Any other text a device reports ("0A:4B:56-3E:88:05", " 3" for "03") would share its key
// with the device of the canonical MAC, so it is treated as a foreign MAC.
std::optional<uint32_t> LowBytes(const std::string& mac) {
    if (!CMacAddress::IsCanonical(mac)) {
        return std::nullopt;
    }
    const auto byteAt = [&mac](size_t nOffset) {
        return static_cast<uint32_t>(std::stoul(mac.substr(nOffset, 2), nullptr, 16));
    };
    return byteAt(9) << 16 | byteAt(12) << 8 | byteAt(15);
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
