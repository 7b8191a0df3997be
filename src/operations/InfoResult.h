#pragma once

#include "admin/ManagedDevice.h"

#include <string>

namespace Korvane {

// What an information worker reports for its device (the values are the program's long-standing
// message numbers).
enum InfoMessage : int {
    INFO_FETCHED = 0x1B71,
    INFO_NOT_OBTAINED = 0x1B72,
    INFO_AUTHORIZATION_REJECTED = 0x1B74,
    INFO_DEVICE_ERROR = 0x1B75,
    INFO_CANCELLED = 0x1B76,
    INFO_JOB_ENDED = 0x1B77,
    INFO_OTHER_FAILURE = 0x1B78,
    INFO_DEVICE_BUSY = 0x1B79,
    INFO_TIMEOUT = 0x1B7A,
    INFO_SOCKET_ERROR = 0x1B7B,
    INFO_CANNOT_START = 0x1B7C,
    INFO_TOO_LARGE = 0x1B7D, // the information exceeds what one device may store (CInfoBounds)
    // The password was withheld from an address not approved for it.
    INFO_ADDRESS_NOT_APPROVED = 0x1B7E,
};

// One device's outcome: the worker's copy of the record (with the fresh information when it
// was fetched), the category asked for, and the device's error code where it gave one.
struct InfoResult {
    int nMessage;
    int nCategory;
    CManagedDevice& device;
    std::string strErrorCode;
    // The words for a failure (CFailureText); empty when the information was fetched.
    std::string strFailure = {};
};

// Where an information job delivers. SendResult runs on a worker and must not return before the
// owner of the store has applied the result; PostJobEnded must not wait, and is always called
// after the last SendResult of the job.
class IInfoResultSink {
public:
    virtual ~IInfoResultSink() = default;
    virtual void SendResult(const InfoResult& result) = 0;
    virtual void PostJobEnded() = 0;
};

} // namespace Korvane
