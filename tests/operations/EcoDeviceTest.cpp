// The eco dialog's model with simulated devices: what a poll leaves to show, and a settings
// document that the devices take and that reads back as the same choices.
#include "common/Simulator.h"
#include "operations/EcoSettings.h"

#include <gtest/gtest.h>

using namespace Korvane;
using KorvaneTesting::Simulator;

namespace {

// A session that fetched the category of the full update with the device's password, or the
// basic information only when there is no password.
CKorvaneInfo Polled(const std::string& ipv4, const std::string& password) {
    CKorvaneInfo session(ipv4, "");
    if (password.empty()) {
        session.GetInfo(ID_GETINFO_CATEGORY_ADMIN_SIMPLE, nullptr, 30000);
    } else {
        session.SetPassword(password);
        session.GetInfo(ID_GETINFO_CATEGORY_ADMIN_NORMAL, nullptr, 30000);
    }
    return session;
}

} // namespace

TEST(EcoSettingsWithDevices, ADevicePolledWithoutItsPasswordLeavesNothingToShow) {
    Simulator sim({"--count", "1", "--base", "127.84.10.1", "--http-port", "0"});
    const CKorvaneInfo device = Polled("127.84.10.1", "");
    ASSERT_TRUE(device.HasRootNode());

    const CEcoSettings settings({&device});
    EXPECT_EQ(settings.InitialMessageId(), 10011);
    EXPECT_EQ(settings.SelectedMinutes(), 0);
    for (size_t i = 0; i < CEcoSettings::VOLUME_COUNT; ++i) {
        EXPECT_FALSE(settings.IsVolumeOn(i)) << i;
        EXPECT_FALSE(settings.IsVolumeEnabled(i)) << i;
    }
}

TEST(EcoSettingsWithDevices, SentSettingsReadBackAsTheSameChoices) {
    // A QRX-XR4 and a QRX4-H, each with its own password.
    Simulator sim({"--count", "2", "--base", "127.84.11.1", "--http-port", "0"});
    sim.InfoSet(0, "system/eco/defaulttime/minute", "15");
    CKorvaneInfo first = Polled("127.84.11.1", "pw001");
    CKorvaneInfo second = Polled("127.84.11.2", "pw002");

    CEcoSettings settings({&first, &second});
    ASSERT_EQ(settings.InitialMessageId(), 0);
    ASSERT_EQ(settings.SelectedMinutes(), 15);
    settings.SelectPosition(*CEcoSettings::PositionOf(20));
    settings.SetVolumeOn(CEcoSettings::VOLUME_INTERNAL, false);
    settings.SetVolumeOn(CEcoSettings::VOLUME_USB4, true);
    const std::string document = settings.BuildDocument();
    for (CKorvaneInfo* target : {&first, &second}) {
        target->SetInfo(nullptr, document, false, 30000);
        EXPECT_EQ(target->GetStatus(), STATUS_SUCCESS);
    }

    EXPECT_EQ(sim.InfoGet(1, "system/eco/defaulttime/minute"), "20");
    EXPECT_EQ(sim.InfoGet(1, "system/eco/usb[@port='4']/@enable"), "true");
    EXPECT_EQ(sim.InfoGetAll(1, "system/eco/*/@port"), (std::vector<std::string>{"1", "1", "2", "3", "4"}));

    const CKorvaneInfo reread = Polled("127.84.11.2", "pw002");
    const CEcoSettings shown({&reread});
    EXPECT_EQ(shown.InitialMessageId(), 0);
    EXPECT_EQ(shown.SelectedMinutes(), 20);
    for (size_t i = 0; i < CEcoSettings::VOLUME_COUNT; ++i) {
        EXPECT_EQ(shown.IsVolumeOn(i), settings.IsVolumeOn(i))
            << CEcoSettings::VolumeCaption(CEcoSettings::Volumes()[i]);
    }
}
