#include "operations/DetailFetch.h"

#include "operations/InfoResult.h"

namespace Korvane {

int CDetailFetch::MessageFor(int nInfoMessage, const CManagedDevice& device) {
    switch (nInfoMessage) {
    case INFO_NOT_OBTAINED:
        return 20112;
    case INFO_AUTHORIZATION_REJECTED:
        return device.HasPassword() ? 20113 : 20120;
    case INFO_DEVICE_ERROR:
    case INFO_OTHER_FAILURE:
        return 20115;
    case INFO_CANCELLED:
        return 20111;
    case INFO_DEVICE_BUSY:
        return 20119;
    case INFO_TIMEOUT:
        return 20116;
    case INFO_SOCKET_ERROR:
        return 20118;
    case INFO_CANNOT_START:
        return 20117;
    case INFO_TOO_LARGE:
        return MSG_INFO_TOO_LARGE;
    default:
        return 0;
    }
}

} // namespace Korvane
