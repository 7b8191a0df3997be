#pragma once

#include "admin/ManagedDevice.h"
#include "net/CancelEvent.h"

#include <exception>
#include <stdexcept>
#include <string>

namespace Korvane {

// The device at a record's addresses reports another MAC than the record's.
class CAnotherDevice : public std::runtime_error {
public:
    CAnotherDevice() : std::runtime_error("another device answers at the address") {}
};

// Fetches information of a category into the device's record, trying first the addresses its
// host name resolves to (when they differ from the stored ones) and then the stored addresses.
// The name is looked up through CNameResolver: a lookup that does not answer in time, or that
// the event cancels, leaves the stored addresses alone to try.
// False when the record has no address at all; failures are thrown as the session throws them.
// A record with a MAC takes only information that reports the same MAC (or none): an answer with
// another one comes from another device and fails as CAnotherDevice.
bool GetInfoFromTrgKorvane(CManagedDevice& device, int nCategory, const Zelt::CancelEventPtr& cancelEvent,
                           int nWaitMilliseconds);

// What one fetch came to: the worker's message, the device's error code where it gave one, and
// the words for a failure (CFailureText), empty when the information was fetched.
struct FetchOutcome {
    int nMessage;
    std::string strErrorCode;
    std::string strFailure;
};

// GetInfoFromTrgKorvane with its failures caught and put into words.
FetchOutcome FetchInfo(CManagedDevice& device, int nCategory, const Zelt::CancelEventPtr& cancelEvent,
                       int nWaitMilliseconds);

// The message an information worker reports for the exception that ended its fetch.
int InfoMessageFor(const std::exception_ptr& failure);

// Whether a socket failure happened before the exchange began (start-up, open, accept, bind,
// connect): such a device counts as not reachable at all.
bool FailedBeforeExchange(int nSocketErrorKind);

} // namespace Korvane
