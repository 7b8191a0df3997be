#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace Korvane {

// The 32-bit item keys of the group tree and the device list. A MAC with one of the maker's
// prefixes packs into the key itself: the prefix's index in bits 24-31 and the last three bytes
// below. Any other MAC gets the index 255 and a serial number of its own, remembered here, so
// that every device has a key that leads back to it.
class CDeviceKeyTable {
public:
    static constexpr const char* MAKER_PREFIXES[] = {"02:4B:53", "0A:4B:56"};
    static constexpr uint32_t FOREIGN_INDEX = 255;

    // The key of an upper-case MAC text ("02:4B:53:00:00:01").
    uint32_t KeyOf(const std::string& mac);
    // The MAC of a key; nullopt for a key that this table never gave out.
    std::optional<std::string> MacOf(uint32_t nKey) const;

    // The packed key of a MAC with a maker's prefix; nullopt for any other MAC.
    static std::optional<uint32_t> Pack(const std::string& mac);
    static std::optional<std::string> Unpack(uint32_t nKey);

private:
    std::map<std::string, uint32_t> m_foreignKeys;
    std::map<uint32_t, std::string> m_foreignMacs;
};

} // namespace Korvane
