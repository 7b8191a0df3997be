#pragma once

#include "net/DtgmCltSocket.h"

namespace Zelt {

// Sends to the IPv4 limited broadcast address 255.255.255.255.
class CBroadCastSocket : public CDtgmCltSocket {
public:
    explicit CBroadCastSocket(CancelEventPtr cancelEvent = nullptr, int nWaitMilliseconds = -1);
    ~CBroadCastSocket() override { Close(); }

    using CDtgmCltSocket::Open;
    // Not bound: the system picks the source port at the first send.
    void Open(uint16_t nPort);
};

} // namespace Zelt
