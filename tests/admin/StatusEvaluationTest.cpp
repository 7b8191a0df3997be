#include "admin/StatusEvaluation.h"

#include "SampleDevices.h"
#include "admin/AdminInfoMgr.h"
#include "admin/AlertBitsText.h"
#include "admin/StateChanges.h"
#include "admin/UpdateTime.h"
#include "support/StringTable.h"

#include <gtest/gtest.h>

using namespace Korvane;
using AdminTesting::SampleDevice;
using AdminTesting::SetInfoText;
using Zelt::CStringTable;

namespace {

constexpr const char* kCapacity = "statusinfo/status/error[@type='capacity']/param";
constexpr const char* kDiskError = "statusinfo/status/error[@type='diskerror']/param";
constexpr const char* kNotice = "statusinfo/status/notify[@type='notify']/param";

CManagedDevice Healthy(const std::string& mac = "02:4B:53:00:01:01") {
    return SampleDevice("qrx-x", mac, "ks", "198.18.0.30");
}

void SetCondition(CManagedDevice& device, const char* pszCondition) {
    Zelt::CXMLNode status = device.GetRootNode().SingleSelectNode("statusinfo/status");
    status.SetAttributeValue("condition", pszCondition);
}

} // namespace

TEST(StatusEvaluation, BitsFollowTheInformationWithoutRegardToCase) {
    CManagedDevice device = Healthy();
    EXPECT_EQ(CStatusEvaluation::StatusBitsOf(device), 0);
    SetInfoText(device, kCapacity, "ng");
    SetInfoText(device, kNotice, "On");
    SetInfoText(device, "systeminfo/power", "off");
    EXPECT_EQ(CStatusEvaluation::StatusBitsOf(device),
              STATUS_BIT_CAPACITY | STATUS_BIT_NOTICE | STATUS_BIT_UNREACHABLE);
}

TEST(StatusEvaluation, OnlyANewAlertBitIsAChange) {
    CManagedDevice device = Healthy();
    EXPECT_FALSE(CStatusEvaluation::EvaluateStatusBits(device));
    SetInfoText(device, "systeminfo/power", "OFF");
    EXPECT_FALSE(CStatusEvaluation::EvaluateStatusBits(device)) << "becoming unreachable alone";
    EXPECT_EQ(device.GetStatusBits(), STATUS_BIT_UNREACHABLE);
    SetInfoText(device, kNotice, "ON");
    EXPECT_TRUE(CStatusEvaluation::EvaluateStatusBits(device));
    EXPECT_FALSE(CStatusEvaluation::EvaluateStatusBits(device)) << "the same bits again";
    SetInfoText(device, kNotice, "OFF");
    EXPECT_FALSE(CStatusEvaluation::EvaluateStatusBits(device)) << "a bit going away";
}

TEST(StatusEvaluation, TheStatusTextPutsTheRaidLineBeforeCapacity) {
    CManagedDevice device = Healthy();
    EXPECT_EQ(CStatusEvaluation::StatusText(device), CStringTable::Text(Zelt::Text::StatusLineNormal));
    device.SetStatusBits(STATUS_BIT_CAPACITY | STATUS_BIT_DISK_ERROR | STATUS_BIT_UNREACHABLE);
    EXPECT_EQ(CStatusEvaluation::StatusText(device),
              std::string(CStringTable::Text(Zelt::Text::StatusLineUnreachable)) +
                  std::string(CStringTable::Text(Zelt::Text::StatusLineRaidDegraded)) +
                  std::string(CStringTable::Text(Zelt::Text::StatusLineCapacity)));
    device.SetStatusBits(STATUS_BIT_UNREACHABLE);
    EXPECT_EQ(
        CStatusEvaluation::StatusText(device).rfind(CStringTable::Text(Zelt::Text::StatusLineUnreachable), 0),
        0u);
}

