#include "operations/PasswordPrompts.h"

#include "operations/OperationKind.h"

namespace Korvane {

int CPasswordPrompts::ReasonFor(const CManagedDevice& device) {
    if (!device.HasPassword()) {
        return PASSWORD_PROMPT_MISSING;
    }
    return device.GetPasswordAccepted() ? PASSWORD_PROMPT_NONE : PASSWORD_PROMPT_REJECTED;
}

std::vector<PasswordPrompt> CPasswordPrompts::For(int nOperationKind, const CKorvaneAdminInfoMgr& store,
                                                  const std::vector<std::string>& targetMacs) {
    return NeedsPassword(nOperationKind) ? For(store, targetMacs) : std::vector<PasswordPrompt>{};
}

std::vector<PasswordPrompt> CPasswordPrompts::For(const CKorvaneAdminInfoMgr& store,
                                                  const std::vector<std::string>& targetMacs) {
    std::vector<PasswordPrompt> prompts;
    for (const std::string& mac : targetMacs) {
        const CManagedDevice* device = store.FindDevice(mac);
        const int nReason = device != nullptr ? ReasonFor(*device) : PASSWORD_PROMPT_NONE;
        if (nReason != PASSWORD_PROMPT_NONE) {
            prompts.push_back({mac, nReason});
        }
    }
    return prompts;
}

} // namespace Korvane
