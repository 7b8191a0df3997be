// korvanectl's operations and updates on simulated devices.
#include "JsonSchema.h"
#include "ScriptedServer.h"
#include "ScriptedSmtp.h"
#include "common/ProcessRun.h"
#include "common/Simulator.h"
#include "common/TextsInLanguage.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>

#include <gtest/gtest.h>

using KorvaneTesting::ProcessResult;
using KorvaneTesting::Simulator;

namespace {

// Simulated devices under management in a settings file (and a state folder) of the test's own.
class ManagedDevices : public ::testing::Test {
protected:
    void Manage(Simulator& sim) {
        std::string pattern = (std::filesystem::temp_directory_path() / "korvanectl-ops-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_directory = pattern;
        setenv("XDG_STATE_HOME", (m_directory / "state").c_str(), 1);
        for (const KorvaneTesting::SimulatedDevice& device : sim.Devices()) {
            ASSERT_EQ(Run({"add", device.ipv4}).exitCode, 0);
            ASSERT_EQ(
                Run({"password", device.hostname, "--save"}, sim.Show(device.index).at("password") + "\n")
                    .exitCode,
                0);
        }
    }
    void TearDown() override {
        unsetenv("XDG_STATE_HOME");
        std::filesystem::remove_all(m_directory);
    }

    ProcessResult Run(std::vector<std::string> args, const std::string& input = std::string()) {
        args.insert(args.end(), {"--settings", (m_directory / "settings").string()});
        return KorvaneTesting::RunProcess(KORVANECTL_PATH, args, input);
    }

    std::filesystem::path m_directory;
};

class ManagedDevicesInLanguage : public KorvaneTesting::InLanguage<ManagedDevices> {};

size_t Count(const std::string& text, const std::string& part) {
    size_t nCount = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++nCount;
    }
    return nCount;
}

} // namespace

TEST_F(ManagedDevices, AnOperationReportsEveryDeviceAndTheSummary) {
    Simulator sim({"--count", "3", "--base", "127.83.5.1", "--http-port", "0"});
    Manage(sim);
    sim.Set(2, "busy", "on");
    const ProcessResult reboot = Run({"reboot", "ks-001", "ks-002", "ks-003", "--yes"});
    EXPECT_EQ(reboot.exitCode, 1);
    EXPECT_EQ(Count(reboot.out, "再起動を実行しました。"), 2u) << reboot.out;
    EXPECT_NE(reboot.out.find("ks-003 (02:4B:53:00:00:03): KORVANE が処理中のため実行できませんでした。"),
              std::string::npos)
        << reboot.out;
    EXPECT_NE(reboot.out.find("正常に終了していない処理があります。"), std::string::npos);

    // A password the device rejects is asked for again on a terminal, and that device tried again.
    sim.Set(2, "busy", "off");
    sim.Set(2, "password", "renewed");
    const ProcessResult retried =
        KorvaneTesting::RunProcess("/usr/bin/script",
                                   {"-qec",
                                    std::string(KORVANECTL_PATH) + " melody start ks-003 --settings " +
                                        (m_directory / "settings").string(),
                                    "/dev/null"},
                                   "y\nrenewed\n");
    EXPECT_EQ(retried.exitCode, 0) << retried.out;
    EXPECT_NE(retried.out.find("管理者パスワードの再設定を今すぐ行いますか？"), std::string::npos)
        << retried.out;
    EXPECT_TRUE(sim.State(2).melody) << retried.out;
    // Given for that run only: the next run asks for it first.
    const ProcessResult next = Run({"melody", "stop", "ks-003"}, "renewed\n");
    EXPECT_EQ(next.exitCode, 0) << next.err;
    EXPECT_NE(next.err.find("認証用パスワードが入力されていません。"), std::string::npos) << next.err;

    const ProcessResult declined = Run({"poweroff", "ks-001"}, "n\n");
    EXPECT_EQ(declined.exitCode, 1);
    EXPECT_NE(declined.err.find("選択された KORVANE を電源 OFF します。"), std::string::npos);
    EXPECT_NE(sim.State(0).power, "off") << "not confirmed, not done";
}

