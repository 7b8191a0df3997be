#include "admin/PasswordTexts.h"

#include "support/StringTable.h"

#include <iterator>

namespace Korvane {

using Zelt::CStringTable;

std::string CPasswordTexts::StateText(const CManagedDevice& device) {
    if (!device.HasPassword()) {
        return std::string(CStringTable::Text(Zelt::Text::PasswordStateNotSet));
    }
    return std::string(CStringTable::Text(device.GetPasswordAccepted() ? Zelt::Text::PasswordStateSet
                                                                       : Zelt::Text::PasswordStateRejected));
}

std::string CPasswordTexts::Prompt(int nReason) {
    // By PasswordPromptReason.
    constexpr int kPromptIds[] = {Zelt::Text::PasswordPromptChooseDevice, Zelt::Text::PasswordPromptForDevice,
                                  Zelt::Text::PasswordPromptNoPassword, Zelt::Text::PasswordPromptRejected};
    if (nReason < 0 || nReason >= static_cast<int>(std::size(kPromptIds))) {
        return std::string();
    }
    return std::string(CStringTable::Text(kPromptIds[nReason]));
}

std::string CPasswordTexts::Title(bool bDevicePreselected) {
    return std::string(CStringTable::Text(bDevicePreselected ? Zelt::Text::PasswordTitleForDevice
                                                             : Zelt::Text::PasswordTitle));
}

} // namespace Korvane
