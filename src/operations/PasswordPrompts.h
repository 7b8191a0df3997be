#pragma once

#include "admin/AdminInfoMgr.h"
#include "admin/PasswordTexts.h"

#include <string>
#include <vector>

namespace Korvane {

// No password dialog is needed for the device.
constexpr int PASSWORD_PROMPT_NONE = -1;

// One password dialog to open before an operation: the device is preselected.
struct PasswordPrompt {
    std::string mac;
    int nReason = PASSWORD_PROMPT_NONE; // PASSWORD_PROMPT_MISSING or PASSWORD_PROMPT_REJECTED
};

// Which targets of an operation need the password dialog before it runs. The dialog stores what
// the user enters; a target left without a password fails later in its own progress row.
class CPasswordPrompts {
public:
    // PASSWORD_PROMPT_MISSING without a stored password, PASSWORD_PROMPT_REJECTED when the device
    // rejected the stored one, else PASSWORD_PROMPT_NONE.
    static int ReasonFor(const CManagedDevice& device);
    // The dialogs to open, in target order; none for power on, which does not authenticate.
    // Targets that the store lacks are left out.
    static std::vector<PasswordPrompt> For(int nOperationKind, const CKorvaneAdminInfoMgr& store,
                                           const std::vector<std::string>& targetMacs);
    // The same for a request that always authenticates (the detail report's fetch).
    static std::vector<PasswordPrompt> For(const CKorvaneAdminInfoMgr& store,
                                           const std::vector<std::string>& targetMacs);
};

} // namespace Korvane
