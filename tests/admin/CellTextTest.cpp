#include "admin/CellText.h"

#include "InfoDocuments.h"
#include "admin/InfoColumnTable.h"

#include <map>
#include <string>

#include <gtest/gtest.h>

namespace {

using AdminTesting::RemoveInfoNodes;
using AdminTesting::SampleInfoDevice;
using Korvane::CCellText;
using Korvane::CManagedDevice;

void ExpectCells(const CManagedDevice& device, const std::map<std::string, std::string>& expected) {
    for (const auto& [key, text] : expected) {
        EXPECT_EQ(CCellText::CellText(key, device), text) << key;
    }
}

TEST(CellTextOfSample, QrxXEveryColumn) {
    ExpectCells(SampleInfoDevice("qrx-x"), {
                                               {"host", "KORVANE-SOUMU"},
                                               {"status", "正常"},
                                               {"hostdesc", "総務部 共有ストレージ (3F サーバー室)"},
                                               {"productname", "QRX-XR4"},
                                               {"firmware", "1.42"},
                                               {"power", "ON"},
                                               {"mail", "有効"},
                                               {"ecomode", "30 分後"},
                                               {"ip", "198.18.10.21"},
                                               {"ipv6", "fe80::4b:56ff:fe1a:73c"},
                                               {"workgroup", "SOUMU"},
                                               {"mac", "02:4B:56:1A:07:3C"},
                                               {"raid", "RAID6 (4 台)"},
                                               {"total", "3990GB (3990891872256Bytes)"},
                                               {"use", "1245GB (1245810032640 Bytes) 31%"},
                                               {"devtemp", "41 ℃"},
                                               {"smart", "OK"},
                                               {"ups", "正常"},
                                           });
}

// Older firmware: "temparture" and an IPv4 element without a family attribute.
TEST(CellTextOfSample, QrxHOlderFirmwareLine) {
    ExpectCells(SampleInfoDevice("qrx-h"), {
                                               {"ip", "198.18.20.31"},
                                               {"mac", "02:4B:56:2C:41:90"},
                                               {"devtemp", "38 ℃"},
                                               {"ecomode", "1 時間後"},
                                               {"mail", "無効"},
                                               {"workgroup", "KEIRI"},
                                               {"raid", "暗号化RAID5 + スペアー (4 台)"},
                                               {"use", "4123GB (4123168604160 Bytes) 68%"},
                                           });
}

TEST(CellTextOfSample, QrxXvIpv6SwitchedOff) {
    ExpectCells(SampleInfoDevice("qrx-xv"), {
                                                {"ipv6", "-"},
                                                {"workgroup", "KAIHATSU"},
                                                {"ecomode", "無効"},
                                                {"raid", "RAID1 (2 台)"},
                                                {"ups", "正常"},
                                            });
}

TEST(CellTextMissingValues, TheMisspeltTemperatureAloneIsRead) {
    const CManagedDevice device = AdminTesting::DeviceWithInfo(
        "<korvaneinfo><systeminfo><temparture>45</temparture></systeminfo></korvaneinfo>");
    EXPECT_EQ(CCellText::CellText("devtemp", device), "45 ℃");
}

TEST(CellTextMissingValues, WithoutRaidOrUps) {
    CManagedDevice device = SampleInfoDevice("qrx-x");
    RemoveInfoNodes(device, "raid");
    RemoveInfoNodes(device, "outport/usbport/port/device[@type='UPS']");
    ExpectCells(device, {{"raid", "-"}, {"total", "-"}, {"use", "-"}, {"smart", "-"}, {"ups", "未接続"}});
}

TEST(CellTextMissingValues, DeviceWithoutInformationOrUnknownKey) {
    const CManagedDevice device;
    for (const Korvane::InfoColumn& column : Korvane::InfoColumnTable::Defaults().Columns()) {
        const std::string text = CCellText::CellText(column.key, device);
        if (column.key == "ups") {
            EXPECT_EQ(text, "未接続");
        } else if (column.key == "status") {
            EXPECT_EQ(text, "正常");
        } else {
            EXPECT_EQ(text, "-") << column.key;
        }
    }
    EXPECT_EQ(CCellText::CellText("nosuchkey", SampleInfoDevice("qrx-x")), "-");
}

TEST(CellTextMissingValues, UnknownValuesShowTheNoValueText) {
    CManagedDevice device = SampleInfoDevice("qrx-x");
    device.GetRootNode().SingleSelectNode("raid/level").SetText("JBOD");
    device.GetRootNode()
        .SingleSelectNode("outport/usbport/port/device/ups")
        .SetAttributeValue("status", "odd");
    ExpectCells(device, {{"raid", "-"}, {"ups", "-"}});
}

// The status column comes from the record: the connection mark first, then the condition,
// and for a normal device the mark of a failed update.
class CellTextStatus : public testing::Test {
protected:
    static CManagedDevice Device(const char* pszCondition, int nStatusBits, int nResultCode) {
        CManagedDevice device = SampleInfoDevice("qrx-x");
        device.GetRootNode()
            .SingleSelectNode("statusinfo/status")
            .SetAttributeValue("condition", pszCondition);
        device.SetStatusBits(nStatusBits);
        device.SetResultCode(nResultCode);
        return device;
    }
};

TEST_F(CellTextStatus, EachConditionAndMark) {
    EXPECT_EQ(CCellText::CellText("status", Device("OK", 0, Korvane::RESULT_SUCCESS)), "正常");
    EXPECT_EQ(CCellText::CellText("status", Device("notify", 32, Korvane::RESULT_SUCCESS)), "注意");
    EXPECT_EQ(CCellText::CellText("status", Device("ERROR", 8, Korvane::RESULT_SUCCESS)), "エラー");
    EXPECT_EQ(CCellText::CellText("status",
                                  Device("ERROR", Korvane::STATUS_BIT_UNREACHABLE, Korvane::RESULT_TIMEOUT)),
              "接続エラー");
    EXPECT_EQ(
        CCellText::CellText("status", Device("OK", Korvane::STATUS_BIT_UNREACHABLE, Korvane::RESULT_SUCCESS)),
        "接続エラー");
}

TEST_F(CellTextStatus, FailedUpdateMarksOnlyTheNormalState) {
    EXPECT_EQ(CCellText::CellText("status", Device("OK", 0, Korvane::RESULT_DEVICE_BUSY)),
              "情報更新エラー(旧状態：正常)");
    EXPECT_EQ(CCellText::CellText("status", Device("OK", 0, Korvane::RESULT_TIMEOUT)),
              "情報更新エラー(旧状態：正常)");
    EXPECT_EQ(CCellText::CellText("status", Device("NOTIFY", 0, Korvane::RESULT_TIMEOUT)), "注意");
    EXPECT_EQ(CCellText::CellText("status", Device("ERROR", 0, Korvane::RESULT_COMMUNICATION_ERROR)),
              "エラー");
}

TEST_F(CellTextStatus, StateIconFollowsTheCondition) {
    EXPECT_EQ(CCellText::StateIconIndex(Device("OK", 0, 0)), 0);
    EXPECT_EQ(CCellText::StateIconIndex(Device("Notify", 0, 0)), 1);
    EXPECT_EQ(CCellText::StateIconIndex(Device("error", 0, 0)), 2);
    EXPECT_EQ(CCellText::StateIconIndex(CManagedDevice()), 0);
}

} // namespace
