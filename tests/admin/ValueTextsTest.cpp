#include "admin/ValueTexts.h"

#include "InfoDocuments.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

#include <gtest/gtest.h>

namespace {

using Korvane::CInfoValues;
using Korvane::CManagedDevice;
using Korvane::CValueTexts;

using Formatter = std::string (*)(const CInfoValues&, std::string_view);
using ValueFormatter = std::string (*)(std::string_view);
// Path or value → the text expected for it.
using Cases = std::initializer_list<std::pair<const char*, const char*>>;

void ExpectTexts(Formatter format, const CInfoValues& info, Cases cases) {
    for (const auto& [pszPath, pszText] : cases) {
        EXPECT_EQ(format(info, pszPath), pszText) << pszPath;
    }
}

void ExpectValueTexts(ValueFormatter format, Cases cases) {
    for (const auto& [pszValue, pszText] : cases) {
        EXPECT_EQ(format(pszValue), pszText) << pszValue;
    }
}

// Readers over a small information document.
class ValueTexts : public testing::Test {
protected:
    const CInfoValues& Info(const std::string& body) {
        m_device = AdminTesting::DeviceWithInfo("<korvaneinfo>" + body + "</korvaneinfo>");
        m_values.emplace(m_device);
        return *m_values;
    }

private:
    CManagedDevice m_device;
    std::optional<CInfoValues> m_values;
};

TEST_F(ValueTexts, ReadersGiveEmptyTextsForWhatIsMissing) {
    const CInfoValues& info = Info("<a x='1'>text</a><a>second</a>");
    EXPECT_EQ(info.Text("a"), "text");
    EXPECT_EQ(info.Attribute("a", "x"), "1");
    EXPECT_EQ(info.Attribute("a", "y"), "");
    EXPECT_EQ(info.Text("b"), "");
    EXPECT_EQ(info.TextOrNoValue("b"), "-");
    EXPECT_EQ(info.Attribute("b", "x"), "");
    EXPECT_EQ(info.Text("a[not(valid"), "");
    EXPECT_TRUE(info.Exists("a"));
    EXPECT_FALSE(info.Exists("b"));
    EXPECT_EQ(info.Count("a"), 2u);
    ASSERT_EQ(info.Each("a").size(), 2u);
    EXPECT_EQ(info.Each("a")[1].Text("."), "second");
    const CInfoValues empty{CManagedDevice()};
    EXPECT_EQ(empty.Text("a"), "");
    EXPECT_FALSE(empty.Exists("."));
}

TEST_F(ValueTexts, EnableText) {
    ExpectTexts(&CValueTexts::EnableText, Info("<on enable='TRUE'/><off enable='false'/><bare/>"),
                {{"on", "有効"}, {"off", "無効"}, {"bare", "無効"}, {"missing", "-"}});
}

TEST_F(ValueTexts, CapacityTextsKeepTheByteCountAndTruncateTheRest) {
    const CInfoValues& info =
        Info("<raid><capacity><total>2000000000000</total><use>150000000000</use></capacity></raid>"
             "<disk><capacity><total>2000398934016</total><use>999999999</use></capacity></disk>");
    EXPECT_EQ(CValueTexts::TotalCapacityText(info, "disk/capacity/total"), "2000GB (2000398934016Bytes)");
    EXPECT_EQ(CValueTexts::UsedCapacityText(info, "raid/capacity/use"), "150GB (150000000000 Bytes) 7%");
    EXPECT_EQ(CValueTexts::UsedCapacityText(info, "disk/capacity/use"), "0GB (999999999 Bytes) 0%");
    ExpectValueTexts(&CValueTexts::GigabyteText, {{"1000000000", "1GB"}, {"999999999", "0GB"}});
}

TEST_F(ValueTexts, CapacityTextsWithoutValuesOrWithAZeroTotal) {
    const CInfoValues& info =
        Info("<zero><total>0</total><use>150</use></zero><nouse><total>100</total></nouse>"
             "<nototal><use>150</use></nototal>");
    ExpectTexts(&CValueTexts::UsedCapacityText, info,
                {{"zero/use", "-"}, {"nouse/use", "-"}, {"nototal/use", "-"}});
    ExpectTexts(&CValueTexts::TotalCapacityText, info,
                {{"nototal/total", "-"}, {"zero/total", "0GB (0Bytes)"}});
}

// Byte counts use the whole unsigned 64-bit range; the percentage does not wrap around.
TEST_F(ValueTexts, CapacityTextsBeyond32BitsAndAtThe64BitLimit) {
    const CInfoValues& info =
        Info("<full><total>18446744073709551615</total><use>18446744073709551615</use></full>"
             "<half><total>18446744073709551614</total><use>9223372036854775807</use></half>");
    EXPECT_EQ(CValueTexts::TotalCapacityText(info, "full/total"),
              "18446744073GB (18446744073709551615Bytes)");
    ExpectTexts(&CValueTexts::UsedCapacityText, info,
                {{"full/use", "18446744073GB (18446744073709551615 Bytes) 100%"},
                 {"half/use", "9223372036GB (9223372036854775807 Bytes) 50%"}});
}

TEST_F(ValueTexts, RaidLevelText) {
    ExpectValueTexts(&CValueTexts::RaidLevelText, {
                                                      {"ENC_RAID5+S_4", "暗号化RAID5 + スペアー (4 台)"},
                                                      {"RAID1_2", "RAID1 (2 台)"},
                                                      {"RAID10_12", "RAID1"},
                                                      {"RAID6_4", "RAID6 (4 台)"},
                                                      {"RAID0_2", "RAID0 (2 台)"},
                                                      {"EXTENDED", "拡張ボリューム"},
                                                      {"ENC_EXTENDED_1", "暗号化拡張ボリューム (1 台)"},
                                                      {"-", "-"},
                                                      {"JBOD_", ""},
                                                      {"", ""},
                                                  });
}

TEST_F(ValueTexts, EcoTimeText) {
    // The comparisons are exact: "060" is not an hour.
    ExpectTexts(&CValueTexts::EcoTimeText,
                Info("<off><defaulttime><minute>0</minute></defaulttime></off>"
                     "<hour><defaulttime><minute>60</minute></defaulttime></hour>"
                     "<quarter><defaulttime><minute>15</minute></defaulttime></quarter>"
                     "<padded><defaulttime><minute>060</minute></defaulttime></padded><none/>"),
                {{"off", "無効"},
                 {"hour", "1 時間後"},
                 {"quarter", "15 分後"},
                 {"padded", "060 分後"},
                 {"none", "-"}});
}

TEST_F(ValueTexts, TemperatureAndPercentTexts) {
    ExpectTexts(&CValueTexts::TemperatureText, Info("<t>45</t><empty/>"), {{"t", "45 ℃"}, {"empty", "-"}});
    ExpectValueTexts(&CValueTexts::PercentText, {{"95", "95%"}, {"", "-"}});
}

TEST_F(ValueTexts, UpsText) {
    ExpectTexts(&CValueTexts::UpsText,
                Info("<a status='online'/><b status='OnBattery'/><c status='unknown'/>"
                     "<d status='disconnect'/><e status='overload'/><f/>"),
                {{"a", "正常"},
                 {"b", "バッテリー動作"},
                 {"c", "不明な状態"},
                 {"d", "未接続"},
                 {"e", ""},
                 {"f", "未接続"},
                 {"missing", "未接続"}});
}

TEST_F(ValueTexts, SmartTextLooksAtEveryInternalDisk) {
    const auto withSecondDisk = [](const std::string& smart) {
        return "<raid><hddlist><port><device><disk><smart>OK</smart></disk></device></port>"
               "<port><device><disk><smart>" +
               smart + "</smart></disk></device></port></hddlist></raid>";
    };
    constexpr const char* kSmart = "raid/hddlist/port/device/disk/smart";
    EXPECT_EQ(CValueTexts::SmartText(Info(withSecondDisk("OK")), kSmart), "OK");
    EXPECT_EQ(CValueTexts::SmartText(Info(withSecondDisk("ng")), kSmart), "NG");
    EXPECT_EQ(CValueTexts::SmartText(Info("<raid/>"), kSmart), "-");
}

TEST_F(ValueTexts, NetworkNameTextFollowsTheMethod) {
    const auto name = [this](const std::string& method, const std::string& content) {
        return CValueTexts::NetworkNameText(
            Info("<network><msnetwork method='" + method + "'>" + content + "</msnetwork></network>"),
            "network/msnetwork");
    };
    EXPECT_EQ(name("WG", "<wg><workgroup>SOUMU</workgroup></wg>"), "SOUMU");
    EXPECT_EQ(name("NT", "<nt><domain>KEIRI</domain></nt>"), "KEIRI");
    EXPECT_EQ(name("AD", "<ad><netbios>KAI</netbios></ad>"), "KAI");
    EXPECT_EQ(name("wg", "<wg><workgroup>X</workgroup></wg>"), "-");
    EXPECT_EQ(name("WG", "<wg/>"), "-");
}

TEST_F(ValueTexts, RaidAndVolumeStatusTexts) {
    ExpectValueTexts(&CValueTexts::RaidStatusText, {{"preparing", "準備中"},
                                                    {"Running", "正常"},
                                                    {"stop", "停止中"},
                                                    {"degrade", "構成異常"},
                                                    {"fail", "異常"},
                                                    {"crash", "崩壊"},
                                                    {"rebuilding", ""}});
    ExpectValueTexts(&CValueTexts::VolumeStatusText, {{"preparing", "準備中"},
                                                      {"key_waiting", "暗号解除待ち"},
                                                      {"running", "正常"},
                                                      {"REBUILDING", "再構築中"},
                                                      {"fail", "異常"},
                                                      {"mount_fail", "マウント失敗"},
                                                      {"degrade", ""}});
}

TEST_F(ValueTexts, CombinedRaidStateText) {
    const auto state = [this](const std::string& raid, const std::string& volume) {
        return CValueTexts::CombinedRaidStateText(Info("<status><detail type='raid'><param>" + raid +
                                                       "</param></detail><detail type='raidvol'><param>" +
                                                       volume + "</param></detail></status>"),
                                                  "status");
    };
    EXPECT_EQ(state("running", "running"), "正常");
    EXPECT_EQ(state("running", "rebuilding"), "再構築中");
    EXPECT_EQ(state("degrade", "rebuilding"), "構成異常/再構築中");
    EXPECT_EQ(state("degrade", "running"), "構成異常");
    EXPECT_EQ(state("DEGRADE", "Preparing"), "構成異常");
    EXPECT_EQ(state("crash", "mount_fail"), "崩壊");
    EXPECT_EQ(state("stop", "running"), "停止中");
    EXPECT_EQ(state("preparing", "key_waiting"), "準備中");
    EXPECT_EQ(state("other", "key_waiting"), "/暗号解除待ち");
    EXPECT_EQ(state("other", "other"), "-");
    EXPECT_EQ(CValueTexts::CombinedRaidStateText(Info("<raid/>"), "raid/status"), "-");
}

TEST_F(ValueTexts, DiskStateText) {
    ExpectTexts(
        &CValueTexts::DiskStateText,
        Info("<d1 status='connected'/><d2 status='Spare'/><d3 status='cap_shortage'/>"
             "<d4 status='disk_fail'/><d5 status='waiting'/><d6 status='not_connected'/><d7 status='odd'/>"),
        {{"d1", "接続済"},
         {"d2", "スペアディスク"},
         {"d3", "容量不足"},
         {"d4", "故障"},
         {"d5", "待機中"},
         {"d6", "未接続"},
         {"d7", ""},
         {"missing", "未接続"}});
}

TEST_F(ValueTexts, OperationModeText) {
    ExpectTexts(&CValueTexts::OperationModeText,
                Info("<v1 mode='mirror'/><v2 mode='mirroring'/><v3 mode='NetUSB'/><v4 mode='vfsext'/>"
                     "<v5 mode='quickcopy'/><v6 mode='share'/><v7 mode='odd'/>"),
                {{"v1", "ミラーリング"},
                 {"v2", "ミラーリング"},
                 {"v3", "net.USB"},
                 {"v4", "拡張ボリューム"},
                 {"v5", "クイックコピー"},
                 {"v6", "共有モード"},
                 {"v7", ""},
                 {"missing", ""}});
}

TEST_F(ValueTexts, AddressMethodTextNamesThePortsByFamily) {
    const CInfoValues& info =
        Info("<lan type='LAN'/><ext type='EXT'/><custom type='CUSTOM'/><lower type='lan'/><none/>");
    ExpectTexts([](const CInfoValues& values,
                   std::string_view xpath) { return CValueTexts::AddressMethodText(values, xpath, true); },
                info,
                {{"lan", "LAN から自動で取得する"},
                 {"ext", "EXT から自動で取得する"},
                 {"custom", "手動で設定する"},
                 {"lower", ""},
                 {"none", "-"}});
    ExpectTexts([](const CInfoValues& values,
                   std::string_view xpath) { return CValueTexts::AddressMethodText(values, xpath, false); },
                info,
                {{"lan", "LAN1 から自動で取得する"},
                 {"ext", "LAN2 から自動で取得する"},
                 {"custom", "手動で設定する"}});
}

TEST_F(ValueTexts, DhcpAndLampBrightnessTexts) {
    const CInfoValues& info = Info(
        "<on dhcp='true'/><off dhcp='no'/><bare/><l1>high</l1><l2>Middle</l2><l3>low</l3><l4>dim</l4><l5/>");
    ExpectTexts(&CValueTexts::DhcpText, info, {{"on", "有効"}, {"off", "無効"}, {"bare", "-"}});
    ExpectTexts(&CValueTexts::LampBrightnessText, info,
                {{"l1", "明"}, {"l2", "中"}, {"l3", "暗"}, {"l4", "暗"}, {"l5", "-"}});
}

TEST_F(ValueTexts, PortListText) {
    ExpectTexts(&CValueTexts::PortListText,
                Info("<volume><usb port='1' mode='netusb'/><usb port='2' mode='share'/>"
                     "<usb port='3' mode='netusb'/></volume>"),
                {{"volume/usb[@mode='netusb']", "有効 (USB1、USB3)"},
                 {"volume/usb[@mode='share']", "有効 (USB2)"},
                 {"volume/usb[@mode='quickcopy']", "無効"}});
}

} // namespace
