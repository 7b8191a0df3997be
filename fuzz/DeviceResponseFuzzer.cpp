// Arbitrary bytes as everything a device sends back on one connection: the framed messages are
// read until a final response. Reading never crashes; it either fails with one of the errors a
// caller handles, or returns a document whose result is neither "WAIT" nor "NG".
#include "net/SocketErrors.h"
#include "protocol/KorvaneErrors.h"
#include "protocol/ResponseReader.h"
#include "support/XmlDocument.h"
#include "support/XmlError.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

// What the socket would deliver, ending like a connection the device closed.
class ReceivedBytes {
public:
    explicit ReceivedBytes(std::string_view bytes) : m_bytes(bytes) {}

    void ReadExactly(void* pBuffer, size_t nLength) {
        if (nLength > m_bytes.size()) {
            Zelt::ThrowSocketError("closed", Zelt::SOCKET_KIND_RECEIVE);
        }
        std::copy_n(m_bytes.data(), nLength, static_cast<char*>(pBuffer));
        m_bytes.remove_prefix(nLength);
    }

private:
    std::string_view m_bytes;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ReceivedBytes received(std::string_view(reinterpret_cast<const char*>(data), size));
    Korvane::CResponseReader reader(
        [&received](void* pBuffer, size_t nLength) { received.ReadExactly(pBuffer, nLength); });
    std::string text;
    try {
        text = reader.ReadFinalResponse();
    } catch (const Zelt::CSocketError&) {
        return 0;
    } catch (const Zelt::CXMLError&) {
        return 0;
    } catch (const Korvane::CKorvaneAuthorizationError&) {
        return 0;
    } catch (const Korvane::CErrorParam&) {
        return 0;
    }
    Zelt::CXMLDocument response;
    response.LoadFromBytes(text);
    const std::string result = response.GetRootNode().SingleSelectNode("result").GetText();
    if (result == "WAIT" || result == "NG") {
        std::abort();
    }
    return 0;
}
