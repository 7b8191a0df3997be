#pragma once

#include "admin/ManagedDevice.h"
#include "net/CancelEvent.h"

#include <string>

namespace Korvane {

// The addresses that the text a user typed stands for: the text itself where it is a numeric
// address, else what it resolves to.
struct TypedAddresses {
    std::string typed;
    std::string ipv4;
    std::string ipv6;
    // An unspecified address the text stood for (it would reach this machine): never used.
    std::string refused;
};

// The logic of the add-device dialog: from the typed text to a fetched candidate record.
class CAddTarget {
public:
    // A name is looked up through CNameResolver: it stands for nothing when the lookup does not
    // answer in time or the event cancels it.
    static TypedAddresses ResolveInput(const std::string& input, const Zelt::CancelEventPtr& cancelEvent);
    // The message when the text leaves no address to connect to because it stands for an
    // unspecified one (the message names it); 0 otherwise.
    static int RefusalMessage(const TypedAddresses& addresses);
    // The record to fetch the basic information with.
    static CManagedDevice Candidate(const TypedAddresses& addresses);
    // After a successful fetch: a device that reports other addresses than the typed ones is
    // reached through port forwarding and keeps the typed text and addresses.
    static void TakeFetched(CManagedDevice& candidate, const TypedAddresses& addresses);
    // The message for an information runner outcome: device not found, information not read, or 0
    // for none.
    static int MessageFor(int nInfoMessage);
};

} // namespace Korvane
