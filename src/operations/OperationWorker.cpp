#include "operations/OperationWorker.h"

#include "net/SocketErrors.h"
#include "operations/FailureText.h"
#include "operations/InfoFetch.h"
#include "operations/OperationKind.h"
#include "protocol/KorvaneErrors.h"

#include <stdexcept>

namespace Korvane {

OperationOutcomeCode COperationWorker::Run(int nKind, CManagedDevice& device,
                                           const Zelt::CancelEventPtr& cancelEvent,
                                           const std::string& strPath, const std::string& strDocument) {
    if (nKind == OPERATION_POWER_ON && cancelEvent && cancelEvent->IsSet()) {
        return {OPERATION_CANCELLED};
    }
    if (NeedsPassword(nKind) && !device.HasPassword()) {
        return {OPERATION_FAILED, CODE_NO_PASSWORD};
    }
    try {
        Perform(nKind, device, cancelEvent, strPath, strDocument);
        return {OPERATION_DONE};
    } catch (...) {
        OperationOutcomeCode outcome = OutcomeOf(std::current_exception());
        if (outcome.nOutcome == OPERATION_FAILED) {
            outcome.strFailure = CFailureText::Of(std::current_exception());
        }
        return outcome;
    }
}

void COperationWorker::Perform(int nKind, CManagedDevice& device, const Zelt::CancelEventPtr& cancelEvent,
                               const std::string& strPath, const std::string& strDocument) {
    switch (nKind) {
    case OPERATION_POWER_ON:
        device.PowerOn();
        break;
    case OPERATION_POWER_OFF:
        device.PowerOff(cancelEvent, false, WAIT_MILLISECONDS);
        break;
    case OPERATION_REBOOT:
        device.Reboot(cancelEvent, WAIT_MILLISECONDS);
        break;
    case OPERATION_MELODY_START:
    case OPERATION_MELODY_STOP:
        device.Melody(cancelEvent, nKind == OPERATION_MELODY_START, WAIT_MILLISECONDS);
        break;
    case OPERATION_ECO_MODE:
        device.SetInfo(cancelEvent, strDocument, false, WAIT_MILLISECONDS);
        break;
    case OPERATION_FIRMWARE_UPDATE:
        device.FWUpdate(cancelEvent, strPath);
        break;
    default:
        throw std::invalid_argument("unknown operation");
    }
}

OperationOutcomeCode COperationWorker::OutcomeOf(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const Zelt::CSocketError& error) {
        return {OPERATION_FAILED,
                FailedBeforeExchange(error.GetKind()) ? CODE_CANNOT_CONNECT : CODE_EXCHANGE_ERROR};
    } catch (const Zelt::CSocketTimeOut&) {
        return {OPERATION_FAILED, CODE_TIMEOUT};
    } catch (const Zelt::CSocketEvent&) {
        return {OPERATION_CANCELLED};
    } catch (const CKorvaneAuthorizationError&) {
        return {OPERATION_FAILED, CODE_AUTHORIZATION_REJECTED};
    } catch (const CAddressNotApproved&) {
        return {OPERATION_FAILED, CODE_ADDRESS_NOT_APPROVED};
    } catch (const CErrorParam& error) {
        return {OPERATION_FAILED, error.GetCode() == ERROR_CODE_BUSY ? CODE_DEVICE_BUSY : CODE_DEVICE_ERROR};
    } catch (...) {
        return {OPERATION_FAILED, CODE_OTHER_FAILURE};
    }
}

} // namespace Korvane
