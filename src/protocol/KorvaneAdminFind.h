#pragma once

#include "net/BroadCastSocket.h"
#include "net/MultiCastSocket.h"
#include "protocol/DiscoveryClient.h"

#include <memory>
#include <vector>

namespace Korvane {

constexpr uint16_t KAF_PORT = 51054;

// The 54-byte KAF_DATA datagram of the current discovery protocol.
struct KafData {
    static constexpr size_t SIZE = 54;
    static constexpr size_t OP = 0;
    static constexpr size_t REQUEST_ID = 1;
    static constexpr size_t MAC_TEXT = 5;
    static constexpr size_t MAC_TEXT_SIZE = 13;
    static constexpr size_t IPV4 = 18;
    static constexpr size_t IPV6 = 22;
    static constexpr size_t VENDOR = 38;
    static constexpr uint8_t OP_REQUEST = 0;
    static constexpr uint8_t OP_REPLY = 1;

    // The MAC text of a reply, up to its terminating zero.
    static std::string MacText(const std::string& datagram);
    // A device's reply: the size of KAF_DATA, the reply op and a MAC text of 12 hexadecimal digits
    // other than zeros.
    static bool IsDeviceReply(const std::string& datagram);
    // The reply's MAC in its canonical text (of a reply that IsDeviceReply accepted).
    static std::string DeviceMac(const std::string& datagram);
};

// The current discovery protocol: a request by IPv4 limited broadcast and by IPv6 all-nodes
// multicast on every usable IPv6 interface, replies on UDP port 51054 of both families.
class CKorvaneAdminFind : public CDiscoveryClient {
public:
    CKorvaneAdminFind(Zelt::CancelEventPtr cancelEvent, Routine routine);
    ~CKorvaneAdminFind() override;

protected:
    void OpenSockets() override;
    std::string BuildRequest() const override;
    void SendDiscoverCommand(const std::string& request) override;
    bool CheckReply(const std::string& reply) const override { return KafData::IsDeviceReply(reply); }
    std::string DeviceIdentity(const std::string& reply) const override { return KafData::DeviceMac(reply); }
    std::vector<AddressField> AddressFields() const override {
        return {{KafData::IPV4, AF_INET}, {KafData::IPV6, AF_INET6}};
    }

private:
    void CloseSocket();

    std::vector<unsigned> m_ipv6Interfaces;
    Zelt::CBroadCastSocket m_broadcast;
    bool m_bBroadcastOpen = false;
    std::vector<std::unique_ptr<Zelt::CMultiCastSocket>> m_multicasts;
};

} // namespace Korvane