TEST_F(ManagedDevices, NewAlertsArePrintedAndMailedOnceAcrossRuns) {
    Simulator sim({"--count", "2", "--base", "127.83.6.1", "--http-port", "0"});
    Manage(sim);
    MailTesting::ScriptedServer smtp([](MailTesting::ScriptedSession& session) {
        MailTesting::ServeSmtp(session, MailTesting::SmtpBehaviour{});
    });
    ASSERT_EQ(Run({"mail", "set", "--smtp-server", "127.84.0.1", "--smtp-port", std::to_string(smtp.Port()),
                   "--from", "admin@korvane.test", "--to", "ops@korvane.test", "--notify", "on"})
                  .exitCode,
              0);
    ASSERT_EQ(Run({"update", "--status"}).exitCode, 0);
    EXPECT_TRUE(smtp.Transcripts().empty()) << "nothing is wrong yet";

    sim.InfoSet(1, "statusinfo/status/error[@type='capacity']/param", "NG");
    sim.InfoSet(1, "statusinfo/status/@condition", "NOTIFY");
    const ProcessResult alerted = Run({"update", "--status"});
    ASSERT_EQ(alerted.exitCode, 0) << alerted.err;
    EXPECT_NE(alerted.out.find("注意状態の KORVANE が見つかりました。"), std::string::npos) << alerted.out;
    EXPECT_NE(alerted.out.find("・容量の警告がでています。"), std::string::npos) << alerted.out;
    const std::string mailed =
        KorvaneTesting::ChildText(Zelt::Text::CliErrorMailOutcome, {"", KorvaneTesting::ChildText(Zelt::Text::MailSent)});
    EXPECT_NE(alerted.out.find(mailed), std::string::npos) << alerted.out;
    ASSERT_EQ(smtp.Transcripts().size(), 1u);

    const ProcessResult again = Run({"update", "--status"});
    EXPECT_EQ(again.out.find("注意状態の KORVANE"), std::string::npos) << "the same alert is not new";
    EXPECT_EQ(smtp.Transcripts().size(), 1u);
}

TEST_F(ManagedDevices, AnUpdateNamesWhatItCouldNotAskAndTheStateOutlivesTheRun) {
    Simulator sim({"--count", "3", "--base", "127.83.8.1", "--http-port", "0"});
    Manage(sim);
    sim.Set(1, "mode", "refuse");
    sim.Set(2, "password", "changed on the device");
    const ProcessResult update = Run({"update", "--status"});
    EXPECT_EQ(update.exitCode, 1) << update.err;
    EXPECT_EQ(update.err.find("ks-001"), std::string::npos) << update.err;
    EXPECT_NE(update.err.find("ks-002 (02:4B:53:00:00:02): 127.83.8.2 のポート 51055 に接続できませんでした"
                              "（Connection refused）"),
              std::string::npos)
        << update.err;
    EXPECT_NE(update.err.find("ks-003 (02:4B:53:00:00:03): 認証用パスワードが拒否されました"),
              std::string::npos)
        << update.err;

    const ProcessResult json = Run({"update", "--status", "--json"});
    EXPECT_EQ(json.exitCode, 1);
    const nlohmann::json outcomes = nlohmann::json::parse(json.out);
    ASSERT_EQ(outcomes.size(), 3u) << json.out;
    EXPECT_TRUE(outcomes[0]["failure"].is_null());
    EXPECT_EQ(outcomes[1]["name"], "ks-002");
    EXPECT_NE(outcomes[1]["failure"].get<std::string>().find("接続できませんでした"), std::string::npos);
    EXPECT_EQ(outcomes[2]["result"], 0) << "a rejected password is no failed exchange";

    // Another process reads what the update saved.
    const nlohmann::json rows = nlohmann::json::parse(Run({"list", "--json"}).out);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0]["state"], 0);
    EXPECT_TRUE(rows[0]["answered"].get<bool>());
    EXPECT_TRUE(std::regex_match(rows[0]["lastUpdate"].get<std::string>(),
                                 std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)")))
        << rows[0];
    EXPECT_EQ(rows[1]["state"], 2) << "a device that did not answer is no healthy device";
    EXPECT_EQ(rows[1]["stateText"], "接続エラー");
    EXPECT_FALSE(rows[1]["answered"].get<bool>());
    EXPECT_NE(Run({"list"}).out.find("接続エラー"), std::string::npos);

    sim.Set(1, "mode", "normal");
    sim.Set(2, "password", "pw003");
    const ProcessResult again = Run({"update", "--status"});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(nlohmann::json::parse(Run({"list", "--json"}).out)[1]["state"], 0);
}

TEST_P(ManagedDevicesInLanguage, IntervalAndWebPages) {
    Simulator sim({"--count", "2", "--base", Address("127.83.7.1"), "--http-port", "0"});
    Manage(sim);
    EXPECT_EQ(Run({"interval"}).out, Text(Zelt::Text::CliNoAutomaticUpdate) + "\n");
    EXPECT_EQ(Run({"interval", "15"}).exitCode, 2);
    EXPECT_EQ(Run({"interval", "30"}).out, Text(Zelt::Text::CliIntervalMinutes, {"30"}) + "\n");
    const ProcessResult pages = Run({"webpage", "ip", "ks-001", "ks-002"});
    EXPECT_EQ(pages.exitCode, 0) << pages.err;
    EXPECT_EQ(pages.out, "http://" + Address("127.83.7.1") +
                             "/detail/basic/network/network.cgi\n"
                             "http://" +
                             Address("127.83.7.2") + "/login/admin/network/lan1/ipv4/ipv4\n");

    // --open hands each URL to the xdg-open on the PATH as one argument.
    const std::filesystem::path bin = m_directory / "bin";
    std::filesystem::create_directories(bin);
    const std::filesystem::path opened = m_directory / "opened";
    std::ofstream(bin / "xdg-open") << "#!/bin/sh\nprintf '%s|%s\\n' \"$#\" \"$1\" >>'" << opened.string()
                                    << "'\n";
    std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
    const std::string path = std::getenv("PATH");
    setenv("PATH", (bin.string() + ":" + path).c_str(), 1);
    const ProcessResult open = Run({"webpage", "ip", "ks-002", "--open"});
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(open.exitCode, 0) << open.err;
    std::ifstream openedFile(opened);
    std::string line;
    ASSERT_TRUE(std::getline(openedFile, line)) << "xdg-open did not run";
    EXPECT_EQ(line, "1|http://" + Address("127.83.7.2") + "/login/admin/network/lan1/ipv4/ipv4");
}

