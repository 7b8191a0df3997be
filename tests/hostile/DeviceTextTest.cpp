// Device text is shown as text: a simulated device names and describes itself with 8-bit control
// sequences, line breaks, a tab, DEL, a bidirectional override and markup. Whatever korvanectl
// prints of it is inert on a terminal (its only control bytes are the output's own line ends) and
// still recognisable, and --json gives the exact text back.
#include "HostileLan.h"
#include "common/ProcessRun.h"
#include "common/Simulator.h"
#include "hosts/TestNetwork.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

using KorvaneTesting::ProcessResult;

namespace {

// CSI "31m" in its 8-bit form, a right-to-left override, DEL, and CR LF that would start a line of
// the device's choosing.
const std::string kName = "ks\r\nkorvanectl: forged\t\xC2\x9B"
                          "31mred\xE2\x80\xAE"
                          "evil\x7F<b>x</b>";
const std::string kShownName = "ks\\r\\nkorvanectl: forged\\t\\u009b31mred\\u202eevil\\x7f<b>x</b>";
// OSC ... ST (a window title) in 8-bit form, a link and NEL.
const std::string kDescription = "\xC2\x9D"
                                 "0;title\xC2\x9C<a href=\"http://198.51.100.1/\">desc</a>\xC2\x85"
                                 "end";
const std::string kShownDescription =
    "\\u009d0;title\\u009c<a href=\"http://198.51.100.1/\">desc</a>\\u0085end";
// Two real log lines; the second holds a stray carriage return.
const std::string kLog = "first entry\nsecond \xC2\x9B"
                         "2J\rentry";
const std::string kShownLog = "first entry\nsecond \\u009b2J\\rentry";

std::string XmlText(const std::string& text) {
    std::string xml;
    for (const char c : text) {
        switch (c) {
        case '<':
            xml += "&lt;";
            break;
        case '>':
            xml += "&gt;";
            break;
        case '&':
            xml += "&amp;";
            break;
        case '\r':
            xml += "&#13;";
            break;
        case '\n':
            xml += "&#10;";
            break;
        case '\t':
            xml += "&#9;";
            break;
        default:
            xml += c;
        }
    }
    return xml;
}

// Replaces the element PARENT/NAME of device 0's information with one holding the text.
void Plant(KorvaneTesting::Simulator& sim, const std::string& parent, const std::string& name,
           const std::string& text) {
    sim.Control("info 0 remove " + parent + "/" + name);
    sim.Control("info 0 add " + parent + " <" + name + ">" + XmlText(text) + "</" + name + ">");
}

bool IsByteIn(const std::string& text, size_t nPos, unsigned char nFirst, unsigned char nLast) {
    return nPos < text.size() && static_cast<unsigned char>(text[nPos]) >= nFirst &&
           static_cast<unsigned char>(text[nPos]) <= nLast;
}

// No control byte but the output's own line ends and tabs (which separate columns; a device's
// own are checked as escapes), no DEL, no C1 and no bidirectional control.
::testing::AssertionResult IsInert(const std::string& output) {
    for (size_t i = 0; i < output.size(); ++i) {
        const auto c = static_cast<unsigned char>(output[i]);
        const bool bLineEnd = c == '\n' || (c == '\r' && i + 1 < output.size() && output[i + 1] == '\n');
        const bool bC0 = (c < 0x20 && c != '\t' && !bLineEnd) || c == 0x7F;
        const bool bC1 = c == 0xC2 && IsByteIn(output, i + 1, 0x80, 0x9F);
        const bool bBidi =
            c == 0xE2 && ((IsByteIn(output, i + 1, 0x80, 0x80) && IsByteIn(output, i + 2, 0xAA, 0xAE)) ||
                          (IsByteIn(output, i + 1, 0x81, 0x81) && IsByteIn(output, i + 2, 0xA6, 0xA9)));
        if (bC0 || bC1 || bBidi) {
            return ::testing::AssertionFailure() << "control at byte " << i << " of:\n" << output;
        }
    }
    return ::testing::AssertionSuccess();
}

size_t LineCount(const std::string& text) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

class DeviceText : public ::testing::Test {
protected:
    // korvanectl with every file it keeps inside the scratch folder.
    ProcessResult Korvanectl(const std::vector<std::string>& args, const std::string& input = std::string()) {
        std::vector<std::string> command = {m_home.ConfigHome(), m_home.StateHome(), m_home.RuntimeDir(),
                                            KorvaneHostile::KorvanectlPath()};
        command.insert(command.end(), args.begin(), args.end());
        return KorvaneTesting::RunProcess("/usr/bin/env", command, input);
    }
    // A command on the settings file.
    ProcessResult Run(std::vector<std::string> args, const std::string& input = std::string()) {
        args.insert(args.end(), {"--settings", m_home.SettingsPath()});
        return Korvanectl(args, input);
    }

