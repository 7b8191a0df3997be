// Arbitrary bytes as a server's CRAM-MD5 challenge; whatever decodes must encode back to the
// same bytes.
#include "support/MimeBase64.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<std::string> bytes = Zelt::CMimeBase64::Decode(text);
    if (bytes && Zelt::CMimeBase64::Decode(Zelt::CMimeBase64::Encode(*bytes, true)) != bytes) {
        std::abort();
    }
    return 0;
}
