#pragma once

#include "net/BroadCastSocket.h"
#include "protocol/DiscoveryClient.h"
#include "protocol/KorvaneInfo.h"

namespace Korvane {

constexpr uint16_t QRX_PORT = 65;
constexpr uint16_t QRX_ALT_PORT = 51065;

// The 132-byte QRX_DATA datagram of the older discovery protocols.
struct QrxData {
    static constexpr size_t SIZE = 132;
    static constexpr size_t OP = 0;
    static constexpr size_t REQUEST_ID = 1;
    static constexpr size_t REQUESTER_MAC = 8;
    static constexpr size_t DEVICE_IPV4 = 14;
    static constexpr size_t DEVICE_MAC = 28;
    static constexpr size_t REQUESTER_NAME = 34;
    static constexpr size_t VENDOR = 115;

    // The six bytes at an offset as 12 lower-case hexadecimal digits.
    static std::string MacText(const std::string& datagram, size_t nOffset);
    // The device's MAC in its canonical text.
    static std::string DeviceMac(const std::string& datagram);
    // A device's answer to this request: the size of QRX_DATA, a known reply op, the request id
    // and the requesting PC's MAC echoed.
    static bool IsReplyTo(const std::string& datagram, uint32_t nRequestId, const MacBytes& localMac);
};

// The older discovery protocol on UDP port 65: IPv4 broadcast only; replies must echo the request
// id and this PC's MAC address. Socket failures, sending included, end the run.
class CQRXFind : public CDiscoveryClient {
public:
    CQRXFind(Zelt::CancelEventPtr cancelEvent, Routine routine);
    ~CQRXFind() override;

    const MacBytes& LocalMac() const { return m_localMac; }

protected:
    CQRXFind(Zelt::CancelEventPtr cancelEvent, Routine routine, uint16_t nPort, const char* pszTraceClass);

    void OpenSockets() override;
    std::string BuildRequest() const override;
    void SendDiscoverCommand(const std::string& request) override;
    bool CheckReply(const std::string& reply) const override {
        return QrxData::IsReplyTo(reply, RequestId(), m_localMac);
    }
    std::string DeviceIdentity(const std::string& reply) const override { return QrxData::DeviceMac(reply); }
    std::vector<AddressField> AddressFields() const override { return {{QrxData::DEVICE_IPV4, AF_INET}}; }

private:
    MacBytes m_localMac;
    Zelt::CBroadCastSocket m_broadcast;
};

// The same protocol on UDP port 51065.
class CQRXFindAlt : public CQRXFind {
public:
    CQRXFindAlt(Zelt::CancelEventPtr cancelEvent, Routine routine);
};

} // namespace Korvane
