// Arbitrary text as an address typed by the user or reported by a device: parsing never reads
// or writes out of bounds, and an accepted address formats and parses back to the same bytes.
#include "net/AddressText.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <sys/socket.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const int nFamily : {AF_INET, AF_INET6}) {
        std::array<uint8_t, 16> address{};
        if (Zelt::ParseAddressText(nFamily, text, address.data()) != 1) {
            continue;
        }
        std::array<uint8_t, 16> again{};
        const std::string formatted = Zelt::FormatAddressText(nFamily, address.data());
        if (Zelt::ParseAddressText(nFamily, formatted, again.data()) != 1 || again != address) {
            std::abort();
        }
    }
    return 0;
}
