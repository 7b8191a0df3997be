// The rules of the desktop program's start and main window that hold without a window.
#include "SampleDevices.h"
#include "admin/StartupRules.h"
#include "admin/StatusPane.h"
#include "admin/WindowGeometry.h"
#include "support/StringTable.h"

#include <gtest/gtest.h>

using namespace Korvane;
using Zelt::CStringTable;

TEST(StartupRules, OnlyTheExactTasktrayFlagStartsInTheTray) {
    EXPECT_TRUE(CStartupRules::IsTrayStartFlag("/tasktray"));
    EXPECT_TRUE(CStartupRules::IsTrayStartFlag("-tasktray"));
    for (const char* pszOther : {"tasktray", "/TaskTray", "-TASKTRAY", "--tasktray", "/tasktray2", "/", ""}) {
        EXPECT_FALSE(CStartupRules::IsTrayStartFlag(pszOther)) << pszOther;
    }
    EXPECT_TRUE(CStartupRules::TrayStartRequested({"file.txt", "-tasktray"}));
    EXPECT_FALSE(CStartupRules::TrayStartRequested({"tasktray", "/x"}));
}

TEST(StartupRules, ABrowserBelowSixRefusesAndAnUnreadableVersionPasses) {
    EXPECT_FALSE(CStartupRules::BrowserVersionSuffices("5.5.1"));
    EXPECT_TRUE(CStartupRules::BrowserVersionSuffices("6.0.2900"));
    EXPECT_TRUE(CStartupRules::BrowserVersionSuffices("11.0.9600"));
    EXPECT_TRUE(CStartupRules::BrowserVersionSuffices(std::nullopt));
    EXPECT_FALSE(CStartupRules::BrowserVersionSuffices("beta")) << "no number reads as 0";
    EXPECT_DOUBLE_EQ(CStartupRules::ScaleFactor(144), 1.5);
}

TEST(WindowGeometry, WithoutStoredNumbersTheWindowsOwnRectangleGivesThePanes) {
    const WindowGeometry stored = WindowGeometry::FromNumbers({-1, -1, -1, -1, -1, -1});
    EXPECT_TRUE(stored.IsUnknown());
    const WindowGeometry defaults = WindowGeometry::Defaults(10, 20, 768, 1024);
    EXPECT_EQ(defaults.ToNumbers(), (WindowNumbers{10, 20, 768, 1024, 153 * 4 - 100, 204}))
        << "the height is divided before it is multiplied";
}

TEST(WindowGeometry, AMinimisedWindowStoresMinusOneSixTimes) {
    EXPECT_EQ(WindowGeometry::AtExit(true, 10, 20, 600, 800, 380, 160).ToNumbers(),
              (WindowNumbers{-1, -1, -1, -1, -1, -1}));
    EXPECT_EQ(WindowGeometry::AtExit(false, -32000, -32000, 600, 800, 380, 160).ToNumbers(),
              (WindowNumbers{-1, -1, -1, -1, -1, -1}));
    EXPECT_EQ(WindowGeometry::AtExit(false, 10, 20, 600, 800, 380, 160).ToNumbers(),
              (WindowNumbers{10, 20, 600, 800, 380, 160}));
}

TEST(StatusPane, NameTimePasswordResultAndEveryAlertLine) {
    CManagedDevice device = AdminTesting::SampleDevice("qrx-x", "02:4B:53:00:00:01", "ks-001", "198.18.0.10");
    AdminTesting::SetInfoText(device, "statusinfo/status/@update", "2026/12/08 09:30:00");
    device.SetStatusBits(STATUS_BIT_CAPACITY | STATUS_BIT_NOTICE);
    device.SetResultCode(RESULT_TIMEOUT);
    EXPECT_EQ(CStatusPane::Lines(device),
              (std::vector<std::string>{"ks-001の状態 ( リストの情報取得日時 ： 2026/12/08 09:30:00 ) ：",
                                        std::string(CStringTable::Text(Zelt::Text::PasswordStateNotSet)),
                                        "情報取得結果 ： KORVANE との通信がタイムアウトしました。",
                                        "・容量の警告がでています。",
                                        "・お知らせがあります。Web 設定ページより確認してください。"}));

    device.SetPassword("pw");
    device.SetPasswordAccepted(false);
    device.SetResultCode(99);
    AdminTesting::SetInfoText(device, "statusinfo/status/@update", "");
    const std::vector<std::string> lines = CStatusPane::Lines(device);
    EXPECT_EQ(lines.at(0), "ks-001の状態 ( リストの情報取得日時 ： - ) ：");
    EXPECT_EQ(lines.at(1), CStringTable::Text(Zelt::Text::PasswordStateRejected));
    EXPECT_EQ(lines.at(2), "・容量の警告がでています。") << "an unknown result code gives no line";
}