    KorvaneHostile::ScratchHome m_home;
};

} // namespace

TEST_F(DeviceText, KorvanectlPrintsControlsAndMarkupOfADeviceInertAndJsonKeepsThem) {
    KorvaneTesting::Simulator sim({"--count", "1", "--base", "127.88.0.1", "--http-port", "0"});
    const std::string mac = sim.Show(0).at("mac");
    Plant(sim, "statusinfo", "log", kLog);
    ASSERT_EQ(Run({"add", "127.88.0.1"}).exitCode, 0);
    ASSERT_EQ(Run({"password", mac, "--save"}, "pw001\n").exitCode, 0);
    const ProcessResult plain = Run({"detail", mac});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;

    Plant(sim, "network/host", "name", kName);
    Plant(sim, "network/host", "desc", kDescription);
    const ProcessResult added = Run({"add", "127.88.0.1"});
    EXPECT_EQ(added.out, "added " + kShownName + " (" + mac + ")\n");
    const ProcessResult report = Run({"detail", mac});
    EXPECT_TRUE(IsInert(report.out));
    EXPECT_EQ(LineCount(report.out), LineCount(plain.out)) << "the report's lines are its own";
    for (const std::string& shown : {kShownName, kShownDescription, kShownLog}) {
        EXPECT_NE(report.out.find(shown), std::string::npos) << shown << "\n" << report.out;
    }

    const ProcessResult listed = Run({"list"});
    EXPECT_TRUE(IsInert(listed.out));
    EXPECT_EQ(LineCount(listed.out), 2u) << listed.out;
    EXPECT_EQ(listed.out.find(kShownName + "\t"), listed.out.find('\n') + 1) << listed.out;
    const ProcessResult info = Korvanectl({"info", "127.88.0.1"});
    EXPECT_TRUE(IsInert(info.out));
    EXPECT_NE(info.out.find("name: " + kShownName + "\ndescription: " + kShownDescription + "\n"),
              std::string::npos)
        << info.out;
    EXPECT_TRUE(IsInert(Korvanectl({"info", "127.88.0.1", "--xml"}).out));
    EXPECT_TRUE(IsInert(Run({"settings", "dump"}).out));

    const ProcessResult listJson = Run({"list", "--json"});
    const ProcessResult infoJson = Korvanectl({"info", "127.88.0.1", "--json"});
    EXPECT_TRUE(IsInert(listJson.out));
    EXPECT_TRUE(IsInert(infoJson.out));
    EXPECT_EQ(nlohmann::json::parse(listJson.out).at(0).at("host"), kName);
    EXPECT_EQ(nlohmann::json::parse(infoJson.out).at("name"), kName);
    EXPECT_EQ(nlohmann::json::parse(infoJson.out).at("description"), kDescription);

    // A group name typed with a control sequence is shown escaped too, beside the device's name.
    const std::string group = "\xC2\x9B"
                              "2Jrack";
    ASSERT_EQ(Run({"group", "create", group, mac}).exitCode, 0);
    EXPECT_EQ(Run({"group", "list"}).out, "\\u009b2Jrack\t1 device(s)\n");
    EXPECT_EQ(Run({"group", "show", group}).out, mac + "\t" + kShownName + "\n");

    sim.PowerOff(0);
    const ProcessResult updated = Run({"update", "--status"});
    EXPECT_TRUE(IsInert(updated.out));
    EXPECT_NE(updated.out.find("\n" + kShownName + " (" + mac + "):\n"), std::string::npos) << updated.out;
}

TEST_F(DeviceText, JsonOfTextThatIsNotUtf8IsStillJson) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 0);
    // Resolved inside the admin host, whose resolver never leaves it.
    const ProcessResult resolved =
        net->RunIn(net->Admin(), KorvaneHostile::KorvanectlPath(), {"resolve", "dev\xFF\xC2\x9B", "--json"});
    EXPECT_EQ(resolved.exitCode, 1) << resolved.err;
    EXPECT_TRUE(IsInert(resolved.out));
    EXPECT_EQ(nlohmann::json::parse(resolved.out).at("text"), "dev\xEF\xBF\xBD\xC2\x9B");
}
