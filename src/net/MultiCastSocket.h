#pragma once

#include "net/DtgmCltSocket.h"

namespace Zelt {

// Sends to the IPv6 link-local all-nodes group FF02::1. The caller chooses the outgoing
// interface with the IPV6_MULTICAST_IF option.
class CMultiCastSocket : public CDtgmCltSocket {
public:
    explicit CMultiCastSocket(CancelEventPtr cancelEvent = nullptr, int nWaitMilliseconds = -1);
    ~CMultiCastSocket() override { Close(); }

    using CDtgmCltSocket::Open;
    void Open(uint16_t nPort);
};

} // namespace Zelt