KORVANE_IN_BOTH_LANGUAGES(ManagedDevicesInLanguage);

namespace {

// A run of korvanectl: the command's row in docs/json.md, its arguments and its exit code.
struct JsonRun {
    std::string documented;
    std::vector<std::string> args;
    int exitCode = 0;
};

// Runs each command (with the settings of the test) and checks its output against the schema and
// its exit code.
void CheckJson(KorvaneTesting::JsonSchema& schema, const std::vector<JsonRun>& runs,
               const std::function<ProcessResult(const std::vector<std::string>&)>& run) {
    for (const JsonRun& json : runs) {
        const ProcessResult result = run(json.args);
        SCOPED_TRACE(::testing::PrintToString(json.args) + "\n" + result.err);
        EXPECT_EQ(result.exitCode, json.exitCode);
        const nlohmann::json output = nlohmann::json::parse(result.out, nullptr, false);
        ASSERT_FALSE(output.is_discarded()) << "standard output is one JSON document";
        for (const std::string& problem : schema.Problems(output, schema.CommandType(json.documented))) {
            ADD_FAILURE() << problem;
        }
    }
}

} // namespace

// docs/json.md is the schema: every command's keys are exactly those documented, each value of its
// documented type, and no value is "" or "-"; over devices that answer and fail, in a group and in
// none, with and without eSATA and quota.
TEST_F(ManagedDevices, EveryCommandPrintsTheJsonThatDocsJsonDescribes) {
    Simulator sim({"--count", "3", "--base", "127.83.29.1", "--http-port", "0"});
    Manage(sim);
    ASSERT_EQ(Run({"group", "create", "棚 A", "ks-001", "ks-002"}).exitCode, 0);
    ASSERT_EQ(Run({"mail", "set", "--smtp-server", "127.84.0.1", "--from", "a@korvane.test", "--to",
                   "b@korvane.test", "--auth", "plain", "--auth-user", "u", "--auth-password"},
                  "secret\n")
                  .exitCode,
              0);
    KorvaneTesting::JsonSchema schema = KorvaneTesting::JsonSchema::FromDocs();
    const auto run = [this](const std::vector<std::string>& args) { return Run(args); };
    std::vector<JsonRun> runs = {
        {"`list --json`", {"list", "--json"}},
        {"`group list --json`", {"group", "list", "--json"}},
        {"`group show NAME --json`", {"group", "show", "棚 A", "--json"}},
        {"`interval --json`", {"interval", "30", "--json"}},
        {"`settings path --json`", {"settings", "path", "--json"}},
        {"`mail show --json`", {"mail", "show", "--json"}},
        {"`webpage PAGE NAME --json`", {"webpage", "ip", "ks-001", "ks-002", "ks-003", "--json"}},
        {"`webpage PAGE NAME --json`", {"webpage", "quota", "ks-001", "ks-002", "ks-003", "--json"}},
        {"`detail NAME --json`", {"detail", "ks-002", "--json"}},
        {"`detail NAME --json`", {"detail", "ks-003", "--json"}}};
    for (int nSection = 0; nSection <= 11; ++nSection) {
        runs.push_back(
            {"`detail NAME --json`", {"detail", "ks-001", "--json", "--section", std::to_string(nSection)}});
    }
    CheckJson(schema, runs, run);
    CheckJson(schema,
              {{"`info ADDRESS --json`", {"info", "127.83.29.2", "--json"}},
               {"`resolve TEXT --json`", {"resolve", "127.83.29.1", "--json"}},
               {"`resolve TEXT --json`", {"resolve", "::1", "--json"}}},
              [](const std::vector<std::string>& args) {
                  return KorvaneTesting::RunProcess(KORVANECTL_PATH, args);
              });

    sim.Set(1, "busy", "on");
    sim.Set(2, "mode", "refuse");
    CheckJson(schema,
              {{"`melody start`", {"melody", "start", "ks-001", "ks-002", "--json"}, 1},
               {"`update --json`", {"update", "--status", "--json"}, 1},
               {"`list --json`", {"list", "--json"}},
               {"`detail NAME --json`", {"detail", "ks-003", "--json"}, 1}},
              run);

    // Discovery and the Wake-on-LAN broadcast are checked between test hosts (KorvanectlDiscover).
    EXPECT_EQ(schema.Unseen(),
              (std::set<std::string>{"discovered-device", "discovery", "discovery-protocols", "wake"}));
}
