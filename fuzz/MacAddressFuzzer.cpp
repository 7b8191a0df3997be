// Any text as a device's MAC: the canonical text it gives is canonical, gives itself again and
// came from six hexadecimal pairs; nothing else is accepted.
#include "protocol/MacAddress.h"

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<std::string> canonical = Korvane::CMacAddress::Canonical(text);
    if (!canonical) {
        return 0;
    }
    size_t nDigits = 0;
    for (const char c : text) {
        nDigits += std::isxdigit(static_cast<unsigned char>(c)) != 0 ? 1 : 0;
    }
    if (!Korvane::CMacAddress::IsCanonical(*canonical) ||
        Korvane::CMacAddress::Canonical(*canonical) != canonical ||
        nDigits != 2 * Korvane::CMacAddress::BYTES || (size != 12 && size != 17)) {
        std::abort();
    }
    return 0;
}
