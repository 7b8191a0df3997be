#include "protocol/KorvaneAdminFind.h"

#include "net/NetworkInterfaces.h"
#include "net/SocketErrors.h"
#include "protocol/MacAddress.h"
#include "support/Trace.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>

namespace Korvane {
namespace {

constexpr const char* kTraceClass = "CKorvaneAdminFind";

} // namespace

std::string KafData::MacText(const std::string& datagram) {
    const std::string field = datagram.substr(MAC_TEXT, MAC_TEXT_SIZE);
    return field.substr(0, field.find('\0'));
}

// The program's own request comes back to port 51054 as well; its op of 0 drops it.
bool KafData::IsDeviceReply(const std::string& datagram) {
    if (datagram.size() != SIZE) {
        return false;
    }
    const std::string mac = MacText(datagram);
    return static_cast<uint8_t>(datagram[OP]) == OP_REPLY && mac.size() == 2 * CMacAddress::BYTES &&
           CMacAddress::Canonical(mac) && mac != "000000000000";
}

std::string KafData::DeviceMac(const std::string& datagram) {
    return CMacAddress::Canonical(MacText(datagram)).value_or(std::string());
}

CKorvaneAdminFind::CKorvaneAdminFind(Zelt::CancelEventPtr cancelEvent, Routine routine)
    : CDiscoveryClient(cancelEvent, std::move(routine), KAF_PORT, KafData::SIZE, AF_UNSPEC, kTraceClass),
      m_ipv6Interfaces(Zelt::ListIpv6InterfaceIndexes()), m_broadcast(cancelEvent) {}

CKorvaneAdminFind::~CKorvaneAdminFind() {
    CloseSocket();
}

// Without the receive socket there is no run; the sending sockets are taken as far as they open.
void CKorvaneAdminFind::OpenSockets() {
    OpenReceiveSocket();
    try {
        m_broadcast.Open(KAF_PORT);
        m_bBroadcastOpen = true;
    } catch (const Zelt::CSocketError&) {
        Zelt::DebugTrace("CKorvaneAdminFind::OpenSocket: (IPv4) Broadband socket open failed.\n");
    }
    m_multicasts.clear();
    for (unsigned nIndex : m_ipv6Interfaces) {
        try {
            auto multicast = std::make_unique<Zelt::CMultiCastSocket>(CancelEvent());
            multicast->Open(KAF_PORT);
            multicast->SetSockOpt(IPPROTO_IPV6, IPV6_MULTICAST_IF, &nIndex, sizeof nIndex);
            m_multicasts.push_back(std::move(multicast));
        } catch (const Zelt::CSocketError&) {
            Zelt::DebugTrace("CKorvaneAdminFind::OpenSocket: (IPv6) Multicast socket open failed.\n");
        }
    }
}

std::string CKorvaneAdminFind::BuildRequest() const {
    std::string request(KafData::SIZE, '\0');
    request[KafData::OP] = static_cast<char>(KafData::OP_REQUEST);
    const uint32_t nRequestId = htonl(RequestId());
    std::memcpy(&request[KafData::REQUEST_ID], &nRequestId, sizeof nRequestId);
    std::memcpy(&request[KafData::MAC_TEXT], "000000000000", 12);
    std::memcpy(&request[KafData::VENDOR], "VESTRANO", 8);
    return request;
}

void CKorvaneAdminFind::SendDiscoverCommand(const std::string& request) {
    for (int nCopy = 0; nCopy < REQUEST_COPIES; ++nCopy) {
        try {
            if (m_bBroadcastOpen) {
                m_broadcast.Write(request.data(), request.size());
            }
        } catch (const Zelt::CSocketError&) {
            Zelt::DebugTrace(
                "CKorvaneAdminFind::SendDiscoverCommand: (IPv4) Broadcast socket write failed.\n");
        }
        for (const auto& multicast : m_multicasts) {
            try {
                multicast->Write(request.data(), request.size());
            } catch (const Zelt::CSocketError&) {
                Zelt::DebugTrace(
                    "CKorvaneAdminFind::SendDiscoverCommand: (IPv6) Multicast socket write failed.\n");
            }
        }
    }
}

void CKorvaneAdminFind::CloseSocket() {
    for (const auto& multicast : m_multicasts) {
        multicast->Close();
    }
    m_multicasts.clear();
    m_broadcast.Close();
}

} // namespace Korvane
