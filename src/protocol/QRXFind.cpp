#include "protocol/QRXFind.h"

#include "net/NetworkInterfaces.h"
#include "protocol/MacAddress.h"

#include <arpa/inet.h>
#include <cstring>
#include <sys/socket.h>

namespace Korvane {

std::string QrxData::MacText(const std::string& datagram, size_t nOffset) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < 6; ++i) {
        const auto nByte = static_cast<uint8_t>(datagram[nOffset + i]);
        text += kDigits[nByte >> 4];
        text += kDigits[nByte & 0x0F];
    }
    return text;
}

std::string QrxData::DeviceMac(const std::string& datagram) {
    if (datagram.size() < DEVICE_MAC + CMacAddress::BYTES) {
        return std::string();
    }
    const auto* pBytes = reinterpret_cast<const uint8_t*>(datagram.data() + DEVICE_MAC);
    return CMacAddress::FromBytes(std::span<const uint8_t, CMacAddress::BYTES>(pBytes, CMacAddress::BYTES));
}

bool QrxData::IsReplyTo(const std::string& datagram, uint32_t nRequestId, const MacBytes& localMac) {
    if (datagram.size() != SIZE) {
        return false;
    }
    const std::string localMacBytes(reinterpret_cast<const char*>(localMac.data()), localMac.size());
    const bool bEchoesThisPc = MacText(datagram, REQUESTER_MAC) == MacText(localMacBytes, 0);
    uint32_t nEchoedId = 0;
    std::memcpy(&nEchoedId, &datagram[REQUEST_ID], sizeof nEchoedId);
    const auto nOp = static_cast<uint8_t>(datagram[OP]);
    const bool bKnownOp = nOp == 1 || nOp == 5 || nOp == 6 || nOp == 7;
    return bEchoesThisPc && ntohl(nEchoedId) == nRequestId && bKnownOp;
}

CQRXFind::CQRXFind(Zelt::CancelEventPtr cancelEvent, Routine routine)
    : CQRXFind(std::move(cancelEvent), std::move(routine), QRX_PORT, "CQRXFind") {}

CQRXFind::CQRXFind(Zelt::CancelEventPtr cancelEvent, Routine routine, uint16_t nPort,
                   const char* pszTraceClass)
    : CDiscoveryClient(cancelEvent, std::move(routine), nPort, QrxData::SIZE, AF_INET, pszTraceClass),
      m_localMac(Zelt::LocalMacAddress()), m_broadcast(cancelEvent) {}

CQRXFind::~CQRXFind() {
    m_broadcast.Close();
}

void CQRXFind::OpenSockets() {
    OpenReceiveSocket();
    m_broadcast.Open(Port());
}

std::string CQRXFind::BuildRequest() const {
    std::string request(QrxData::SIZE, '\0');
    const uint32_t nRequestId = htonl(RequestId());
    std::memcpy(&request[QrxData::REQUEST_ID], &nRequestId, sizeof nRequestId);
    std::memcpy(&request[QrxData::REQUESTER_MAC], m_localMac.data(), m_localMac.size());
    std::memcpy(&request[QrxData::REQUESTER_NAME], "FROM-PC", 7);
    std::memcpy(&request[QrxData::VENDOR], "VESTRAN", 7);
    return request;
}

void CQRXFind::SendDiscoverCommand(const std::string& request) {
    for (int nCopy = 0; nCopy < REQUEST_COPIES; ++nCopy) {
        m_broadcast.Write(request.data(), request.size());
    }
}

CQRXFindAlt::CQRXFindAlt(Zelt::CancelEventPtr cancelEvent, Routine routine)
    : CQRXFind(std::move(cancelEvent), std::move(routine), QRX_ALT_PORT, "CQRXFindAlt") {}

} // namespace Korvane
