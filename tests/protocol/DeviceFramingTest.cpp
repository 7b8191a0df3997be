// The device protocol's bytes, checked against vectors written by hand.
#include "ScriptedDevice.h"
#include "protocol/DeviceConnection.h"
#include "protocol/KorvaneInfo.h"

#include <chrono>
#include <sstream>

#include <gtest/gtest.h>

using namespace Korvane;

namespace {

// 4-byte big-endian length, then the Base64 text of "<r><result>WAIT</result></r>" and of
// "<r><result>OK</result></r>".
const std::string kWaitMessage =
    std::string("\x00\x00\x00\x28", 4) + "PHI+PHJlc3VsdD5XQUlUPC9yZXN1bHQ+PC9yPg==";
const std::string kOkMessage = std::string("\x00\x00\x00\x24", 4) + "PHI+PHJlc3VsdD5PSzwvcmVzdWx0Pjwvcj4=";

} // namespace

TEST(DeviceFraming, TheRequestFrameIsSignatureLengthAndBase64) {
    ScriptedDevice device("127.77.0.1", kOkMessage);
    CKorvaneInfo session("127.77.0.1", "");
    const std::string response = session.ConnectionKorvane("<a/>", nullptr, nullptr, 1000, true);
    EXPECT_EQ(response, "<r><result>OK</result></r>");
    EXPECT_EQ(session.GetStatus(), STATUS_SUCCESS);
    const std::vector<std::string> connections = device.Connections();
    ASSERT_EQ(connections.size(), 2u) << "one probe, then the exchange";
    EXPECT_EQ(connections[0], "");
    EXPECT_EQ(connections[1], std::string("00RX\x00\x00\x00\x08PGEvPg==", 16));
}

TEST(DeviceFraming, AdditionalDataFollowsWithItsOwnLength) {
    ScriptedDevice device("127.77.0.2", kOkMessage);
    CKorvaneInfo session("127.77.0.2", "");
    std::istringstream image(std::string("\x01\x02\x03", 3));
    session.ConnectionKorvane("<a/>", nullptr, &image, 1000, true);
    EXPECT_EQ(device.Connections().back(),
              std::string("00RX\x00\x00\x00\x08PGEvPg==\x00\x00\x00\x03\x01\x02\x03", 23));
}

TEST(DeviceFraming, WaitMessagesAreReadUntilTheFinalOne) {
    ScriptedDevice device("127.77.0.3", kWaitMessage + kWaitMessage + kOkMessage);
    CKorvaneInfo session("127.77.0.3", "");
    EXPECT_EQ(session.ConnectionKorvane("<a/>", nullptr, nullptr, 1000, true), "<r><result>OK</result></r>");
}

TEST(DeviceFraming, TheWakeOnLanPacketIsSixOnesAndSixteenMacs) {
    const std::string expected = std::string(6, '\xFF') + [] {
        std::string macs;
        for (int i = 0; i < 16; ++i) {
            macs += std::string("\x00\x11\x22\x33\x44\x55", 6);
        }
        return macs;
    }();
    const std::string packet = CKorvaneInfo::WakeOnLanPacket("00:11:22:33:44:55");
    EXPECT_EQ(packet.size(), 102u);
    EXPECT_EQ(packet, expected);
    EXPECT_EQ(CKorvaneInfo::WakeOnLanPacket("00:11:22:33:44:55"),
              CKorvaneInfo::WakeOnLanPacket("00:11:22:33:44:55"));
    EXPECT_EQ(CKorvaneInfo::ParseMacAddress("aa:Bb:0c:D:e0:ff"),
              (MacBytes{0xAA, 0xBB, 0x0C, 0x0D, 0xE0, 0xFF}));
}

TEST(DeviceFraming, TheDeadlineForTheAnswerStartsAfterTheUpload) {
    // The device takes the image only after 1.1 s: longer than the whole deadline of ten socket
    // wait limits (10 x 70 ms), shorter than one wait for room to send (rounded up to 1.5 s).
    ScriptedDevice device("127.77.0.4", kWaitMessage + kOkMessage, std::chrono::milliseconds(1100));
    CDeviceConnection connection(AF_INET, "127.77.0.4", nullptr, 70);
    connection.SendRequest("PGEvPg==");
    std::istringstream image(std::string(16 * 1024 * 1024, 'Z'));
    const auto start = std::chrono::steady_clock::now();
    connection.SendAdditionalData(image);
    ASSERT_GT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(700))
        << "the upload waited";
    EXPECT_EQ(connection.ReadFinalResponse(), "<r><result>OK</result></r>");
}
