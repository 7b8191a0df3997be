#include "operations/InfoFetch.h"

#include "net/NameResolver.h"
#include "net/SocketErrors.h"
#include "operations/FailureText.h"
#include "operations/InfoResult.h"
#include "protocol/KorvaneErrors.h"
#include "protocol/MacAddress.h"
#include "support/StringTable.h"
#include "support/Trace.h"

#include <optional>
#include <sys/socket.h>

namespace Korvane {
namespace {

// No address to connect to: the record has none and its name does not resolve.

// The last IPv4 and the last IPv6 address a host name resolves to; none when the name did not
// resolve in time.
AddressPair ResolvedPair(const std::string& hostName, const Zelt::CancelEventPtr& cancelEvent) {
    const Zelt::ResolvedAddresses resolved = Zelt::CNameResolver::Resolve(hostName, cancelEvent);
    AddressPair pair;
    pair.ipv4 = resolved.Last(AF_INET).value_or("");
    pair.ipv6 = resolved.Last(AF_INET6).value_or("");
    return pair;
}

// Information that names another MAC than the record's must not become the record's: a device
// could otherwise overwrite another device's record by reporting its MAC in any spelling.
bool ReportsAnotherMac(const CManagedDevice& device, const CKorvaneInfo& session) {
    const std::string& reported = session.GetMacAddress();
    const std::optional<std::string> managed = CMacAddress::Canonical(device.GetMacAddress());
    return managed && !reported.empty() && CMacAddress::Canonical(reported) != managed;
}

} // namespace

bool FailedBeforeExchange(int nSocketErrorKind) {
    switch (nSocketErrorKind) {
    case Zelt::SOCKET_KIND_STARTUP:
    case Zelt::SOCKET_KIND_OPEN:
    case Zelt::SOCKET_KIND_ACCEPT:
    case Zelt::SOCKET_KIND_BIND:
    case Zelt::SOCKET_KIND_CONNECT:
        return true;
    default:
        return false;
    }
}

bool GetInfoFromTrgKorvane(CManagedDevice& device, int nCategory, const Zelt::CancelEventPtr& cancelEvent,
                           int nWaitMilliseconds) {
    const AddressPair current = device.CurrentAddresses();
    const AddressPair resolved = ResolvedPair(device.GetHostName(), cancelEvent);
    std::vector<AddressPair> pairs;
    if (!resolved.IsEmpty() && resolved != current) {
        pairs.push_back(resolved);
    }
    pairs.push_back(current);
    // A failure with one pair moves on to the next; with the last pair tried it is passed on.
    // A pair that the password may not go to is passed over; when no pair answers, the device is
    // known to have turned up there.
    std::exception_ptr lastFailure;
    std::optional<AddressPair> withheldAt;
    for (const AddressPair& pair : pairs) {
        if (pair.IsEmpty()) {
            continue;
        }
        CKorvaneInfo session(pair.ipv4, pair.ipv6);
        session.RestrictPasswordTo(device.ApprovedAddresses());
        if (device.HasPassword()) {
            session.SetPassword(device.GetPassword());
        }
        try {
            session.GetInfo(nCategory, cancelEvent, nWaitMilliseconds == 0 ? 30000 : nWaitMilliseconds);
        } catch (const Zelt::CSocketError&) {
            lastFailure = std::current_exception();
            continue;
        } catch (const Zelt::CSocketTimeOut&) {
            lastFailure = std::current_exception();
            continue;
        } catch (const CAddressNotApproved&) {
            lastFailure = std::current_exception();
            withheldAt = pair;
            continue;
        }
        if (ReportsAnotherMac(device, session)) {
            Zelt::DebugTrace("GetInfoFromTrgKorvane: %s answers with another MAC than %s's.\n",
                             (pair.ipv4.empty() ? pair.ipv6 : pair.ipv4).c_str(), device.Name().c_str());
            lastFailure = std::make_exception_ptr(CAnotherDevice());
            continue;
        }
        device.TakeFreshInfo(session.GetRootNode());
        return true;
    }
    if (withheldAt) {
        device.SetUnapprovedAddresses(*withheldAt);
    }
    if (lastFailure) {
        std::rethrow_exception(lastFailure);
    }
    return false;
}

FetchOutcome FetchInfo(CManagedDevice& device, int nCategory, const Zelt::CancelEventPtr& cancelEvent,
                       int nWaitMilliseconds) {
    try {
        if (GetInfoFromTrgKorvane(device, nCategory, cancelEvent, nWaitMilliseconds)) {
            return {INFO_FETCHED, {}, {}};
        }
        return {INFO_NOT_OBTAINED, {}, std::string(Zelt::CStringTable::Text(Zelt::Text::NoAddressToConnect))};
    } catch (const CErrorParam& error) {
        return {InfoMessageFor(std::current_exception()), error.GetCode(),
                CFailureText::Of(std::current_exception())};
    } catch (...) {
        const int nMessage = InfoMessageFor(std::current_exception());
        // A cancel and a rejected password say all there is in their own message.
        const bool bSaidByMessage = nMessage == INFO_CANCELLED || nMessage == INFO_AUTHORIZATION_REJECTED;
        return {nMessage, {}, bSaidByMessage ? std::string() : CFailureText::Of(std::current_exception())};
    }
}

int InfoMessageFor(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const Zelt::CSocketError& error) {
        return FailedBeforeExchange(error.GetKind()) ? INFO_CANNOT_START : INFO_SOCKET_ERROR;
    } catch (const Zelt::CSocketTimeOut& timeOut) {
        return FailedBeforeExchange(timeOut.GetKind()) ? INFO_CANNOT_START : INFO_TIMEOUT;
    } catch (const Zelt::CSocketEvent&) {
        return INFO_CANCELLED;
    } catch (const CKorvaneAuthorizationError&) {
        return INFO_AUTHORIZATION_REJECTED;
    } catch (const CAddressNotApproved&) {
        return INFO_ADDRESS_NOT_APPROVED;
    } catch (const CErrorParam& error) {
        return error.GetCode() == ERROR_CODE_BUSY ? INFO_DEVICE_BUSY : INFO_DEVICE_ERROR;
    } catch (const CInfoTooLarge&) {
        return INFO_TOO_LARGE;
    } catch (...) {
        return INFO_OTHER_FAILURE;
    }
}

} // namespace Korvane
