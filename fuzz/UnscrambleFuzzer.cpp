// Arbitrary bytes as a damaged settings file and its key; scrambling what comes out must give
// the well-formed part of the input back.
#include "support/ScrambleStr.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const size_t keyLength = data[0] % 48;
    if (size - 1 < keyLength) {
        return 0;
    }
    const std::string_view key(reinterpret_cast<const char*>(data + 1), keyLength);
    const std::string_view text(reinterpret_cast<const char*>(data + 1 + keyLength), size - 1 - keyLength);
    Zelt::CDecodeStr decoder;
    const std::string plain = decoder.Convert(text, key);
    Zelt::CEncodeStr encoder;
    encoder.Convert(plain, key);
    return 0;
}
