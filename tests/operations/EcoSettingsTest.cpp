// The eco mode dialog's model: what it shows from the first target's stored information, which
// volume buttons it lets the user change, and the settings document it sends.
#include "operations/EcoSettings.h"

#include "SampleDevices.h"
#include "admin/ManagedDevice.h"

#include <gtest/gtest.h>

using namespace Korvane;
using AdminTesting::SampleDevice;
using AdminTesting::SetInfoText;

namespace {

constexpr const char* kMinutePath = "system/eco/defaulttime/minute";

// A QRX-XR4 (qrx-x family) whose stored eco information says 30 minutes, internal and USB 1 on,
// eSATA and USB 2 off, and has no USB 3/4 items.
CManagedDevice QrxX(const std::string& name = "ks-x") {
    return SampleDevice("qrx-x", "02:4B:53:00:10:01", name, "198.18.0.20");
}

// A QRX4-H (qrx-h family): 60 minutes, internal, USB 1 and USB 3 on; no eSATA item.
CManagedDevice QrxH(const std::string& name = "ks-h") {
    return SampleDevice("qrx-h", "02:4B:53:00:10:02", name, "198.18.0.21");
}

std::vector<bool> Choices(const CEcoSettings& settings) {
    std::vector<bool> on;
    for (size_t i = 0; i < CEcoSettings::VOLUME_COUNT; ++i) {
        on.push_back(settings.IsVolumeOn(i));
    }
    return on;
}

std::vector<bool> Enabled(const CEcoSettings& settings) {
    std::vector<bool> enabled;
    for (size_t i = 0; i < CEcoSettings::VOLUME_COUNT; ++i) {
        enabled.push_back(settings.IsVolumeEnabled(i));
    }
    return enabled;
}

const std::vector<bool> kNoneEnabled(CEcoSettings::VOLUME_COUNT, false);

} // namespace

TEST(EcoSettingsList, OffersSixTimesInListOrderWithTheirTexts) {
    std::vector<std::pair<int, std::string>> shown;
    for (const EcoTime& time : CEcoSettings::Times()) {
        shown.emplace_back(time.nMinutes, time.text);
    }
    const std::vector<std::pair<int, std::string>> expected = {
        {0, "なし"}, {10, "10 分後"}, {15, "15 分後"}, {20, "20 分後"}, {30, "30 分後"}, {60, "1 時間後"}};
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(CEcoSettings::TimeText(120), "2 時間後");
    EXPECT_EQ(CEcoSettings::PositionOf(60), 5u);
    EXPECT_EQ(CEcoSettings::PositionOf(45), std::nullopt);

    std::vector<std::string> captions;
    for (const EcoVolume& volume : CEcoSettings::Volumes()) {
        captions.push_back(CEcoSettings::VolumeCaption(volume));
    }
    EXPECT_EQ(captions,
              (std::vector<std::string>{"内蔵ボリューム:", "eSATA ボリューム:", "USB ボリューム 1:",
                                        "USB ボリューム 2:", "USB ボリューム 3:", "USB ボリューム 4:"}));
}

TEST(EcoSettingsInitialisation, FifteenMinutesSelectsItsEntryAndReadsEachVolume) {
    CManagedDevice device = QrxX();
    SetInfoText(device, kMinutePath, "15");
    // Device values are compared without regard to case.
    device.GetRootNode().SingleSelectNode("system/eco/usb[@port='2']").SetAttributeValue("enable", "TRUE");
    const CEcoSettings settings({&device});

    EXPECT_EQ(settings.InitialMessageId(), 0);
    EXPECT_EQ(settings.SelectedPosition(), 2u);
    EXPECT_EQ(settings.SelectedMinutes(), 15);
    EXPECT_EQ(CEcoSettings::Times()[settings.SelectedPosition()].text, "15 分後");
    // internal on, eSATA off, USB 1 on, USB 2 on; USB 3/4 have no item on this model.
    EXPECT_EQ(Choices(settings), (std::vector<bool>{true, false, true, true, false, false}));
    EXPECT_EQ(Enabled(settings), (std::vector<bool>{true, true, true, true, false, false}));
}

TEST(EcoSettingsInitialisation, ATimeTheListLacksSelectsNoneDisablesAndTellsWhy) {
    CManagedDevice device = QrxX();
    SetInfoText(device, kMinutePath, "45");
    const CEcoSettings settings({&device});

    EXPECT_EQ(settings.InitialMessageId(), 10012);
    EXPECT_EQ(settings.SelectedPosition(), 0u);
    EXPECT_EQ(settings.SelectedMinutes(), 0);
    EXPECT_EQ(Enabled(settings), kNoneEnabled);
    EXPECT_EQ(Choices(settings), (std::vector<bool>{true, false, true, false, false, false}))
        << "the volume choices are still shown";

    SetInfoText(device, kMinutePath, "4294967306");
    EXPECT_EQ(CEcoSettings({&device}).InitialMessageId(), 10012) << "no wrap-around to 10 minutes";
}

