#include "common/ProcessRun.h"
#include "common/Simulator.h"
#include "common/TextsInLanguage.h"
#include "hosts/TestNetwork.h"
#include "support/MimeBase64.h"
#include "support/XmlDocument.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

using KorvaneTesting::ProcessResult;

namespace {

ProcessResult Korvanectl(const std::vector<std::string>& args, const std::string& input = std::string()) {
    return KorvaneTesting::RunProcess(KORVANECTL_PATH, args, input);
}

std::vector<std::string> ParamTexts(const std::string& xml, const std::string& type) {
    Zelt::CXMLDocument document;
    document.LoadFromBytes(xml);
    std::vector<std::string> texts;
    for (const Zelt::CXMLNode& param : document.GetRootNode().SelectNodes("param[@type='" + type + "']")) {
        texts.push_back(param.GetText());
    }
    return texts;
}

// Japanese text is never ASCII, English help always is.
bool IsAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

class KorvanectlInLanguage : public KorvaneTesting::InLanguage<> {};

} // namespace

TEST_P(KorvanectlInLanguage, HelpAndVersionSucceedAndMistakesAreNamed) {
    const ProcessResult help = Korvanectl({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind(Text(Zelt::Text::CliHelpOverviewHead), 0), 0u) << help.out;
    EXPECT_NE(help.out.find(Text(Zelt::Text::CliHelpOverviewTail)), std::string::npos) << help.out;
    EXPECT_NE(help.out.find(Text(Zelt::Text::CliSummaryRequest)), std::string::npos) << help.out;
    const ProcessResult version = Korvanectl({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("korvanectl ", 0), 0u);
    EXPECT_EQ(Korvanectl({}).exitCode, 2);

    const ProcessResult unknown = Korvanectl({"frobnicate"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_EQ(unknown.err, "korvanectl: " + Text(Zelt::Text::CliUnknownCommand, {"frobnicate"}) + "\n" +
                               Text(Zelt::Text::CliHelpListsCommands) + "\n")
        << "nothing is that close";
    const ProcessResult described = Korvanectl({"help", "wake"});
    EXPECT_EQ(described.exitCode, 0);
    EXPECT_EQ(described.out, Korvanectl({"wake", "--help"}).out);
    EXPECT_EQ(described.out, Text(Zelt::Text::CliUsageWake));
    for (const std::vector<std::string>& mistyped : {std::vector<std::string>{"lsit"}, {"help", "lst"}}) {
        const ProcessResult suggested = Korvanectl(mistyped);
        EXPECT_EQ(suggested.exitCode, 2);
        EXPECT_NE(suggested.err.find(Text(Zelt::Text::CliDidYouMean, {"list"})), std::string::npos)
            << suggested.err;
    }
    EXPECT_EQ(Korvanectl({"--settings"}).exitCode, 2) << "the option needs its file";
    const ProcessResult badOption = Korvanectl({"request", "reboot", "--bogus"});
    EXPECT_EQ(badOption.exitCode, 2);
    EXPECT_NE(badOption.err.find(Text(Zelt::Text::CliUnknownOption, {"--bogus"})), std::string::npos);
    EXPECT_NE(badOption.err.find(Text(Zelt::Text::CliUsageRequest)), std::string::npos);
    EXPECT_EQ(Korvanectl({"request"}).exitCode, 2);
    EXPECT_EQ(Korvanectl({"request", "dance"}).exitCode, 2);
    EXPECT_EQ(Korvanectl({"request", "reboot", "--wait", "soon"}).exitCode, 2);
    EXPECT_EQ(Korvanectl({"request", "auth", "--user"}).exitCode, 2);
    EXPECT_EQ(Korvanectl({"wake"}).exitCode, 2);
    EXPECT_EQ(Korvanectl({"request", "--help"}).exitCode, 0);
    const ProcessResult notXml = Korvanectl({"request", "setinfo", "--infonode", "<eco>"});
    EXPECT_EQ(notXml.exitCode, 1);
    EXPECT_EQ(notXml.err, "korvanectl: " + Text(Zelt::Text::CliRequestNotBuilt) + "\n");

    const std::string settings = ::testing::TempDir() + "korvanectl-wake-no-settings";
    for (const char* bad : {"0011223344", "00:11:22:33:44:5G", "00:11-22:33:44:55", "00:11:22:33:44:55:66"}) {
        const ProcessResult result = Korvanectl({"wake", bad, "--settings", settings});
        EXPECT_EQ(result.exitCode, 1) << bad;
        EXPECT_EQ(result.err, "korvanectl wake: " + Text(Zelt::Text::CliNoDeviceNamed, {bad}) + "\n");
    }
}

// Every command the overview lists describes itself in the language asked for, the English help
// without a single Japanese character.
TEST_P(KorvanectlInLanguage, EveryCommandHelpIsInTheLanguage) {
    const std::string overview = Korvanectl({"--help"}).out;
    const std::string usage = Piece(Zelt::Text::CliUsageSimpleOperation, 0);
    std::istringstream lines(overview.substr(Text(Zelt::Text::CliHelpOverviewHead).size()));
    int nCommands = 0;
    for (std::string line; std::getline(lines, line) && line.starts_with("  "); ++nCommands) {
        const std::string name = line.substr(2, line.find(' ', 2) - 2);
        const ProcessResult described = Korvanectl({"help", name});
        EXPECT_EQ(described.out.rfind(usage + name, 0), 0u) << described.out;
        if (GetParam() == Zelt::Language::English) {
            EXPECT_TRUE(IsAscii(described.out)) << described.out;
        }
    }
    EXPECT_GE(nCommands, 20);
    EXPECT_EQ(IsAscii(overview), GetParam() == Zelt::Language::English) << overview;
}

KORVANE_IN_BOTH_LANGUAGES(KorvanectlInLanguage);

TEST(KorvanectlRequest, PrintsTheStatusQueryDocument) {
    const ProcessResult result =
        Korvanectl({"request", "getinfo", "--category", "status", "--category=KORVANE_NETWORK", "--infotype",
                    "simple", "--key", "k1", "--wait", "30000"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ParamTexts(result.out, "category"),
              (std::vector<std::string>{"KORVANE_NETWORK", "KORVANE_STATUS"}));
    EXPECT_EQ(ParamTexts(result.out, "infotype"), std::vector<std::string>{"INFOTYPE_SIMPLE"});
    EXPECT_EQ(ParamTexts(result.out, "waitmillisec"), std::vector<std::string>{"30000"});
    EXPECT_NE(result.out.find("<auth>k1</auth>"), std::string::npos);
}

TEST(KorvanectlRequest, Base64OutputDecodesToTheSameDocument) {
    const ProcessResult xml = Korvanectl({"request", "auth", "--password", "pw"});
    const ProcessResult wire = Korvanectl({"request", "auth", "--password", "pw", "--base64"});
    ASSERT_EQ(wire.exitCode, 0);
    ASSERT_FALSE(wire.out.empty());
    const std::optional<std::string> decoded =
        Zelt::CMimeBase64::Decode(wire.out.substr(0, wire.out.size() - 1));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, xml.out);
    EXPECT_EQ(ParamTexts(xml.out, "user"), std::vector<std::string>{"admin"});
}

TEST(KorvanectlRequest, SetInfoTakesTheShutdownAndRefusesAMissingFile) {
    const ProcessResult shutdown =
        Korvanectl({"request", "setinfo", "--infonode", "<eco enable=\"false\"/>", "--shutdown"});
    ASSERT_EQ(shutdown.exitCode, 0);
    EXPECT_NE(shutdown.out.find("<postprocess command=\"SHUTDOWN\" condition=\"-1\" order=\"1\"/>"),
              std::string::npos)
        << shutdown.out;
    EXPECT_EQ(Korvanectl({"request", "setinfo", "--infonode-file", "/nonexistent/file"}).exitCode, 2);
}

TEST(KorvanectlRequest, FirmwareNameLosesItsDirectoryAndMelodyCodesPassThrough) {
    EXPECT_EQ(ParamTexts(Korvanectl({"request", "fwupdate", "--file", "/tmp/dir/image.bin"}).out, "name"),
              std::vector<std::string>{"image.bin"});
    EXPECT_EQ(ParamTexts(Korvanectl({"request", "melody", "--off"}).out, "command"),
              std::vector<std::string>{"off"});
    EXPECT_TRUE(ParamTexts(Korvanectl({"request", "melody", "--code", "5"}).out, "command").empty());
    EXPECT_EQ(ParamTexts(Korvanectl({"request", "poweroff", "--network"}).out, "network"),
              std::vector<std::string>{"TRUE"});
}

TEST(KorvanectlInfo, ShowsTheFactsOfASimulatedDevice) {
    KorvaneTesting::Simulator sim({"--count", "1", "--base", "127.83.0.1", "--http-port", "0"});
    const KorvaneTesting::SimulatedDevice device = sim.Devices().at(0);
    const ProcessResult text = Korvanectl({"info", "127.83.0.1"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("name: " + device.hostname + "\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("product: " + device.model + "\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("mac: " + device.mac + "\n"), std::string::npos) << text.out;

    // The status category carries the condition; the simple one does not.
    const std::string password = sim.Show(0).at("password") + "\n";
    const ProcessResult json =
        Korvanectl({"info", "127.83.0.1", "--json", "--category", "5", "--password"}, password);
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const nlohmann::json facts = nlohmann::json::parse(json.out);
    EXPECT_EQ(facts.at("ipv4"), "127.83.0.1");
    EXPECT_EQ(facts.at("name"), device.hostname);
    EXPECT_EQ(facts.at("condition"), sim.InfoGet(0, "statusinfo/status/@condition"));

    const ProcessResult xml =
        Korvanectl({"info", "127.83.0.1", "--xml", "--category", "2", "--password"}, password);
    ASSERT_EQ(xml.exitCode, 0) << xml.err;
    Zelt::CXMLDocument document;
    document.LoadFromBytes(xml.out);
    EXPECT_EQ(document.GetRootNode().GetName(), "korvaneinfo");
    EXPECT_FALSE(document.GetRootNode().SelectNodes("raid/hddlist").empty());
}

// A failure says what failed, where and why, in the same words whichever command meets it, and
// names nothing of the program's insides.
TEST(KorvanectlFailures, SayWhatFailedWhereAndWhyTheSameInEveryCommand) {
    KorvaneTesting::Simulator sim({"--count", "1", "--base", "127.83.0.2", "--http-port", "0"});
    std::string directory = ::testing::TempDir() + "korvanectl-failures-XXXXXX";
    ASSERT_NE(mkdtemp(directory.data()), nullptr);
    const std::vector<std::string> settings = {"--settings", directory + "/settings"};
    const auto WithSettings = [&](std::vector<std::string> args) {
        args.insert(args.end(), settings.begin(), settings.end());
        return args;
    };
    ASSERT_EQ(Korvanectl(WithSettings({"add", "127.83.0.2"})).exitCode, 0);
    const auto ExpectFailure = [](const ProcessResult& result, const std::string& text) {
        EXPECT_EQ(result.exitCode, 1) << result.err;
        EXPECT_NE(result.err.find(text), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("::"), std::string::npos) << result.err;
    };

    sim.Set(0, "mode", "refuse");
    const std::string refused = "127.83.0.2 のポート 51055 に接続できませんでした（Connection refused）";
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"info", "127.83.0.2"}, WithSettings({"add", "127.83.0.2"}),
          WithSettings({"detail", "ks-001"}), WithSettings({"update", "--status"})}) {
        ExpectFailure(Korvanectl(command), refused);
    }
    sim.Set(0, "mode", "silent");
    ExpectFailure(Korvanectl({"info", "127.83.0.2", "--wait", "300"}),
                  "127.83.0.2 のポート 51055 からの応答が時間内にありませんでした");
    sim.Set(0, "mode", "normal");
    ExpectFailure(Korvanectl({"info", "127.83.0.2", "--category", "5", "--password"}, "wrong\n"),
                  "認証用パスワードが拒否されました");
    sim.Set(0, "busy", "on");
    ExpectFailure(Korvanectl({"info", "127.83.0.2"}), "KORVANE が処理中のため");

    EXPECT_EQ(Korvanectl({"info", "127.83.0.2", "--password", "wrong"}).exitCode, 2)
        << "no password on the line";
    EXPECT_EQ(Korvanectl({"info", "127.83.0.2", "--category", "9"}).exitCode, 2);
    std::filesystem::remove_all(directory);
}

// Ctrl-C at a password prompt on a terminal ends the command with 130 and never leaves the
// terminal without echo.
TEST(KorvanectlFailures, CtrlCAtAPasswordPromptEndsWith130AndTheTerminalEchoesAgain) {
    const std::string command = std::string(KORVANECTL_PATH) +
                                " info 127.0.0.1 --password </dev/tty & p=\\$!; sleep 0.5; kill -INT \\$p; "
                                "wait \\$p; echo status=\\$?; stty -a </dev/tty";
    // script gives the commands a terminal; the sleep keeps its input open meanwhile.
    const ProcessResult run = KorvaneTesting::RunProcess(
        "/bin/sh", {"-c", "sleep 2 | /usr/bin/script -qec \"sh -c '" + command + "'\" /dev/null"});
    EXPECT_NE(run.out.find("status=130"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(" echo "), std::string::npos) << run.out;
}

// A host without a route to the address hears the system's reason at once.
TEST(KorvanectlFailures, AnUnreachableNetworkIsNamed) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    const ProcessResult result = net->RunIn(net->Device(0), KORVANECTL_PATH, {"info", "203.0.113.7"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("203.0.113.7 のポート 51055 に接続できませんでした（Network is unreachable）"),
              std::string::npos)
        << result.err;
}

// By the MAC in each of its written forms and by the name the settings know it by.
TEST(KorvanectlWake, WakesASimulatedDeviceInATestHost) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    const KorvaneTesting::TestHost& host = net->Device(0);
    KorvaneTesting::Simulator sim(*net, host, {"--count", "1", "--base", host.ipv4, "--http-port", "0"});
    std::string directory = ::testing::TempDir() + "korvanectl-wake-XXXXXX";
    ASSERT_NE(mkdtemp(directory.data()), nullptr);
    const std::string settings = directory + "/settings";
    ASSERT_EQ(net->RunIn(net->Admin(), KORVANECTL_PATH, {"--settings", settings, "add", host.ipv4}).exitCode,
              0);
    std::string mac = sim.Devices().at(0).mac;
    std::transform(mac.begin(), mac.end(), mac.begin(), [](unsigned char c) { return std::toupper(c); });
    std::string bare = mac;
    std::erase(bare, ':');
    std::string hyphens = mac;
    std::replace(hyphens.begin(), hyphens.end(), ':', '-');
    for (const std::string& target : {mac, hyphens, bare, std::string("ks-001")}) {
        sim.PowerOff(0);
        const ProcessResult result =
            net->RunIn(net->Admin(), KORVANECTL_PATH, {"--settings", settings, "wake", target});
        ASSERT_EQ(result.exitCode, 0) << target << ": " << result.err;
        EXPECT_NE(result.out.find(mac), std::string::npos) << result.out;
        std::string power;
        for (int i = 0; i < 40 && power != "on"; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
            power = sim.State(0).power;
        }
        EXPECT_EQ(power, "on") << target;
    }
    std::filesystem::remove_all(directory);
}
