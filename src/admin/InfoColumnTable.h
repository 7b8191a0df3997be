#pragma once

#include "admin/SortRules.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Korvane {

// The XPaths (relative to "korvaneinfo") that more than the column table needs.
namespace InfoPath {
inline constexpr std::string_view TOTAL = "raid/capacity/total";
inline constexpr std::string_view USE = "raid/capacity/use";
inline constexpr std::string_view MAIL = "system/mail";
inline constexpr std::string_view ECO = "system/eco";
// Older firmware misspells the element; both names are read.
inline constexpr std::string_view TEMPERATURE = "systeminfo/temperature|systeminfo/temparture";
inline constexpr std::string_view STATUS = "statusinfo/status";
inline constexpr std::string_view UPS = "outport/usbport/port/device[@type='UPS']/ups";
inline constexpr std::string_view SMART = "raid/hddlist/port/device/disk/smart";
inline constexpr std::string_view MSNETWORK = "network/msnetwork";
inline constexpr std::string_view RAID_LEVEL = "raid/level";
inline constexpr std::string_view PRODUCT_NAME = "product/name";
} // namespace InfoPath

// One column of the device list.
struct InfoColumn {
    std::string key;
    int index = 0; // position in the list; columns are shown in ascending index
    bool visible = false;
    int headerTextId = 0;
    std::string xpath;        // of the value shown, relative to "korvaneinfo"
    bool hasCheckbox = false; // "host" and "status" have none: they are always shown
    int checkboxLabelId = 0;  // string id of the checkbox label; 0 without a checkbox
    SortRule sortRule = SortRule::TextOrder;
    int width = 0; // initial width in pixels
};

// One checkbox of the column selection dialog.
struct ColumnCheckbox {
    std::string key;
    std::string label;
    bool checked = false;
};

// The 18 information columns of the device list. Built with the defaults; afterwards only the
// visibility changes (column selection dialog, the keys kept in the settings file).
class InfoColumnTable {
public:
    InfoColumnTable();

    // The table as built at start-up, for looking up keys and XPaths.
    static const InfoColumnTable& Defaults();

    // Every column in index order.
    const std::vector<InfoColumn>& Columns() const { return m_columns; }
    const InfoColumn* Find(std::string_view key) const;
    // The visible columns in index order: the list's columns, cell by cell.
    std::vector<InfoColumn> VisibleColumns() const;
    // The sort rule of the n-th visible column; none past the end (the list stays unsorted).
    std::optional<SortRule> SortRuleOfVisibleColumn(size_t nPosition) const;

    // Shows exactly the listed columns (unknown keys are ignored), plus those that are always
    // shown. An empty list keeps the table as it is.
    void ApplyVisibleKeys(const std::vector<std::string>& keys);
    // The keys of the visible columns in index order, as the settings file keeps them.
    std::vector<std::string> VisibleKeys() const;

    // The column selection dialog: one checkbox per switchable column, in index order, checked
    // when its column is visible. A reset shows the checkboxes of a default table.
    std::vector<ColumnCheckbox> Checkboxes() const;
    // Takes the checkbox states over into the visibility; keys without a checkbox are ignored.
    void ApplyCheckboxes(const std::vector<ColumnCheckbox>& checkboxes);

private:
    InfoColumn* FindColumn(std::string_view key);

    std::vector<InfoColumn> m_columns;
};

} // namespace Korvane
