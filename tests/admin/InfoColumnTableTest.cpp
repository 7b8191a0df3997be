#include "admin/InfoColumnTable.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Korvane::ColumnCheckbox;
using Korvane::InfoColumn;
using Korvane::InfoColumnTable;
using Korvane::SortRule;
using Keys = std::vector<std::string>;

const Keys kDefaultVisible = {"host", "status",    "productname", "power", "ip",
                              "ipv6", "workgroup", "mac",         "raid"};

TEST(InfoColumnTableDefaults, EighteenColumnsInIndexOrder) {
    const InfoColumnTable table;
    const Keys keys = {"host", "status",  "hostdesc", "productname", "firmware",  "power",
                       "mail", "ecomode", "ip",       "ipv6",        "workgroup", "mac",
                       "raid", "total",   "use",      "devtemp",     "smart",     "ups"};
    const std::vector<int> widths = {165, 88,  165, 132, 44, 44, 44, 33, 165,
                                     429, 165, 187, 154, 77, 77, 44, 44, 66};
    ASSERT_EQ(table.Columns().size(), 18u);
    for (size_t i = 0; i < keys.size(); ++i) {
        const InfoColumn& column = table.Columns()[i];
        EXPECT_EQ(column.key, keys[i]);
        EXPECT_EQ(column.index, static_cast<int>(i));
        EXPECT_EQ(column.headerTextId, 11000 + static_cast<int>(i)) << column.key;
        EXPECT_EQ(column.width, widths[i]) << column.key;
        EXPECT_EQ(column.hasCheckbox, i >= 2) << column.key;
    }
    EXPECT_EQ(table.VisibleKeys(), kDefaultVisible);
}

TEST(InfoColumnTableDefaults, PathsAndSortRules) {
    const InfoColumnTable table;
    EXPECT_EQ(table.Find("devtemp")->xpath, "systeminfo/temperature|systeminfo/temparture");
    EXPECT_EQ(table.Find("ip")->xpath, "network/tcpip[not(@family='inet6')]/lan/ipsetting/ip");
    EXPECT_EQ(table.Find("ipv6")->xpath, "network/tcpip[@family='inet6'][@enable='true']/lan/ipsetting/ip");
    EXPECT_EQ(table.Find("ups")->xpath, "outport/usbport/port/device[@type='UPS']/ups");
    EXPECT_EQ(table.Find("smart")->xpath, "raid/hddlist/port/device/disk/smart");
    EXPECT_EQ(table.Find("mac")->xpath, "network/tcpip/lan/mac");
    EXPECT_EQ(table.Find("firmware")->sortRule, SortRule::VersionOrder);
    EXPECT_EQ(table.Find("ecomode")->sortRule, SortRule::EcoTimeOrder);
    EXPECT_EQ(table.Find("ip")->sortRule, SortRule::Ipv4Order);
    EXPECT_EQ(table.Find("ipv6")->sortRule, SortRule::Ipv6Order);
    EXPECT_EQ(table.Find("total")->sortRule, SortRule::CapacityOrder);
    EXPECT_EQ(table.Find("use")->sortRule, SortRule::CapacityOrder);
    EXPECT_EQ(table.Find("devtemp")->sortRule, SortRule::TemperatureOrder);
    EXPECT_EQ(table.Find("ups")->sortRule, SortRule::TextOrder);
    EXPECT_EQ(table.Find("nosuchkey"), nullptr);
}

TEST(InfoColumnTableVisibility, SortRuleOfTheNthVisibleColumn) {
    InfoColumnTable table;
    EXPECT_EQ(table.SortRuleOfVisibleColumn(0), SortRule::TextOrder);
    EXPECT_EQ(table.SortRuleOfVisibleColumn(4), SortRule::Ipv4Order);
    EXPECT_EQ(table.SortRuleOfVisibleColumn(5), SortRule::Ipv6Order);
    EXPECT_EQ(table.SortRuleOfVisibleColumn(8), SortRule::TextOrder);
    EXPECT_EQ(table.SortRuleOfVisibleColumn(9), std::nullopt);
    table.ApplyVisibleKeys({"total", "firmware"});
    EXPECT_EQ(table.SortRuleOfVisibleColumn(2), SortRule::VersionOrder);
    EXPECT_EQ(table.SortRuleOfVisibleColumn(3), SortRule::CapacityOrder);
    EXPECT_EQ(table.SortRuleOfVisibleColumn(4), std::nullopt);
}