TEST(EcoSettingsInitialisation, ZeroMinutesIsOfferedButDisablesTheVolumes) {
    CManagedDevice device = QrxX();
    SetInfoText(device, kMinutePath, "0");
    CEcoSettings settings({&device});

    EXPECT_EQ(settings.InitialMessageId(), 0);
    EXPECT_EQ(settings.SelectedPosition(), 0u);
    EXPECT_EQ(Enabled(settings), kNoneEnabled);
    settings.SelectPosition(1);
    EXPECT_EQ(Enabled(settings), (std::vector<bool>{true, true, true, true, false, false}));
}

TEST(EcoSettingsInitialisation, NoEcoInformationTurnsEverythingOffAndAsksForAPassword) {
    // As after a poll without the password: the device's "system" part was never fetched.
    CManagedDevice device = QrxH();
    const Zelt::CXMLNode system = device.GetRootNode().SingleSelectNode("system");
    device.GetRootNode().RemoveChild(system);
    const CEcoSettings settings({&device});

    EXPECT_EQ(settings.InitialMessageId(), 10011);
    EXPECT_EQ(settings.SelectedPosition(), 0u);
    EXPECT_EQ(Choices(settings), std::vector<bool>(CEcoSettings::VOLUME_COUNT, false));
    EXPECT_EQ(Enabled(settings), kNoneEnabled);

    EXPECT_EQ(CEcoSettings({}).InitialMessageId(), 10011) << "no targets";
    CManagedDevice neverPolled;
    EXPECT_EQ(CEcoSettings({&neverPolled}).InitialMessageId(), 10011);
}

TEST(EcoSettingsEnabling, AGroupWithOneQrxHModelEnablesUsb3And4AndNotESata) {
    const CManagedDevice other = QrxX("other");
    const CManagedDevice qrxH = QrxH("h");
    CEcoSettings settings({&other, &qrxH});
    ASSERT_EQ(settings.SelectedMinutes(), 30) << "read from the first target";

    EXPECT_EQ(Enabled(settings), (std::vector<bool>{true, false, true, true, true, true}));

    settings.SelectPosition(0);
    EXPECT_EQ(Enabled(settings), kNoneEnabled) << "なし disables every pair";
    settings.SelectPosition(5);
    EXPECT_EQ(Enabled(settings), (std::vector<bool>{true, false, true, true, true, true}));
    settings.SelectPosition(6);
    EXPECT_EQ(settings.SelectedPosition(), 5u) << "a position outside the list changes nothing";
}

TEST(EcoSettingsEnabling, OnlyOtherModelsEnableESataAndNotUsb3And4) {
    const CManagedDevice first = QrxX("a");
    const CManagedDevice second = QrxX("b");
    EXPECT_EQ(Enabled(CEcoSettings({&first, &second})),
              (std::vector<bool>{true, true, true, true, false, false}));

    // An empty product name counts as a QRX%d-H model.
    CManagedDevice unnamed = QrxX("c");
    SetInfoText(unnamed, "product/name", "");
    EXPECT_EQ(Enabled(CEcoSettings({&first, &unnamed})),
              (std::vector<bool>{true, false, true, true, true, true}));
}

TEST(EcoSettingsDocument, CarriesTheChosenTimeAndEveryVolumeInOrder) {
    CManagedDevice device = QrxH();
    CEcoSettings settings({&device});
    settings.SelectPosition(3);
    settings.SetVolumeOn(CEcoSettings::VOLUME_ESATA, true); // disabled here, still written
    settings.SetVolumeOn(CEcoSettings::VOLUME_USB4, true);
    settings.SetVolumeOn(CEcoSettings::VOLUME_USB1, false);

    const std::string expected = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<korvaneinfo><system><eco>"
                                 "<defaulttime><minute>20</minute></defaulttime>"
                                 "<internal enable=\"true\"><minute>20</minute></internal>"
                                 "<esata port=\"1\" enable=\"true\"><minute>20</minute></esata>"
                                 "<usb port=\"1\" enable=\"false\"><minute>20</minute></usb>"
                                 "<usb port=\"2\" enable=\"false\"><minute>20</minute></usb>"
                                 "<usb port=\"3\" enable=\"true\"><minute>20</minute></usb>"
                                 "<usb port=\"4\" enable=\"true\"><minute>20</minute></usb>"
                                 "</eco></system></korvaneinfo>\n";
    EXPECT_EQ(settings.BuildDocument(), expected);
}

TEST(EcoSettingsDocument, NoneStillWritesEveryChoiceWithMinuteZero) {
    const CManagedDevice device = QrxX();
    CEcoSettings settings({&device});
    settings.SelectPosition(0);
    ASSERT_EQ(Enabled(settings), kNoneEnabled);

    const std::string expected = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<korvaneinfo><system><eco>"
                                 "<defaulttime><minute>0</minute></defaulttime>"
                                 "<internal enable=\"true\"><minute>0</minute></internal>"
                                 "<esata port=\"1\" enable=\"false\"><minute>0</minute></esata>"
                                 "<usb port=\"1\" enable=\"true\"><minute>0</minute></usb>"
                                 "<usb port=\"2\" enable=\"false\"><minute>0</minute></usb>"
                                 "<usb port=\"3\" enable=\"false\"><minute>0</minute></usb>"
                                 "<usb port=\"4\" enable=\"false\"><minute>0</minute></usb>"
                                 "</eco></system></korvaneinfo>\n";
    EXPECT_EQ(settings.BuildDocument(), expected);
}
