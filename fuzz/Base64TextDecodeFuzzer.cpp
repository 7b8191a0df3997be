// Arbitrary bytes as the Base64 body of a device response frame.
#include "support/Base64Str.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Zelt::CBase64DecodeStr decoder;
    const std::string& bytes = decoder.Convert(text);
    const bool wellSized = size % 4 == 0 ? bytes.size() == size / 4 * 3 : bytes.empty();
    if (!wellSized) {
        std::abort();
    }
    return 0;
}
