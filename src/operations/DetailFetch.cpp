#include "operations/DetailFetch.h"

#include "operations/InfoResult.h"
#include "support/TextIds.h"

namespace Korvane {

int CDetailFetch::MessageFor(int nInfoMessage, const CManagedDevice& device) {
    switch (nInfoMessage) {
    case INFO_NOT_OBTAINED:
        return Zelt::Text::DetailReadError;
    case INFO_AUTHORIZATION_REJECTED:
        return device.HasPassword() ? Zelt::Text::DetailPasswordFailed : Zelt::Text::DetailNoPassword;
    case INFO_DEVICE_ERROR:
    case INFO_OTHER_FAILURE:
        return Zelt::Text::DetailDeviceError;
    case INFO_CANCELLED:
        return Zelt::Text::DetailCancelled;
    case INFO_DEVICE_BUSY:
        return Zelt::Text::DetailDeviceBusy;
    case INFO_TIMEOUT:
        return Zelt::Text::DetailTimedOut;
    case INFO_SOCKET_ERROR:
        return Zelt::Text::DetailCommunicationError;
    case INFO_CANNOT_START:
        return Zelt::Text::DetailCannotConnect;
    case INFO_TOO_LARGE:
        return Zelt::Text::InfoTooLarge;
    default:
        return 0;
    }
}

} // namespace Korvane
