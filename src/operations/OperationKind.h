#pragma once

#include <string>

namespace Korvane {

// The user operations that run on many devices at once.
enum OperationKind : int {
    OPERATION_POWER_ON = 0,
    OPERATION_POWER_OFF = 1,
    OPERATION_REBOOT = 2,
    OPERATION_MELODY_START = 3,
    OPERATION_MELODY_STOP = 4,
    OPERATION_ECO_MODE = 5,
    OPERATION_FIRMWARE_UPDATE = 6,
};

// How one device's operation ended (the program's long-standing message numbers).
enum OperationOutcome : int {
    OPERATION_DONE = 0x0BD1,
    OPERATION_FAILED = 0x0BD2,
    OPERATION_CANCELLED = 0x0BD3
};

// Why it failed.
enum OperationResultCode : int {
    CODE_NO_PASSWORD = 100,
    CODE_AUTHORIZATION_REJECTED = 101,
    CODE_DEVICE_ERROR = 103,
    CODE_OTHER_FAILURE = 104,
    CODE_DEVICE_BUSY = 105,
    CODE_TIMEOUT = 110,
    CODE_EXCHANGE_ERROR = 111,
    CODE_CANNOT_CONNECT = 112,
    CODE_ADDRESS_NOT_APPROVED = 113,
};

// What a progress row shows about its device.
enum RowMark : int { MARK_SUCCESS = 1, MARK_FAILURE = 16, MARK_CANCELLED = 256, MARK_AUTHENTICATION = 4096 };

// The name shown for an operation ("電源 ON", ...); "操作" for an unknown kind.
std::string OperationName(int nKind);

// Whether the operation authenticates with the device's administrator password.
inline bool NeedsPassword(int nKind) {
    return nKind != OPERATION_POWER_ON;
}

} // namespace Korvane
