#pragma once

#include "admin/ManagedDevice.h"

namespace Korvane {

// The rules that keep a device's password at the addresses the user approved for it. Every place
// that takes fresh information into a managed record (a search, a manual add, a full or status
// update) passes through Hold: a device with a password stays at its approved addresses, and the
// addresses it turned up at wait for the user's approval.
class CAddressApproval {
public:
    // The addresses that the record's information names (the IPv4 and the enabled IPv6 setting).
    static AddressPair InformationAddresses(const CKorvaneInfo& device);

    // Called with a record that has just taken fresh information: when it has a password and the
    // information names addresses not approved for it, they become its unapproved addresses and
    // the record goes back to the given ones; otherwise nothing waits any more.
    static void Hold(CManagedDevice& device, const AddressPair& approvedPlace);

    // The user approves the waiting addresses: the record moves there (an address left empty keeps
    // the current one) and they become the approved ones. False when nothing waits.
    static bool Approve(CManagedDevice& device);

    // "198.18.0.10, fe80::1" for display; the addresses approved for the password when none is
    // given, "none" for an empty list.
    static std::string Text(const AddressPair& addresses);
    static std::string ApprovedText(const CManagedDevice& device);
    // The status pane's line about the waiting addresses; empty when nothing waits.
    static std::string WaitingLine(const CManagedDevice& device);

    // Makes the record's information and session name these addresses (empty texts included).
    static void MoveTo(CKorvaneInfo& device, const AddressPair& addresses);
};

} // namespace Korvane
