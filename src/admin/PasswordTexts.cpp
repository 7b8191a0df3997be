#include "admin/PasswordTexts.h"

#include "support/StringTable.h"

#include <iterator>

namespace Korvane {

using Zelt::CStringTable;

std::string CPasswordTexts::StateText(const CManagedDevice& device) {
    if (!device.HasPassword()) {
        return std::string(CStringTable::Text(11601));
    }
    return std::string(CStringTable::Text(device.GetPasswordAccepted() ? 11600 : 11602));
}

std::string CPasswordTexts::Prompt(int nReason) {
    // By PasswordPromptReason.
    constexpr int kPromptIds[] = {11405, 11408, 11406, 11407};
    if (nReason < 0 || nReason >= static_cast<int>(std::size(kPromptIds))) {
        return std::string();
    }
    return std::string(CStringTable::Text(kPromptIds[nReason]));
}

std::string CPasswordTexts::Title(bool bDevicePreselected) {
    return std::string(CStringTable::Text(bDevicePreselected ? 11401 : 11400));
}

} // namespace Korvane
