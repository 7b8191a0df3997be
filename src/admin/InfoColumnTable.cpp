#include "admin/InfoColumnTable.h"

#include "support/StringTable.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace Korvane {
namespace {

// Column n's header is the n-th after the first column's.
constexpr int kFirstHeaderId = Zelt::Text::ColumnName;
static_assert(kFirstHeaderId + 17 == Zelt::Text::ColumnUps);

// A column with a checkbox labelled like its header.
InfoColumn Switchable(std::string key, int nIndex, bool bVisible, std::string_view xpath, SortRule rule,
                      int nWidth) {
    const int nHeaderId = kFirstHeaderId + nIndex;
    return InfoColumn{std::move(key), nIndex,    bVisible, nHeaderId, std::string(xpath),
                      true,           nHeaderId, rule,     nWidth};
}

// A column that is always shown and so has no checkbox.
InfoColumn Fixed(std::string key, int nIndex, std::string_view xpath, int nWidth) {
    return InfoColumn{
        std::move(key),      nIndex, true, kFirstHeaderId + nIndex, std::string(xpath), false, 0,
        SortRule::TextOrder, nWidth};
}

std::vector<InfoColumn> DefaultColumns() {
    using enum SortRule;
    std::vector<InfoColumn> columns = {
        Fixed("host", 0, "network/host/name", 165),
        Fixed("status", 1, InfoPath::STATUS, 88),
        Switchable("hostdesc", 2, false, "network/host/desc", TextOrder, 165),
        Switchable("productname", 3, true, InfoPath::PRODUCT_NAME, TextOrder, 132),
        Switchable("firmware", 4, false, "product/firmware", VersionOrder, 44),
        Switchable("power", 5, true, "systeminfo/power", TextOrder, 44),
        Switchable("mail", 6, false, InfoPath::MAIL, TextOrder, 44),
        Switchable("ecomode", 7, false, InfoPath::ECO, EcoTimeOrder, 33),
        Switchable("ip", 8, true, "network/tcpip[not(@family='inet6')]/lan/ipsetting/ip", Ipv4Order, 165),
        Switchable("ipv6", 9, true, "network/tcpip[@family='inet6'][@enable='true']/lan/ipsetting/ip",
                   Ipv6Order, 429),
        Switchable("workgroup", 10, true, InfoPath::MSNETWORK, TextOrder, 165),
        Switchable("mac", 11, true, "network/tcpip/lan/mac", TextOrder, 187),
        Switchable("raid", 12, true, InfoPath::RAID_LEVEL, TextOrder, 154),
        Switchable("total", 13, false, InfoPath::TOTAL, CapacityOrder, 77),
        Switchable("use", 14, false, InfoPath::USE, CapacityOrder, 77),
        Switchable("devtemp", 15, false, InfoPath::TEMPERATURE, TemperatureOrder, 44),
        Switchable("smart", 16, false, InfoPath::SMART, TextOrder, 44),
        Switchable("ups", 17, false, InfoPath::UPS, TextOrder, 66),
    };
    // The header carries "(使用率)"; the checkbox does not.
    columns[14].checkboxLabelId = Zelt::Text::ColumnChoiceDiskUsage;
    return columns;
}

// The column of the key in a const or non-const column list; nullptr when there is none.
template <typename Columns>
auto FindIn(Columns& columns, std::string_view key) -> decltype(&columns.front()) {
    const auto it = std::find_if(columns.begin(), columns.end(),
                                 [key](const InfoColumn& column) { return column.key == key; });
    return it == columns.end() ? nullptr : &*it;
}

} // namespace

InfoColumnTable::InfoColumnTable() : m_columns(DefaultColumns()) {}

const InfoColumnTable& InfoColumnTable::Defaults() {
    static const InfoColumnTable defaults;
    return defaults;
}

const InfoColumn* InfoColumnTable::Find(std::string_view key) const {
    return FindIn(m_columns, key);
}

InfoColumn* InfoColumnTable::FindColumn(std::string_view key) {
    return FindIn(m_columns, key);
}

std::vector<InfoColumn> InfoColumnTable::VisibleColumns() const {
    std::vector<InfoColumn> visible;
    std::copy_if(m_columns.begin(), m_columns.end(), std::back_inserter(visible),
                 [](const InfoColumn& column) { return column.visible; });
    return visible;
}

std::optional<SortRule> InfoColumnTable::SortRuleOfVisibleColumn(size_t nPosition) const {
    const std::vector<InfoColumn> visible = VisibleColumns();
    if (nPosition >= visible.size()) {
        return std::nullopt;
    }
    return visible[nPosition].sortRule;
}

void InfoColumnTable::ApplyVisibleKeys(const std::vector<std::string>& keys) {
    if (keys.empty()) {
        return;
    }
    for (InfoColumn& column : m_columns) {
        column.visible = !column.hasCheckbox;
    }
    for (const std::string& key : keys) {
        if (InfoColumn* pColumn = FindColumn(key)) {
            pColumn->visible = true;
        }
    }
}

std::vector<std::string> InfoColumnTable::VisibleKeys() const {
    std::vector<std::string> keys;
    for (const InfoColumn& column : VisibleColumns()) {
        keys.push_back(column.key);
    }
    return keys;
}

std::vector<ColumnCheckbox> InfoColumnTable::Checkboxes() const {
    std::vector<ColumnCheckbox> checkboxes;
    for (const InfoColumn& column : m_columns) {
        if (column.hasCheckbox) {
            checkboxes.push_back(
                {column.key, std::string(Zelt::CStringTable::Text(column.checkboxLabelId)), column.visible});
        }
    }
    return checkboxes;
}

void InfoColumnTable::ApplyCheckboxes(const std::vector<ColumnCheckbox>& checkboxes) {
    for (const ColumnCheckbox& checkbox : checkboxes) {
        InfoColumn* pColumn = FindColumn(checkbox.key);
        if (pColumn != nullptr && pColumn->hasCheckbox) {
            pColumn->visible = checkbox.checked;
        }
    }
}

} // namespace Korvane
