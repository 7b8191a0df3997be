#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace Korvane {

// A device's MAC address. Devices and discovery replies spell it in several ways; the program keys
// devices by one canonical text, "XX:XX:XX:XX:XX:XX" in upper-case hexadecimal, so that every
// spelling of one address is one device and no other text can pass for one.
class CMacAddress {
public:
    static constexpr size_t BYTES = 6;
    static constexpr size_t CANONICAL_SIZE = 3 * BYTES - 1;

    // Six hexadecimal pairs, all separated by ":", all by "-" or not separated at all, in either
    // case, as the canonical text; nullopt for anything else (blanks and line breaks included).
    static std::optional<std::string> Canonical(std::string_view text);
    // Whether the text is already the canonical one.
    static bool IsCanonical(std::string_view text);
    static std::string FromBytes(std::span<const uint8_t, BYTES> bytes);
};

} // namespace Korvane
