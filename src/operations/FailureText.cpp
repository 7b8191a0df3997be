#include "operations/FailureText.h"

#include "admin/TextFormat.h"
#include "net/SocketErrors.h"
#include "operations/InfoFetch.h"
#include "operations/InfoResult.h"
#include "protocol/KorvaneErrors.h"
#include "support/StringTable.h"

#include <cstring>
#include <locale.h>

namespace Korvane {
namespace {

constexpr int MSG_CANNOT_CONNECT = 90748;
constexpr int MSG_NO_ANSWER_IN_TIME = 90749;
constexpr int MSG_EXCHANGE_FAILED = 90750;
constexpr int MSG_ADDRESS_AND_PORT = 90751;
constexpr int MSG_DEVICE_ERROR_CODE = 90752;
constexpr int MSG_ANSWER_UNREADABLE = 90753;
constexpr int MSG_CANCELLED = 90754;
constexpr int MSG_UNEXPECTED = 90755;
constexpr int MSG_WITH_REASON = 90756;
constexpr int MSG_ANOTHER_DEVICE = 90757;
constexpr int MSG_WAKE_NOT_SENT = 90759;
constexpr int MSG_BUSY = 90744;
constexpr int MSG_PASSWORD_REJECTED = 90745;
constexpr int MSG_PASSWORD_WITHHELD = 90302;

// The system's reason in the C locale, so that it reads the same whatever the environment.
std::string SystemReason(int nError) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return nError == 0 ? std::string() : std::string(strerror_l(nError, cLocale));
}

std::string Place(const Zelt::CSocketErrorBase& failure) {
    if (failure.GetRemoteAddress().empty()) {
        return "KORVANE";
    }
    return CTextFormat::FormatId(MSG_ADDRESS_AND_PORT,
                                 {failure.GetRemoteAddress(), std::to_string(failure.GetRemotePort())});
}

std::string WithReason(const std::string& text, int nSystemError) {
    const std::string reason = SystemReason(nSystemError);
    return reason.empty() ? text : CTextFormat::FormatId(MSG_WITH_REASON, {text, reason});
}

std::string SocketFailureText(const Zelt::CSocketErrorBase& failure, bool bTimeOut) {
    switch (failure.GetKind()) {
    case Zelt::SOCKET_KIND_STARTUP:
    case Zelt::SOCKET_KIND_OPEN:
    case Zelt::SOCKET_KIND_CONNECT:
        return WithReason(CTextFormat::FormatId(MSG_CANNOT_CONNECT, {Place(failure)}),
                          bTimeOut ? ETIMEDOUT : failure.GetSystemError());
    default:
        return bTimeOut ? CTextFormat::FormatId(MSG_NO_ANSWER_IN_TIME, {Place(failure)})
                        : WithReason(CTextFormat::FormatId(MSG_EXCHANGE_FAILED, {Place(failure)}),
                                     failure.GetSystemError());
    }
}

std::string Text(int nId) {
    return std::string(Zelt::CStringTable::Text(nId));
}

} // namespace

std::string CFailureText::OfWakeOnLan(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const Zelt::CSocketError& error) {
        return WithReason(Text(MSG_WAKE_NOT_SENT), error.GetSystemError());
    } catch (...) {
        return Text(MSG_WAKE_NOT_SENT);
    }
}

std::string CFailureText::Of(const std::exception_ptr& failure) {
    if (!failure) {
        return std::string();
    }
    try {
        std::rethrow_exception(failure);
    } catch (const Zelt::CSocketTimeOut& timeOut) {
        return SocketFailureText(timeOut, true);
    } catch (const Zelt::CSocketError& error) {
        return SocketFailureText(error, false);
    } catch (const Zelt::CSocketEvent&) {
        return Text(MSG_CANCELLED);
    } catch (const CKorvaneAuthorizationError&) {
        return Text(MSG_PASSWORD_REJECTED);
    } catch (const CAddressNotApproved&) {
        return Text(MSG_PASSWORD_WITHHELD);
    } catch (const CErrorParam& error) {
        return error.GetCode() == ERROR_CODE_BUSY
                   ? Text(MSG_BUSY)
                   : CTextFormat::FormatId(MSG_DEVICE_ERROR_CODE, {error.GetCode()});
    } catch (const CAnotherDevice&) {
        return Text(MSG_ANOTHER_DEVICE);
    } catch (const CInfoTooLarge&) {
        return Text(MSG_INFO_TOO_LARGE);
    } catch (const Zelt::CXMLError&) {
        return Text(MSG_ANSWER_UNREADABLE);
    } catch (...) {
        return Text(MSG_UNEXPECTED);
    }
}

} // namespace Korvane
