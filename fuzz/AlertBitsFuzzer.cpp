// Any text as korvanectl's alert state: every line taken names a canonical MAC with bits the
// program knows, and what was taken, written out again, reads back the same.
#include "admin/AlertBitsText.h"
#include "protocol/MacAddress.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Korvane::CAlertBitsText::BitsByMac bits = Korvane::CAlertBitsText::Parse(text);
    std::string written;
    for (const auto& [mac, nBits] : bits) {
        if (!Korvane::CMacAddress::IsCanonical(mac) || nBits < 0 || nBits > 63) {
            std::abort();
        }
        written += mac + ' ' + std::to_string(nBits) + '\n';
    }
    if (Korvane::CAlertBitsText::Parse(written) != bits) {
        std::abort();
    }
    return 0;
}
