#pragma once

#include "admin/ManagedDevice.h"

#include <string>

namespace Korvane {

// Why the password dialog is opened; the caller chooses.
enum PasswordPromptReason : int {
    PASSWORD_PROMPT_CHOOSE_DEVICE = 0, // from the menu, no device preselected
    PASSWORD_PROMPT_ENTER = 1,
    PASSWORD_PROMPT_MISSING = 2,  // an exchange found no password for the device
    PASSWORD_PROMPT_REJECTED = 3, // the device rejected the stored password
};

// The texts about a device's administrator password that the dialogs show.
class CPasswordTexts {
public:
    // "認証用パスワード ： 設定済み", "未設定 …" or "認証エラー …".
    static std::string StateText(const CManagedDevice& device);
    // The prompt of the password dialog; empty for an unknown reason.
    static std::string Prompt(int nReason);
    // The title of the password dialog, with or without a preselected device.
    static std::string Title(bool bDevicePreselected);
};

} // namespace Korvane
