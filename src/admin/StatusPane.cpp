#include "admin/StatusPane.h"

#include "admin/AddressApproval.h"
#include "admin/InfoValues.h"
#include "admin/PasswordTexts.h"
#include "admin/StatusEvaluation.h"
#include "admin/TextFormat.h"
#include "support/TextIds.h"

namespace Korvane {

std::vector<std::string> CStatusPane::Lines(const CManagedDevice& device) {
    const std::string update = CInfoValues(device).Attribute("statusinfo/status", "update");
    const std::string time = update.empty() ? std::string("-") : update;
    std::vector<std::string> lines{CTextFormat::FormatId(Zelt::Text::StatusPaneTitle, {device.Name(), time}),
                                   CPasswordTexts::StateText(device)};
    if (std::string waiting = CAddressApproval::WaitingLine(device); !waiting.empty()) {
        lines.push_back(std::move(waiting));
    }
    if (std::string result = CStatusEvaluation::ResultCodeText(device.GetResultCode()); !result.empty()) {
        lines.push_back(std::move(result));
    }
    for (std::string& line : CTextFormat::Lines(CStatusEvaluation::StatusText(device))) {
        lines.push_back(std::move(line));
    }
    return lines;
}

} // namespace Korvane