TEST(InfoColumnTableVisibility, StoredKeysReplaceTheDefaultsButKeepTheFixedColumns) {
    InfoColumnTable table;
    table.ApplyVisibleKeys({"ups", "firmware", "no-such-column", "firmware"});
    EXPECT_EQ(table.VisibleKeys(), (Keys{"host", "status", "firmware", "ups"}));
    const std::vector<InfoColumn> visible = table.VisibleColumns();
    ASSERT_EQ(visible.size(), 4u);
    EXPECT_EQ(visible[2].headerTextId, 11004);
    EXPECT_EQ(visible[3].width, 66);
}

TEST(InfoColumnTableVisibility, EmptyListKeepsTheTable) {
    InfoColumnTable table;
    table.ApplyVisibleKeys({});
    EXPECT_EQ(table.VisibleKeys(), kDefaultVisible);
    table.ApplyVisibleKeys({"mail"});
    table.ApplyVisibleKeys({});
    EXPECT_EQ(table.VisibleKeys(), (Keys{"host", "status", "mail"}));
}

TEST(InfoColumnTableVisibility, VisibleKeysRoundTrip) {
    InfoColumnTable saved;
    saved.ApplyVisibleKeys({"smart", "hostdesc", "use", "ecomode"});
    InfoColumnTable loaded;
    loaded.ApplyVisibleKeys(saved.VisibleKeys());
    EXPECT_EQ(loaded.VisibleKeys(), (Keys{"host", "status", "hostdesc", "ecomode", "use", "smart"}));
}

TEST(InfoColumnTableDialog, CheckboxesForEverySwitchableColumn) {
    InfoColumnTable table;
    const std::vector<ColumnCheckbox> boxes = table.Checkboxes();
    ASSERT_EQ(boxes.size(), 16u);
    EXPECT_EQ(boxes.front().key, "hostdesc");
    EXPECT_EQ(boxes.front().label, "KORVANE の説明");
    EXPECT_FALSE(boxes.front().checked);
    EXPECT_EQ(boxes[1].label, "プロダクト名");
    EXPECT_TRUE(boxes[1].checked);
    // The header of "use" carries "(使用率)", its checkbox does not.
    EXPECT_EQ(boxes[12].key, "use");
    EXPECT_EQ(boxes[12].label, "ディスク使用容量");
    EXPECT_EQ(boxes.back().label, "UPS 接続状態");
}

TEST(InfoColumnTableDialog, ApplyingCheckboxesSetsVisibilityOfSwitchableColumnsOnly) {
    InfoColumnTable table;
    std::vector<ColumnCheckbox> boxes = table.Checkboxes();
    for (ColumnCheckbox& box : boxes) {
        box.checked = box.key == "ups" || box.key == "raid";
    }
    boxes.push_back({"host", "", false});
    table.ApplyCheckboxes(boxes);
    EXPECT_EQ(table.VisibleKeys(), (Keys{"host", "status", "raid", "ups"}));
}

// The dialog's reset shows the defaults without touching the program-wide table.
TEST(InfoColumnTableDialog, ResetShowsTheDefaultsOfAFreshTable) {
    InfoColumnTable table;
    table.ApplyVisibleKeys({"ups"});
    const std::vector<ColumnCheckbox> reset = InfoColumnTable().Checkboxes();
    std::vector<std::string> checked;
    for (const ColumnCheckbox& box : reset) {
        if (box.checked) {
            checked.push_back(box.key);
        }
    }
    EXPECT_EQ(checked, (Keys{"productname", "power", "ip", "ipv6", "workgroup", "mac", "raid"}));
    EXPECT_EQ(table.VisibleKeys(), (Keys{"host", "status", "ups"}));
    EXPECT_EQ(InfoColumnTable::Defaults().VisibleKeys(), kDefaultVisible);
}

} // namespace