TEST(StatusEvaluation, ConditionStatesAndADocumentWithoutStatus) {
    CManagedDevice device = Healthy();
    EXPECT_EQ(CStatusEvaluation::ConditionState(device), CONDITION_NORMAL);
    SetCondition(device, "notify");
    EXPECT_EQ(CStatusEvaluation::ConditionState(device), CONDITION_CAUTION);
    SetCondition(device, "Error");
    EXPECT_EQ(CStatusEvaluation::ConditionState(device), CONDITION_ERROR);
    device.GetRootNode().RemoveChild(device.GetRootNode().SingleSelectNode("statusinfo"));
    EXPECT_EQ(CStatusEvaluation::ConditionState(device), CONDITION_NORMAL);
    device.SetStatusBits(STATUS_BIT_NOTICE);
    CStatusEvaluation::EvaluateStatusBits(device);
    EXPECT_EQ(device.GetStatusBits(), 0);
    EXPECT_EQ(CStatusEvaluation::ConditionState(CManagedDevice()), CONDITION_NORMAL);
}

TEST(StatusEvaluation, TheCheckOverAllDevicesAsksForTheRightBalloon) {
    CKorvaneAdminInfoMgr manager;
    manager.AddOrUpdate(Healthy("02:4B:53:00:01:01"));
    manager.AddOrUpdate(Healthy("02:4B:53:00:01:02"));
    EXPECT_FALSE(CStatusEvaluation::CheckAllDevices(manager).bChanged);

    SetInfoText(*manager.FindDevice("02:4B:53:00:01:01"), kNotice, "ON");
    StatusCheckResult result = CStatusEvaluation::CheckAllDevices(manager);
    EXPECT_TRUE(result.bChanged);
    EXPECT_EQ(result.nBalloon, 1);

    CManagedDevice& second = *manager.FindDevice("02:4B:53:00:01:02");
    SetCondition(second, "ERROR");
    SetInfoText(second, kDiskError, "NG");
    result = CStatusEvaluation::CheckAllDevices(manager);
    EXPECT_TRUE(result.bChanged);
    EXPECT_EQ(result.nBalloon, 2);
    EXPECT_EQ(second.GetStatusBits(), STATUS_BIT_DISK_ERROR) << "every device is evaluated";
    EXPECT_FALSE(CStatusEvaluation::CheckAllDevices(manager).bChanged);
}

TEST(StatusEvaluation, TimeAndResultTexts) {
    CManagedDevice device = Healthy();
    Zelt::CXMLNode root = device.GetRootNode();
    root.SetAttributeValue("update", "2026/12/08 10:00:00");
    EXPECT_EQ(CStatusEvaluation::InformationTimeText(device), "2026/12/08 10:00:00");
    root.SetAttributeValue("update", "");
    EXPECT_EQ(CStatusEvaluation::InformationTimeText(device), "-");
    EXPECT_EQ(CStatusEvaluation::ResultCodeText(RESULT_SUCCESS),
              CStringTable::Text(Zelt::Text::LastUpdateSucceeded));
    EXPECT_EQ(CStatusEvaluation::ResultCodeText(RESULT_TIMEOUT),
              CStringTable::Text(Zelt::Text::LastUpdateTimedOut));
    EXPECT_EQ(CStatusEvaluation::ResultCodeText(RESULT_DEVICE_BUSY),
              CStringTable::Text(Zelt::Text::LastUpdateDeviceBusy));
    EXPECT_EQ(CStatusEvaluation::ResultCodeText(9), "");
    device.SetResultCode(RESULT_TIMEOUT);
    EXPECT_TRUE(CStatusEvaluation::LastUpdateFailed(device));
    device.SetStatusBits(STATUS_BIT_UNREACHABLE);
    EXPECT_TRUE(CStatusEvaluation::IsConnectionError(device));
}

