#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace Korvane {

// Reads a device's response messages (a 4-byte big-endian length, then that many bytes of
// Base64) from any source of bytes, so that a socket and bytes held in memory go through one
// parser.
class CResponseReader {
public:
    // Fills the whole buffer or throws (the socket layer's errors for a socket).
    using ReadExactly = std::function<void(void* pBuffer, size_t nLength)>;

    // Largest response body accepted; a longer announcement is a broken or hostile device.
    static constexpr uint32_t MAX_RESPONSE_BYTES = 16 * 1024 * 1024;

    explicit CResponseReader(ReadExactly readExactly);

    // One message's decoded text, up to the first zero byte. A length beyond MAX_RESPONSE_BYTES
    // is thrown as a receive error.
    std::string ReadMessage();
    // Reads messages while the device answers "WAIT" and returns the text of the first other
    // one. "NG" throws CKorvaneAuthorizationError for the password codes and CErrorParam for
    // the others; a message without a "result" throws CXMLError.
    std::string ReadFinalResponse();

private:
    ReadExactly m_readExactly;
};

} // namespace Korvane
