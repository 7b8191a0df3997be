#include "admin/AlertBitsText.h"

#include "protocol/MacAddress.h"

#include <charconv>

namespace Korvane {
namespace {

constexpr int kAllStatusBits = STATUS_BIT_UNREACHABLE | STATUS_BIT_QUOTA | STATUS_BIT_CAPACITY |
                               STATUS_BIT_DISK_ERROR | STATUS_BIT_UPS | STATUS_BIT_NOTICE;

// "XX:XX:XX:XX:XX:XX BITS", nothing before, between or after.
bool ParseLine(std::string_view line, std::string& mac, int& nBits) {
    const std::string_view macText = line.substr(0, CMacAddress::CANONICAL_SIZE);
    if (line.size() < CMacAddress::CANONICAL_SIZE + 2 || line[CMacAddress::CANONICAL_SIZE] != ' ' ||
        !CMacAddress::IsCanonical(macText)) {
        return false;
    }
    const std::string_view number = line.substr(CMacAddress::CANONICAL_SIZE + 1);
    const char* pEnd = number.data() + number.size();
    const auto [pStop, error] = std::from_chars(number.data(), pEnd, nBits);
    if (error != std::errc() || pStop != pEnd || number.front() == '-' || (nBits & ~kAllStatusBits) != 0) {
        return false;
    }
    mac = macText;
    return true;
}

} // namespace

std::string CAlertBitsText::Format(const CKorvaneAdminInfoMgr& manager) {
    std::string text;
    for (const auto& [mac, device] : manager.Devices()) {
        if (CMacAddress::IsCanonical(mac)) {
            text += mac + ' ' + std::to_string(device.GetStatusBits() & kAllStatusBits) + '\n';
        }
    }
    return text;
}

CAlertBitsText::BitsByMac CAlertBitsText::Parse(std::string_view text) {
    BitsByMac bits;
    while (!text.empty()) {
        const size_t nEnd = text.find('\n');
        const std::string_view line = text.substr(0, nEnd);
        text.remove_prefix(nEnd == std::string_view::npos ? text.size() : nEnd + 1);
        std::string mac;
        int nBits = 0;
        if (ParseLine(line, mac, nBits)) {
            bits[mac] = nBits;
        }
    }
    return bits;
}

} // namespace Korvane
