#include "admin/CellText.h"

#include "admin/InfoColumnTable.h"
#include "admin/StatusEvaluation.h"
#include "admin/TextFormat.h"
#include "admin/ValueTexts.h"
#include "support/StringTable.h"

#include <algorithm>
#include <iterator>

namespace Korvane {
namespace {

using Formatter = std::string (*)(const CInfoValues&, std::string_view);

struct PathFormatter {
    std::string_view xpath;
    Formatter format; // none: the status column, which the record decides
};

std::string RaidLevelOf(const CInfoValues& values, std::string_view xpath) {
    return CValueTexts::RaidLevelText(values.Text(xpath));
}

// The columns with a formatter of their own; every other column, the IPv4 and IPv6 addresses
// among them, shows the plain text.
constexpr PathFormatter kFormatters[] = {
    {InfoPath::TOTAL, &CValueTexts::TotalCapacityText},
    {InfoPath::USE, &CValueTexts::UsedCapacityText},
    {InfoPath::MAIL, &CValueTexts::EnableText},
    {InfoPath::ECO, &CValueTexts::EcoTimeText},
    {InfoPath::TEMPERATURE, &CValueTexts::TemperatureText},
    {InfoPath::STATUS, nullptr},
    {InfoPath::UPS, &CValueTexts::UpsText},
    {InfoPath::SMART, &CValueTexts::SmartText},
    {InfoPath::MSNETWORK, &CValueTexts::NetworkNameText},
    {InfoPath::RAID_LEVEL, &RaidLevelOf},
};

} // namespace

std::string CCellText::CellText(std::string_view key, const CManagedDevice& device) {
    const InfoColumn* pColumn = InfoColumnTable::Defaults().Find(key);
    if (pColumn == nullptr) {
        return CInfoValues::NoValue();
    }
    return CInfoValues::OrNoValue(TextOfPath(pColumn->xpath, device));
}

int CCellText::StateIconIndex(const CManagedDevice& device) {
    return CStatusEvaluation::ConditionState(device);
}

std::string CCellText::TextOfPath(const std::string& xpath, const CManagedDevice& device) {
    const auto it = std::find_if(std::begin(kFormatters), std::end(kFormatters),
                                 [&xpath](const PathFormatter& entry) { return entry.xpath == xpath; });
    const CInfoValues values(device);
    if (it == std::end(kFormatters)) {
        return values.Text(xpath);
    }
    return it->format != nullptr ? it->format(values, xpath) : StatusText(device);
}

// From the record, not the document: a connection error outranks the device's own condition,
// and a failed update keeps showing the last known state.
std::string CCellText::StatusText(const CManagedDevice& device) {
    using Zelt::CStringTable;
    // The password is withheld until the user approves: nothing else about the device is as
    // pressing.
    if (device.HasUnapprovedAddresses()) {
        return std::string(CStringTable::Text(Zelt::Text::AddressUnapproved));
    }
    if (CStatusEvaluation::IsConnectionError(device)) {
        return std::string(CStringTable::Text(Zelt::Text::StatusConnectionError));
    }
    switch (CStatusEvaluation::ConditionState(device)) {
    case CONDITION_ERROR:
        return std::string(CStringTable::Text(Zelt::Text::StatusError));
    case CONDITION_CAUTION:
        return std::string(CStringTable::Text(Zelt::Text::StatusWarning));
    default:
        break;
    }
    const std::string_view normal = CStringTable::Text(Zelt::Text::StatusNormal);
    return CStatusEvaluation::LastUpdateFailed(device)
               ? CTextFormat::FormatId(Zelt::Text::StatusUpdateError, {normal})
               : std::string(normal);
}

} // namespace Korvane
