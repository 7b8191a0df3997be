#include "admin/AdminInfoMgr.h"

#include "SampleDevices.h"
#include "protocol/InfoBounds.h"

#include <gtest/gtest.h>

using namespace Korvane;
using AdminTesting::SampleDevice;
using AdminTesting::SetInfoText;

namespace {

constexpr const char* kIPv4Path = "network/tcpip[not(@family='inet6')]/lan/ipsetting/ip";

std::string InfoText(const CKorvaneInfo& device, const std::string& path) {
    return device.GetRootNode().SingleSelectNode(path).GetText();
}

} // namespace

TEST(ManagedDevices, TheSameDeviceFoundThreeWaysIsOneRecord) {
    CKorvaneAdminInfoMgr manager;
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(manager.AddOrUpdate(SampleDevice("qrx-x", "02:4B:53:00:00:01", "ks-001", "198.18.0.10")));
    }
    EXPECT_EQ(manager.Macs(), std::vector<std::string>{"02:4B:53:00:00:01"});
}

// A device with a password seen elsewhere stays where its password is approved until the user
// approves the new place; then it moves there with its password and groups.
TEST(ManagedDevices, AnAddressChangeWaitsForApprovalAndKeepsPasswordAndGroups) {
    CKorvaneAdminInfoMgr manager;
    ASSERT_TRUE(manager.AddOrUpdate(SampleDevice("qrx-h", "02:4B:53:00:00:02", "ks-002", "198.18.0.11")));
    manager.SetPassword("02:4B:53:00:00:02", "secret", true);
    manager.SetGroup("棚 A", {"02:4B:53:00:00:02"});
    ASSERT_TRUE(manager.AddOrUpdate(SampleDevice("qrx-h", "02:4B:53:00:00:02", "ks-002", "198.18.0.99")));
    const CManagedDevice waiting = manager.GetDevice("02:4B:53:00:00:02");
    EXPECT_EQ(waiting.GetIPv4Address(), "198.18.0.11");
    EXPECT_EQ(InfoText(waiting, kIPv4Path), "198.18.0.11");
    EXPECT_EQ(waiting.GetUnapprovedAddresses().ipv4, "198.18.0.99");
    EXPECT_FALSE(waiting.IsApprovedAddress("198.18.0.99"));

    ASSERT_TRUE(manager.ApproveNewAddresses("02:4B:53:00:00:02"));
    const CManagedDevice device = manager.GetDevice("02:4B:53:00:00:02");
    EXPECT_EQ(InfoText(device, kIPv4Path), "198.18.0.99");
    EXPECT_EQ(device.GetIPv4Address(), "198.18.0.99");
    EXPECT_TRUE(device.IsApprovedAddress("198.18.0.99"));
    EXPECT_FALSE(device.IsApprovedAddress("198.18.0.11"));
    EXPECT_FALSE(device.HasUnapprovedAddresses());
    EXPECT_EQ(device.GetPassword(), "secret");
    EXPECT_TRUE(device.GetSavePassword());
    EXPECT_TRUE(device.GetPasswordAccepted());
    EXPECT_TRUE(manager.IsMember("棚 A", "02:4B:53:00:00:02"));
    EXPECT_FALSE(manager.ApproveNewAddresses("02:4B:53:00:00:02")) << "nothing waits any more";
}

// Without a password there is nothing to withhold: the device simply moves.
TEST(ManagedDevices, ADeviceWithoutPasswordMovesAtOnce) {
    CKorvaneAdminInfoMgr manager;
    ASSERT_TRUE(manager.AddOrUpdate(SampleDevice("qrx-h", "02:4B:53:00:00:02", "ks-002", "198.18.0.11")));
    ASSERT_TRUE(manager.AddOrUpdate(SampleDevice("qrx-h", "02:4B:53:00:00:02", "ks-002", "198.18.0.99")));
    EXPECT_EQ(manager.GetDevice("02:4B:53:00:00:02").GetIPv4Address(), "198.18.0.99");
    EXPECT_FALSE(manager.GetDevice("02:4B:53:00:00:02").HasUnapprovedAddresses());
}

