// Arbitrary bytes as a discovery reply of either protocol: the checks never read out of
// bounds, and what an accepted reply yields (device identity, addresses) is well formed.
#include "net/AddressText.h"
#include "protocol/DiscoveryClient.h"
#include "protocol/KorvaneAdminFind.h"
#include "protocol/QRXFind.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/socket.h>

namespace {

// The request id and PC MAC the seeds echo.
constexpr uint32_t kRequestId = 0x12345678;
constexpr Korvane::MacBytes kLocalMac = {0x02, 0x00, 0x5e, 0x10, 0x20, 0x30};

void CheckAddress(const std::string& reply, size_t nOffset, int nFamily) {
    const std::string text = Korvane::CDiscoveryClient::ReplyAddressText(reply, nOffset, nFamily);
    const bool bParses = nFamily == AF_INET ? Zelt::IsInetAddress(text) : Zelt::IsInet6Address(text);
    if (!text.empty() && !bParses) {
        std::abort();
    }
}

void CheckKafReply(const std::string& reply) {
    if (!Korvane::KafData::IsDeviceReply(reply)) {
        return;
    }
    const std::string mac = Korvane::KafData::MacText(reply);
    if (mac.empty() || mac.size() > Korvane::KafData::MAC_TEXT_SIZE) {
        std::abort();
    }
    CheckAddress(reply, Korvane::KafData::IPV4, AF_INET);
    CheckAddress(reply, Korvane::KafData::IPV6, AF_INET6);
}

void CheckQrxReply(const std::string& reply) {
    if (!Korvane::QrxData::IsReplyTo(reply, kRequestId, kLocalMac)) {
        return;
    }
    if (Korvane::QrxData::MacText(reply, Korvane::QrxData::DEVICE_MAC).size() != 12) {
        std::abort();
    }
    CheckAddress(reply, Korvane::QrxData::DEVICE_IPV4, AF_INET);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string reply(reinterpret_cast<const char*>(data), size);
    CheckKafReply(reply);
    CheckQrxReply(reply);
    return 0;
}