// What the monitor reports per device between two updates.
TEST(StateChanges, AnsweringAndNewAlertsAreReportedOnceForTheirDevice) {
    CKorvaneAdminInfoMgr manager;
    ASSERT_TRUE(manager.AddOrUpdate(SampleDevice("qrx-x", "02:4B:53:00:00:01", "a", "198.18.0.10")));
    ASSERT_TRUE(manager.AddOrUpdate(SampleDevice("qrx-x", "02:4B:53:00:00:02", "b", "198.18.0.11")));
    CStateChanges changes;
    changes.Remember(manager);
    EXPECT_TRUE(changes.Since(manager).empty());

    manager.MarkUnreachable("02:4B:53:00:00:01");
    manager.FindDevice("02:4B:53:00:00:02")->SetStatusBits(STATUS_BIT_CAPACITY | STATUS_BIT_UPS);
    std::vector<CStateChanges::Change> changed = changes.Since(manager);
    ASSERT_EQ(changed.size(), 2u);
    EXPECT_EQ(changed[0].name, "a");
    EXPECT_TRUE(changed[0].bStoppedAnswering);
    EXPECT_EQ(changed[0].nNewAlertBits, 0) << "not answering is no alert of its own";
    EXPECT_EQ(changed[1].mac, "02:4B:53:00:00:02");
    EXPECT_EQ(changed[1].nNewAlertBits, STATUS_BIT_CAPACITY | STATUS_BIT_UPS);
    EXPECT_TRUE(changes.Since(manager).empty()) << "told once";

    manager.MarkReachable("02:4B:53:00:00:01");
    manager.FindDevice("02:4B:53:00:00:02")->SetStatusBits(STATUS_BIT_CAPACITY | STATUS_BIT_DISK_ERROR);
    changed = changes.Since(manager);
    ASSERT_EQ(changed.size(), 2u);
    EXPECT_TRUE(changed[0].bStartedAnswering);
    EXPECT_EQ(changed[1].nNewAlertBits, STATUS_BIT_DISK_ERROR);
    EXPECT_EQ(CStatusEvaluation::AlertText(STATUS_BIT_DISK_ERROR),
              CStringTable::Text(Zelt::Text::StatusLineRaidDegraded));
}

TEST(UpdateTime, OnlyARealMomentInUtcReadsBack) {
    EXPECT_EQ(CUpdateTime::ToText(1796752800), "2026-12-08T18:00:00Z");
    EXPECT_EQ(CUpdateTime::FromText("2026-12-08T18:00:00Z"), 1796752800);
    for (const char* pszText : {"", "2026-12-08 18:00:00", "2026-12-08T18:00:00", "2026-02-30T18:00:00Z",
                                "2026-12-08T25:00:00Z", "2026-12-08T18:00:00Z ", "1970-01-01T00:00:00Z"}) {
        EXPECT_EQ(CUpdateTime::FromText(pszText), std::nullopt) << pszText;
    }
}

// The bits korvanectl keeps between runs: a line a device could have forged through its MAC (or
// any damaged line) is ignored, never read as another device's bits.
TEST(AlertBits, OnlyWholeValidLinesAreReadAndNoneNamesAnotherDevice) {
    CKorvaneAdminInfoMgr manager;
    ASSERT_TRUE(manager.AddOrUpdate(SampleDevice("qrx-x", "02:4b:53:00:00:01", "a", "198.18.0.10")));
    ASSERT_TRUE(manager.AddOrUpdate(SampleDevice("qrx-x", "02:4B:53:00:00:02", "b", "198.18.0.11")));
    manager.FindDevice("02:4B:53:00:00:01")->SetStatusBits(STATUS_BIT_DISK_ERROR);
    const std::string text = CAlertBitsText::Format(manager);
    EXPECT_EQ(text, "02:4B:53:00:00:01 8\n02:4B:53:00:00:02 0\n");
    EXPECT_EQ(CAlertBitsText::Parse(text),
              (CAlertBitsText::BitsByMac{{"02:4B:53:00:00:01", 8}, {"02:4B:53:00:00:02", 0}}));

    const std::string damaged = "X 0\n02:4b:53:00:00:02 63\n02:4B:53:00:00:02 64\n02:4B:53:00:00:02 -1\n"
                                "02:4B:53:00:00:02  4\n02:4B:53:00:00:02 4 \n02:4B:53:00:00:02\t4\n"
                                "02:4B:53:00:00:02 0x4\n 02:4B:53:00:00:02 4\n02:4B:53:00:00:01 32";
    EXPECT_EQ(CAlertBitsText::Parse(damaged), (CAlertBitsText::BitsByMac{{"02:4B:53:00:00:01", 32}}));
}