TEST(ManagedDevices, EverySpellingOfAMacIsOneKeyForTableGroupsAndViews) {
    CKorvaneAdminInfoMgr manager;
    ASSERT_TRUE(manager.AddOrUpdate(SampleDevice("qrx-x", "02:4b:53:00:00:0a", "ks-lower", "198.18.0.12")));
    ASSERT_TRUE(manager.AddOrUpdate(SampleDevice("qrx-x", "02-4B-53-00-00-0A", "ks-dashes", "198.18.0.12")));
    EXPECT_EQ(manager.Macs(), std::vector<std::string>{"02:4B:53:00:00:0A"});
    manager.SetGroup("g", {"024b5300000a", "02:4B:53:00:00:0A 0\n02:4B:53:00:00:01"});
    EXPECT_EQ(manager.Groups().at("g"), std::set<std::string>{"02:4B:53:00:00:0A"})
        << "a member that is no MAC";
    EXPECT_TRUE(manager.IsMember("g", "02:4B:53:00:00:0A"));
    EXPECT_TRUE(manager.IsMember("g", "02:4b:53:00:00:0a"));
    EXPECT_EQ(manager.GroupsOf("02:4b:53:00:00:0a"), std::vector<std::string>{"g"});
    const uint32_t nKey = manager.DeviceKey("02:4b:53:00:00:0a");
    EXPECT_EQ(manager.MacOfKey(nKey), "02:4B:53:00:00:0A");
    EXPECT_NE(manager.FindDevice(*manager.MacOfKey(nKey)), nullptr);
    EXPECT_EQ(manager.GetDevice("02:4b:53:00:00:0a").ReportedMac(), "02-4B-53-00-00-0A") << "as reported";
}

TEST(ManagedDevices, ASessionWithoutInformationOrMacIsNotAdded) {
    CKorvaneAdminInfoMgr manager;
    EXPECT_FALSE(manager.AddOrUpdate(CManagedDevice()));
    for (const char* pszNoMac : {"", "02:4B:53:00:00:0D 0\n02:4B:53:00:00:01", "02:4B:53:00:00"}) {
        EXPECT_FALSE(manager.AddOrUpdate(SampleDevice("qrx-x", pszNoMac, "ks", "198.18.0.13"))) << pszNoMac;
        EXPECT_FALSE(manager.UpdateFromFullFetch(SampleDevice("qrx-x", pszNoMac, "ks", "198.18.0.13")));
    }
    EXPECT_TRUE(manager.Devices().empty());
}

TEST(ManagedDevices, PortForwardingKeepsTheUsersAddressesUntilASearchFindsTheDevice) {
    CKorvaneAdminInfoMgr manager;
    ASSERT_TRUE(manager.AddOrUpdate(SampleDevice("qrx-x", "02:4B:53:00:00:03", "ks-003", "198.18.0.14")));
    // Added again through a router: the address the user typed replaces the one the device reports.
    CManagedDevice candidate(CKorvaneInfo("203.0.113.5", ""));
    candidate.CopyInfoFrom(SampleDevice("qrx-x", "02:4B:53:00:00:03", "ks-003", "198.18.0.14"));
    candidate.SetPortForwarding(true);
    ASSERT_TRUE(manager.AddOrUpdate(candidate));
    const CManagedDevice* pStored = manager.FindDevice("02:4B:53:00:00:03");
    EXPECT_TRUE(pStored->GetPortForwarding());
    EXPECT_EQ(InfoText(*pStored, kIPv4Path), "203.0.113.5");
    EXPECT_EQ(pStored->GetIPv4Address(), "203.0.113.5") << "later connections go through the router";

    // A full update keeps the user's address in the stored information.
    CManagedDevice fetched(*pStored);
    fetched.TakeFreshInfo(SampleDevice("qrx-x", "02:4B:53:00:00:03", "ks-003", "198.18.0.14").GetRootNode());
    ASSERT_EQ(fetched.GetIPv4Address(), "198.18.0.14") << "the fetch reports the LAN address";
    ASSERT_TRUE(manager.UpdateFromFullFetch(fetched));
    EXPECT_EQ(InfoText(*manager.FindDevice("02:4B:53:00:00:03"), kIPv4Path), "203.0.113.5");
    EXPECT_EQ(manager.FindDevice("02:4B:53:00:00:03")->GetIPv4Address(), "203.0.113.5");

    // So does a status update, whose network parts carry the LAN address: the stored information
    // is what the next start connects to.
    ASSERT_TRUE(manager.UpdateFromStatusFetch(
        "02:4B:53:00:00:03", SampleDevice("qrx-x", "02:4B:53:00:00:03", "ks-003", "198.18.0.14")));
    EXPECT_EQ(InfoText(*manager.FindDevice("02:4B:53:00:00:03"), kIPv4Path), "203.0.113.5");
    EXPECT_EQ(manager.FindDevice("02:4B:53:00:00:03")->GetIPv4Address(), "203.0.113.5");

    // A search result finds it on the LAN: the flag goes.
    ASSERT_TRUE(manager.AddOrUpdate(SampleDevice("qrx-x", "02:4B:53:00:00:03", "ks-003", "198.18.0.14")));
    EXPECT_FALSE(manager.FindDevice("02:4B:53:00:00:03")->GetPortForwarding());
    EXPECT_EQ(InfoText(*manager.FindDevice("02:4B:53:00:00:03"), kIPv4Path), "198.18.0.14");
}

