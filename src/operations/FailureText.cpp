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

// The system's reason in the C locale, so that it reads the same whatever the environment.
std::string SystemReason(int nError) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return nError == 0 ? std::string() : std::string(strerror_l(nError, cLocale));
}

std::string Place(const Zelt::CSocketErrorBase& failure) {
    if (failure.GetRemoteAddress().empty()) {
        return "KORVANE";
    }
    return CTextFormat::FormatId(Zelt::Text::AddressAndPort,
                                 {failure.GetRemoteAddress(), std::to_string(failure.GetRemotePort())});
}

std::string WithReason(const std::string& text, int nSystemError) {
    const std::string reason = SystemReason(nSystemError);
    return reason.empty() ? text : CTextFormat::FormatId(Zelt::Text::TextWithReason, {text, reason});
}

std::string SocketFailureText(const Zelt::CSocketErrorBase& failure, bool bTimeOut) {
    switch (failure.GetKind()) {
    case Zelt::SOCKET_KIND_STARTUP:
    case Zelt::SOCKET_KIND_OPEN:
    case Zelt::SOCKET_KIND_CONNECT:
        return WithReason(CTextFormat::FormatId(Zelt::Text::CannotConnectTo, {Place(failure)}),
                          bTimeOut ? ETIMEDOUT : failure.GetSystemError());
    default:
        return bTimeOut ? CTextFormat::FormatId(Zelt::Text::NoAnswerInTime, {Place(failure)})
                        : WithReason(CTextFormat::FormatId(Zelt::Text::ExchangeFailed, {Place(failure)}),
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
        return WithReason(Text(Zelt::Text::WakeNotSent), error.GetSystemError());
    } catch (...) {
        return Text(Zelt::Text::WakeNotSent);
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
        return Text(Zelt::Text::Cancelled);
    } catch (const CKorvaneAuthorizationError&) {
        return Text(Zelt::Text::FailurePasswordRejected);
    } catch (const CAddressNotApproved&) {
        return Text(Zelt::Text::PasswordWithheld);
    } catch (const CErrorParam& error) {
        return error.GetCode() == ERROR_CODE_BUSY
                   ? Text(Zelt::Text::FailureDeviceBusy)
                   : CTextFormat::FormatId(Zelt::Text::DeviceErrorCode, {error.GetCode()});
    } catch (const CAnotherDevice&) {
        return Text(Zelt::Text::AnotherDeviceAnswers);
    } catch (const CInfoTooLarge&) {
        return Text(Zelt::Text::InfoTooLarge);
    } catch (const Zelt::CXMLError&) {
        return Text(Zelt::Text::AnswerUnreadable);
    } catch (...) {
        return Text(Zelt::Text::UnexpectedError);
    }
}

} // namespace Korvane
