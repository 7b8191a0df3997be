// Device text is shown as text: a simulated device names and describes itself with 8-bit control
// sequences, CR LF, a tab, DEL, a bidirectional override and markup. What korvanectl prints of it
// is inert on a terminal and still recognisable; --json gives the exact text back.
#include "HostileLan.h"
#include "common/ProcessRun.h"
#include "common/Simulator.h"
#include "common/TextsInLanguage.h"
#include "hosts/TestNetwork.h"

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

using KorvaneTesting::ProcessResult;

namespace {

// CSI "31m", RLO and DEL; OSC "0;title" ST and NEL; a log of two lines, the second with a stray CR.
const std::string kName = "ks\r\nkorvanectl: forged\t\u009b31mred\u202eevil\x7f<b>x</b>";
const std::string kShownName = R"(ks\r\nkorvanectl: forged\t\u009b31mred\u202eevil\x7f<b>x</b>)";
const std::string kDescription = "\u009d0;title\u009c<a href=\"http://x/\">d</a>\u0085end";
const std::string kShownDescription = R"(\u009d0;title\u009c<a href="http://x/">d</a>\u0085end)";
const std::string kLog = "first entry\nsecond \u009b2J\rentry";
const std::string kShownLog = "first entry\n"
                              R"(second \u009b2J\rentry)";

// Replaces PARENT/NAME in device 0's information with an element holding the text.
void Plant(KorvaneTesting::Simulator& sim, const std::string& parent, const std::string& name,
           const std::string& text) {
    static const std::map<char, std::string> kReferences = {{'<', "&lt;"},   {'>', "&gt;"},   {'&', "&amp;"},
                                                            {'\r', "&#13;"}, {'\n', "&#10;"}, {'\t', "&#9;"}};
    std::string xml;
    for (const char c : text) {
        xml += kReferences.count(c) != 0 ? kReferences.at(c) : std::string(1, c);
    }
    sim.Control("info 0 remove " + parent + "/" + name);
    sim.Control("info 0 add " + parent + " <" + name + ">" + xml + "</" + name + ">");
}

// Besides the output's own line ends and column tabs no C0 control, no DEL, C1 or bidirectional
// control (UTF-8 C2 80-9F, E2 80 AA-AE, E2 81 A6-A9).
::testing::AssertionResult IsInert(const std::string& output) {
    for (size_t i = 0; i < output.size(); ++i) {
        const std::string_view rest = std::string_view(output).substr(i);
        const auto byte = [&](size_t n) { return n < rest.size() ? static_cast<unsigned char>(rest[n]) : 0; };
        const bool bLineEnd = rest.starts_with("\n") || rest.starts_with("\r\n") || rest.starts_with("\t");
        if ((byte(0) < 0x20 && !bLineEnd) || byte(0) == 0x7F ||
            (byte(0) == 0xC2 && byte(1) >= 0x80 && byte(1) <= 0x9F) ||
            (rest.starts_with("\xE2\x80") && byte(2) >= 0xAA && byte(2) <= 0xAE) ||
            (rest.starts_with("\xE2\x81") && byte(2) >= 0xA6 && byte(2) <= 0xA9)) {
            return ::testing::AssertionFailure() << "control at byte " << i << " of:\n" << output;
        }
    }
    return ::testing::AssertionSuccess();
}

class DeviceText : public ::testing::Test {
protected:
    // korvanectl, keeping every file inside the scratch folder.
    ProcessResult Korvanectl(std::vector<std::string> args, const std::string& input = std::string()) {
        args.insert(args.begin(), {m_home.ConfigHome(), m_home.StateHome(), m_home.RuntimeDir(),
                                   KorvaneHostile::KorvanectlPath()});
        return KorvaneTesting::RunProcess("/usr/bin/env", args, input);
    }
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
    const std::string plain = Run({"detail", mac}).out;
    Plant(sim, "network/host", "name", kName);
    Plant(sim, "network/host", "desc", kDescription);

    EXPECT_EQ(Run({"add", "127.88.0.1"}).out,
              KorvaneTesting::ChildText(Zelt::Text::CliAdded, {kShownName, mac}) + "\n");
    const std::string report = Run({"detail", mac}).out;
    EXPECT_TRUE(IsInert(report));
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), std::count(plain.begin(), plain.end(), '\n'))
        << "the report's lines are its own";
    for (const std::string& shown : {kShownName, kShownDescription, kShownLog}) {
        EXPECT_NE(report.find(shown), std::string::npos) << shown << "\n" << report;
    }
    const std::string list = Run({"list"}).out;
    EXPECT_TRUE(IsInert(list));
    EXPECT_EQ(list.substr(list.find('\n') + 1, kShownName.size() + 1), kShownName + "\t") << list;
    EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 2);
    const std::string info = Korvanectl({"info", "127.88.0.1"}).out;
    EXPECT_NE(info.find("name: " + kShownName + "\ndescription: " + kShownDescription + "\n"),
              std::string::npos);
    for (const std::string& output :
         {info, Korvanectl({"info", "127.88.0.1", "--xml"}).out, Run({"settings", "dump"}).out}) {
        EXPECT_TRUE(IsInert(output));
    }

    const std::string listJson = Run({"list", "--json"}).out;
    const std::string infoJson = Korvanectl({"info", "127.88.0.1", "--json"}).out;
    EXPECT_TRUE(IsInert(listJson + infoJson));
    EXPECT_EQ(nlohmann::json::parse(listJson).at(0).at("host"), kName);
    EXPECT_EQ(nlohmann::json::parse(infoJson).at("name"), kName);
    EXPECT_EQ(nlohmann::json::parse(infoJson).at("description"), kDescription);

    sim.PowerOff(0);
    const std::string updated = Run({"update", "--status"}).out;
    EXPECT_TRUE(IsInert(updated));
    EXPECT_NE(updated.find("\n" + kShownName + " (" + mac + "):\n"), std::string::npos) << updated;
}

TEST_F(DeviceText, JsonOfTextThatIsNotUtf8IsStillJson) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 0);
    // Resolved inside the admin host, whose resolver never leaves it.
    const ProcessResult resolved =
        net->RunIn(net->Admin(), KorvaneHostile::KorvanectlPath(), {"resolve", "dev\xff\u009b", "--json"});
    EXPECT_EQ(resolved.exitCode, 1) << resolved.err;
    EXPECT_TRUE(IsInert(resolved.out));
    EXPECT_EQ(nlohmann::json::parse(resolved.out).at("text"), "dev\ufffd\u009b");
}