TEST(ManagedDevices, APasswordSetDuringAFullUpdateOutlivesTheUpdatesResult) {
    CKorvaneAdminInfoMgr manager;
    ASSERT_TRUE(manager.AddOrUpdate(SampleDevice("qrx-x", "02:4B:53:00:00:07", "ks-007", "198.18.0.18")));
    manager.SetPassword("02:4B:53:00:00:07", "old", false);
    const CManagedDevice fetched = manager.GetDevice("02:4B:53:00:00:07"); // the worker's copy
    manager.SetPassword("02:4B:53:00:00:07", "new", true);                 // typed meanwhile
    ASSERT_TRUE(manager.UpdateFromFullFetch(fetched));
    EXPECT_EQ(manager.FindDevice("02:4B:53:00:00:07")->GetPassword(), "new");
    EXPECT_TRUE(manager.FindDevice("02:4B:53:00:00:07")->GetSavePassword());
}

TEST(ManagedDevices, AStatusFetchReplacesOnlyItsParts) {
    CKorvaneAdminInfoMgr manager;
    CManagedDevice device = SampleDevice("qrx-x", "02:4B:53:00:00:04", "ks-004", "198.18.0.15");
    SetInfoText(device, "systeminfo/power", "OFF");
    ASSERT_TRUE(manager.AddOrUpdate(device));
    CKorvaneInfo status;
    Zelt::CXMLDocument partial;
    partial.LoadFromBytes("<korvaneinfo><statusinfo><status condition=\"ERROR\"/></statusinfo>"
                          "<network><host><name>renamed</name></host></network><raid><level>X</level></raid>"
                          "</korvaneinfo>");
    status.SetInfoNode(partial.GetRootNode());
    ASSERT_TRUE(manager.UpdateFromStatusFetch("02:4b:53:00:00:04", status));
    const CManagedDevice* pStored = manager.FindDevice("02:4B:53:00:00:04");
    EXPECT_EQ(pStored->GetRootNode().SingleSelectNode("statusinfo/status").GetAttributeValue("condition"),
              "ERROR");
    EXPECT_EQ(InfoText(*pStored, "network/host/name"), "renamed");
    EXPECT_EQ(InfoText(*pStored, "systeminfo/power"), "ON");
    EXPECT_NE(InfoText(*pStored, "raid/level"), "X") << "only the status parts are replaced";
    EXPECT_EQ(InfoText(*pStored, kIPv4Path), "198.18.0.15") << "parts the fetch lacks stay";
    EXPECT_FALSE(manager.UpdateFromStatusFetch("02:4B:53:99:99:99", status));

    const std::string before = pStored->SaveToBytes();
    partial.GetRootNode()
        .SingleSelectNode("statusinfo")
        .AppendChild(partial.CreateElement("padding"))
        .SetText(std::string(CInfoBounds::MAX_BYTES, 'x'));
    status.SetInfoNode(partial.GetRootNode());
    EXPECT_FALSE(manager.UpdateFromStatusFetch("02:4B:53:00:00:04", status))
        << "beyond what a device may store";
    EXPECT_EQ(pStored->SaveToBytes(), before);
}

TEST(ManagedDevices, AStatusFetchBringsStatusToADeviceAddedFromItsBasicInformation) {
    CKorvaneAdminInfoMgr manager;
    CManagedDevice basic = SampleDevice("qrx-x", "02:4B:53:00:00:05", "ks-005", "198.18.0.16");
    basic.GetRootNode().RemoveChild(basic.GetRootNode().SingleSelectNode("statusinfo"));
    ASSERT_TRUE(manager.AddOrUpdate(basic));
    CKorvaneInfo status;
    Zelt::CXMLDocument partial;
    partial.LoadFromBytes(
        "<korvaneinfo><statusinfo><status condition=\"NOTIFY\"/></statusinfo></korvaneinfo>");
    status.SetInfoNode(partial.GetRootNode());
    ASSERT_TRUE(manager.UpdateFromStatusFetch("02:4B:53:00:00:05", status));
    EXPECT_EQ(manager.FindDevice("02:4B:53:00:00:05")
                  ->GetRootNode()
                  .SingleSelectNode("statusinfo/status")
                  .GetAttributeValue("condition"),
              "NOTIFY");
}

TEST(ManagedDevices, DeletingADeviceLeavesItsGroupsAndDeletingAGroupLeavesItsDevices) {
    CKorvaneAdminInfoMgr manager;
    manager.AddOrUpdate(SampleDevice("qrx-x", "02:4B:53:00:00:06", "ks-006", "198.18.0.17"));
    manager.AddOrUpdate(SampleDevice("qrx-h", "02:4B:53:00:00:07", "ks-007", "198.18.0.18"));
    manager.SetGroup("a", {"02:4B:53:00:00:06", "02:4B:53:00:00:07"});
    manager.SetGroup("b", {"02:4B:53:00:00:06"});
    EXPECT_TRUE(manager.DeleteDevice("02:4B:53:00:00:06"));
    EXPECT_FALSE(manager.IsMember("a", "02:4B:53:00:00:06"));
    EXPECT_FALSE(manager.IsMember("b", "02:4B:53:00:00:06"));
    EXPECT_TRUE(manager.GroupExists("b")) << "an emptied group stays";
    EXPECT_TRUE(manager.DeleteGroup("a"));
    EXPECT_FALSE(manager.DeleteGroup("a"));
    EXPECT_EQ(manager.Macs(), std::vector<std::string>{"02:4B:53:00:00:07"});
    EXPECT_TRUE(manager.RenameGroup("b", "c", {"02:4B:53:00:00:07"}));
    EXPECT_EQ(manager.GroupNames(), std::vector<std::string>{"c"});
    EXPECT_TRUE(manager.IsMember("c", "02:4B:53:00:00:07"));
    EXPECT_FALSE(manager.RenameGroup("missing", "d", {}));
}

TEST(ManagedDevices, GroupsAreOrderedByUtf16CodeUnits) {
    CKorvaneAdminInfoMgr manager;
    for (const char* name : {"\uFF21", "b", "\U0001F600", "A", "\u3042"}) {
        manager.SetGroup(name, {});
    }
    EXPECT_EQ(manager.GroupNames(), (std::vector<std::string>{"A", "b", "\u3042", "\U0001F600", "\uFF21"}));
}

TEST(ManagedDevices, NamesPasswordsFlagsAndMarks) {
    CKorvaneAdminInfoMgr manager;
    manager.AddOrUpdate(SampleDevice("qrx-x", "02:4B:53:00:00:08", "twin", "198.18.0.19"));
    manager.AddOrUpdate(SampleDevice("qrx-h", "02:4B:53:00:00:09", "twin", "198.18.0.20"));
    EXPECT_EQ(manager.Names(), (std::vector<std::string>{"twin", "twin"}));
    EXPECT_EQ(manager.FindMacsByName("twin"),
              (std::vector<std::string>{"02:4B:53:00:00:08", "02:4B:53:00:00:09"}));
    EXPECT_TRUE(manager.FindMacsByName("Twin").empty()) << "names match case-sensitively";

    EXPECT_TRUE(manager.SetPassword("02:4B:53:00:00:08", "pw", false));
    EXPECT_TRUE(manager.SetPasswordAccepted("02:4B:53:00:00:08", false));
    EXPECT_FALSE(manager.FindDevice("02:4B:53:00:00:08")->GetPasswordAccepted());
    EXPECT_TRUE(manager.SetResultCode("02:4B:53:00:00:08", RESULT_DEVICE_BUSY));
    EXPECT_EQ(manager.FindDevice("02:4B:53:00:00:08")->GetResultCode(), RESULT_DEVICE_BUSY);
    for (bool bDone :
         {manager.SetPassword("00:00:00:00:00:00", "x", true),
          manager.SetPasswordAccepted("00:00:00:00:00:00", true),
          manager.SetPortForwarding("00:00:00:00:00:00", true), manager.SetResultCode("00:00:00:00:00:00", 1),
          manager.MarkReachable("00:00:00:00:00:00")}) {
        EXPECT_FALSE(bDone);
    }
    EXPECT_TRUE(manager.MarkUnreachable("02:4B:53:00:00:09"));
    EXPECT_EQ(InfoText(*manager.FindDevice("02:4B:53:00:00:09"), "systeminfo/power"), "OFF");
    EXPECT_EQ(manager.FindDevice("02:4B:53:00:00:09")->GetStatusBits() & STATUS_BIT_UNREACHABLE, 1);
    EXPECT_TRUE(manager.MarkReachable("02:4B:53:00:00:09"));
    EXPECT_EQ(InfoText(*manager.FindDevice("02:4B:53:00:00:09"), "systeminfo/power"), "ON");
    EXPECT_EQ(manager.FindDevice("02:4B:53:00:00:09")->GetStatusBits() & STATUS_BIT_UNREACHABLE, 0);
    EXPECT_EQ(manager.GetDevice("00:00:00:00:00:00").GetPassword(), NO_PASSWORD)
        << "unknown: an empty record";
}

TEST(DeviceKeys, MakersMacsPackAndOtherMacsGetKeysThatLeadBack) {
    CDeviceKeyTable table;
    EXPECT_EQ(CDeviceKeyTable::Pack("02:4B:53:12:34:56"), 0x00123456u);
    EXPECT_EQ(CDeviceKeyTable::Pack("0A:4B:56:FF:00:01"), 0x01FF0001u);
    EXPECT_EQ(CDeviceKeyTable::Unpack(0x01FF0001u), "0A:4B:56:FF:00:01");
    EXPECT_FALSE(CDeviceKeyTable::Pack("00:11:22:33:44:55").has_value());
    const uint32_t nFirst = table.KeyOf("00:11:22:33:44:55");
    const uint32_t nSecond = table.KeyOf("66:11:22:33:44:55");
    EXPECT_EQ(nFirst >> 24, CDeviceKeyTable::FOREIGN_INDEX);
    EXPECT_NE(nFirst, nSecond) << "same low bytes, different devices";
    EXPECT_EQ(table.KeyOf("00:11:22:33:44:55"), nFirst);
    EXPECT_EQ(table.MacOf(nFirst), "00:11:22:33:44:55");
    EXPECT_EQ(table.MacOf(nSecond), "66:11:22:33:44:55");
    EXPECT_EQ(table.MacOf(table.KeyOf("02:4B:53:00:00:01")), "02:4B:53:00:00:01");
    EXPECT_FALSE(table.MacOf(0xFF00FFFFu).has_value());
}

TEST(DeviceKeys, AMakersMacInAnotherFormNeverTakesTheKeyOfTheCanonicalOne) {
    // Found by fuzzing: the separators and digits were not checked, so a device reporting
    // "0A:4B:56-3E:88:05" got the key of 0A:4B:56:3E:88:05 and the views confused the two.
    CDeviceKeyTable table;
    const uint32_t nCanonical = table.KeyOf("0A:4B:56:3E:88:05");
    for (const char* pszOdd : {"0A:4B:56-3E:88:05", "0A:4B:56:3E: 88:5", "0A:4B:56:+3:88:05",
                               "0A:4B:56:3E:88:0x", "0A:4B:56:3e:88:05"}) {
        SCOPED_TRACE(pszOdd);
        EXPECT_FALSE(CDeviceKeyTable::Pack(pszOdd).has_value());
        const uint32_t nKey = table.KeyOf(pszOdd);
        EXPECT_NE(nKey, nCanonical);
        EXPECT_EQ(table.MacOf(nKey), pszOdd);
    }
    EXPECT_EQ(table.MacOf(nCanonical), "0A:4B:56:3E:88:05");
}
