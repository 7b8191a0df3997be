// korvanectl's commands on the settings file, against simulated devices.
#include "ScriptedServer.h"
#include "ScriptedSmtp.h"
#include "admin/ReportWriter.h"
#include "admin/SettingsLock.h"
#include "common/ProcessRun.h"
#include "common/Simulator.h"
#include "common/TextsInLanguage.h"

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

using KorvaneTesting::ProcessResult;

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts(1);
    for (const char c : text) {
        if (c == separator) {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines = Split(text, '\n');
    if (lines.back().empty()) {
        lines.pop_back();
    }
    return lines;
}

// Where a cell of an aligned line can begin at the earliest: after the cells before it and at
// least one space each.
size_t CellSearchStart(const std::string& line, const std::vector<std::string>& cells, size_t column) {
    size_t start = 0;
    for (size_t i = 0; i < column; ++i) {
        start = line.find(cells[i], start) + cells[i].size() + 1;
    }
    return std::min(start, line.size());
}

// A settings file of its own for each test, removed afterwards.
class SettingsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "korvanectl-admin-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_directory = pattern;
        m_settings = (m_directory / "settings").string();
    }
    void TearDown() override { std::filesystem::remove_all(m_directory); }

    ProcessResult Run(std::vector<std::string> args, const std::string& input = std::string()) {
        args.insert(args.end(), {"--settings", m_settings});
        return KorvaneTesting::RunProcess(KORVANECTL_PATH, args, input);
    }

    std::filesystem::path m_directory;
    std::string m_settings;
};

// The commands whose texts matter, once in each language.
class SettingsInLanguage : public KorvaneTesting::InLanguage<SettingsFixture> {};

std::string FileBytes(const std::filesystem::path& path) {
    std::ifstream input(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(input), std::istreambuf_iterator<char>());
}

// Permissions stop root from nothing: as root, the command runs as the unprivileged user.
ProcessResult RunWithoutPrivileges(std::vector<std::string> args) {
    if (geteuid() != 0) {
        return KorvaneTesting::RunProcess(KORVANECTL_PATH, args);
    }
    args.insert(args.begin(), {"--reuid=65534", "--regid=65534", "--clear-groups", KORVANECTL_PATH});
    return KorvaneTesting::RunProcess("/usr/bin/setpriv", args);
}

} // namespace

TEST_P(SettingsInLanguage, DevicesAreAddedListedGroupedAndRemoved) {
    KorvaneTesting::Simulator sim({"--count", "2", "--base", Address("127.83.1.1"), "--http-port", "0"});
    // Nothing answers at 127.83.1.9 and 0.0.0.0 would be this machine: the run fails, but the two
    // devices that answered are kept.
    const ProcessResult added =
        Run({"add", Address("127.83.1.1"), Address("127.83.1.9"), "0.0.0.0", Address("127.83.1.2")});
    EXPECT_EQ(added.exitCode, 1);
    EXPECT_NE(added.err.find("korvanectl add: " + Text(Zelt::Text::AddressIsThisComputer, {"0.0.0.0"})),
              std::string::npos)
        << added.err;
    for (const KorvaneTesting::SimulatedDevice& device : sim.Devices()) {
        EXPECT_NE(added.out.find(Text(Zelt::Text::CliAdded, {device.hostname, device.mac}) + "\n"),
                  std::string::npos)
            << added.out;
    }
    EXPECT_NE(added.err.find(Address("127.83.1.9") + ": "), std::string::npos) << added.err;

    const ProcessResult listed = Run({"list", "--json"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    const nlohmann::json rows = nlohmann::json::parse(listed.out);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].at("host"), "ks-001");
    EXPECT_EQ(rows[0].at("status"), Text(Zelt::Text::StatusNormal));
    EXPECT_EQ(rows[1].at("ip"), Address("127.83.1.2"));
    EXPECT_EQ(rows[1].at("key"), "02:4B:53:00:00:02") << "keys are upper case, whatever the device reports";

    ASSERT_EQ(Run({"group", "create", "棚 A", "ks-001"}).exitCode, 0);
    const ProcessResult duplicate = Run({"group", "create", "棚 A"});
    EXPECT_EQ(duplicate.exitCode, 1);
    EXPECT_EQ(duplicate.err, "korvanectl group: " + Text(Zelt::Text::GroupNameTaken) + "\n");
    ASSERT_EQ(Run({"group", "edit", "棚 A", "--rename", "棚 B", "ks-001", "02:4b:53:00:00:02"}).exitCode, 0);
    EXPECT_EQ(nlohmann::json::parse(Run({"list", "--group", "棚 B", "--json"}).out).size(), 2u);

    ASSERT_EQ(Run({"remove", "ks-002"}).exitCode, 0);
    EXPECT_EQ(Run({"group", "show", "棚 B"}).out, "02:4B:53:00:00:01\tks-001\n");
    EXPECT_EQ(Run({"group", "delete", "棚 B"}).exitCode, 0);
    EXPECT_EQ(Run({"group", "list"}).out, "");
    EXPECT_EQ(nlohmann::json::parse(Run({"list", "--json"}).out).size(), 1u)
        << "the device outlives its group";
}

// Through a pipe the cells are tab-separated; on a terminal (script gives korvanectl one) the same
// cells start at the same display column on every line, Japanese headers counting two per character.
TEST_F(SettingsFixture, ListLinesAreAlignedOnATerminalAndTabSeparatedElsewhere) {
    KorvaneTesting::Simulator sim({"--count", "2", "--base", "127.83.5.1", "--http-port", "0"});
    sim.Set(1, "hostname", "棚の-korvane");
    ASSERT_EQ(Run({"add", "127.83.5.1", "127.83.5.2"}).exitCode, 0);

    const ProcessResult piped = Run({"list"});
    ASSERT_EQ(piped.exitCode, 0) << piped.err;
    std::vector<std::vector<std::string>> cells;
    for (const std::string& line : Lines(piped.out)) {
        cells.push_back(Split(line, '\t'));
        EXPECT_EQ(cells.back().size(), cells.front().size()) << line;
        EXPECT_FALSE(cells.back().back().empty()) << "no trailing tab: " << line;
    }
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_NE(piped.out.find("棚の-korvane"), std::string::npos);
    EXPECT_EQ(Run({"list", "--no-headers"}).out, piped.out.substr(piped.out.find('\n') + 1));

    const ProcessResult shown = KorvaneTesting::RunProcess(
        "/usr/bin/script",
        {"-qec", std::string(KORVANECTL_PATH) + " --settings " + m_settings + " list", "/dev/null"});
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    std::string text = shown.out;
    std::erase(text, '\r');
    const std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), cells.size()) << text;
    for (size_t column = 0; column < cells.front().size(); ++column) {
        std::set<int> starts;
        for (size_t row = 0; row < lines.size(); ++row) {
            const size_t at =
                lines[row].find(cells[row][column], CellSearchStart(lines[row], cells[row], column));
            ASSERT_NE(at, std::string::npos) << lines[row];
            starts.insert(Korvane::CReportWriter::DisplayWidth(std::string_view(lines[row]).substr(0, at)));
        }
        EXPECT_EQ(starts.size(), 1u) << "column " << column << " in\n" << text;
    }
    EXPECT_EQ(lines.back().back(), cells.back().back().back()) << "no padding after the last cell";
}

KORVANE_IN_BOTH_LANGUAGES(SettingsInLanguage);

TEST_P(SettingsInLanguage, ANameSharedByTwoDevicesIsRefusedWithTheirMacs) {
    KorvaneTesting::Simulator sim({"--count", "2", "--base", Address("127.83.2.1"), "--http-port", "0"});
    sim.Set(1, "hostname", "ks-001");
    ASSERT_EQ(Run({"add", Address("127.83.2.1")}).exitCode, 0);
    ASSERT_EQ(Run({"add", Address("127.83.2.2")}).exitCode, 0);
    const ProcessResult ambiguous = Run({"remove", "ks-001"});
    EXPECT_EQ(ambiguous.exitCode, 1);
    EXPECT_EQ(ambiguous.err, "korvanectl remove: " +
                                 Text(Zelt::Text::CliSeveralDevicesNamed,
                                      {"ks-001", " 02:4B:53:00:00:01 02:4B:53:00:00:02"}) +
                                 "\n");
    EXPECT_EQ(nlohmann::json::parse(Run({"list", "--json"}).out).size(), 2u) << "nothing was removed";
    EXPECT_EQ(Run({"remove", "02:4B:53:00:00:02"}).exitCode, 0);
}

TEST_F(SettingsFixture, ThePasswordIsKeptAndTheDetailReportFetchedWithIt) {
    KorvaneTesting::Simulator sim({"--count", "1", "--base", "127.83.3.1", "--http-port", "0"});
    ASSERT_EQ(Run({"add", "127.83.3.1"}).exitCode, 0);
    const ProcessResult noPassword = Run({"detail", "ks-001"});
    EXPECT_EQ(noPassword.exitCode, 1);
    EXPECT_NE(noPassword.err.find("認証パスワードが設定されていません。"), std::string::npos)
        << noPassword.err;

    const ProcessResult stored = Run({"password", "ks-001", "--save"}, "pw001\n");
    ASSERT_EQ(stored.exitCode, 0) << stored.err;
    EXPECT_EQ(stored.out, "認証用パスワード ： 設定済み\n");
    const ProcessResult report = Run({"detail", "ks-001", "--section", "1"});
    ASSERT_EQ(report.exitCode, 0) << report.err;
    EXPECT_EQ(report.out.rfind("【システム情報】 \r\n", 0), 0u) << report.out;
    EXPECT_NE(report.out.find("QRX-XR4"), std::string::npos);

    const ProcessResult unknown = Run({"password", "ks-001", "ks-009", "--save"}, "wrong\n");
    EXPECT_EQ(unknown.exitCode, 1) << "no device is named ks-009";
    EXPECT_NE(Run({"settings", "dump"}).out.find("<adminpasswd>pw001</adminpasswd>"), std::string::npos)
        << "a name that does not resolve changes nothing";
    ASSERT_EQ(Run({"password", "ks-001", "--save"}, "wrong\n").exitCode, 0);
    const ProcessResult rejected = Run({"detail", "ks-001"});
    EXPECT_NE(rejected.err.find("パスワード認証に失敗しました。"), std::string::npos) << rejected.err;
    EXPECT_NE(Run({"settings", "dump"}).out.find("<adminpasswd>wrong</adminpasswd>"), std::string::npos);
}

TEST_F(SettingsFixture, WhatIsNoRegularFileIsRefusedAtOnceAndLeftWhereItIs) {
    // A FIFO without a writer would hold a plain open for ever.
    ASSERT_EQ(mkfifo(m_settings.c_str(), 0600), 0);
    const std::string refused = m_settings + " は通常のファイルではありません。";
    const std::vector<std::vector<std::string>> commands = {
        {"list"}, {"interval", "30"}, {"settings", "dump"}, {"firmware", m_settings, "ks-001"}};
    for (const std::vector<std::string>& command : commands) {
        const ProcessResult result = Run(command);
        EXPECT_EQ(result.exitCode, 1) << command.front();
        EXPECT_NE(result.err.find(refused), std::string::npos) << result.err;
    }
    const ProcessResult request =
        KorvaneTesting::RunProcess(KORVANECTL_PATH, {"request", "setinfo", "--infonode-file", m_settings});
    EXPECT_EQ(request.exitCode, 2);
    EXPECT_NE(request.err.find(refused), std::string::npos) << request.err;

    EXPECT_EQ(std::filesystem::status(m_settings).type(), std::filesystem::file_type::fifo);
    for (const auto& entry : std::filesystem::directory_iterator(m_directory)) {
        EXPECT_TRUE(entry.path() == m_settings || entry.path() == m_settings + ".lock") << entry.path();
    }
}

TEST_P(SettingsInLanguage, ChangesAreRefusedWhileAnotherProgramHoldsTheSettings) {
    KorvaneTesting::Simulator sim({"--count", "1", "--base", Address("127.83.4.1"), "--http-port", "0"});
    ASSERT_EQ(Run({"add", Address("127.83.4.1")}).exitCode, 0);
    Korvane::CSettingsLock desktop(m_settings);
    ASSERT_TRUE(desktop.IsHeld());
    const ProcessResult refused = Run({"group", "create", "g"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "korvanectl group: " +
                               Text(Zelt::Text::CliSettingsHeldByDesktop,
                                    {Text(Zelt::Text::SettingsInUseByProcess, {std::to_string(getpid())})}) +
                               "\n");
    EXPECT_EQ(Run({"list", "--json"}).exitCode, 0) << "reading still works";
    EXPECT_EQ(Run({"group", "list"}).out, "") << "nothing was changed";
}

// The monitor locks the settings only to save, and saves into the file as others left it.
TEST_F(SettingsFixture, OtherCommandsChangeTheSettingsWhileTheMonitorRunsAndItKeepsTheirChanges) {
    KorvaneTesting::Simulator sim({"--count", "1", "--base", "127.83.4.1", "--http-port", "0"});
    ASSERT_EQ(Run({"add", "127.83.4.1"}).exitCode, 0);
    const std::string log = (m_directory / "monitor.log").string();
    const pid_t monitor =
        KorvaneTesting::StartLogged({KORVANECTL_PATH, "monitor", "--settings", m_settings}, log);
    const std::string monitoring = KorvaneTesting::ChildTextPiece(Zelt::Text::CliMonitoring, 1);
    for (int i = 0; i < 500 && FileBytes(log).find(monitoring) == std::string::npos; ++i) {
        usleep(10000);
    }
    const ProcessResult changed = Run({"group", "create", "g", "ks-001"});
    EXPECT_EQ(changed.exitCode, 0) << changed.err;
    kill(monitor, SIGTERM); // how a service manager stops it: a clean end
    int status = 0;
    ASSERT_EQ(waitpid(monitor, &status, 0), monitor);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << FileBytes(log);
    EXPECT_EQ(Run({"group", "show", "g"}).out, "02:4B:53:00:00:01\tks-001\n") << FileBytes(log);
}

TEST_F(SettingsFixture, MailSettingsAreCheckedStoredAndTested) {
    const ProcessResult incomplete = Run({"mail", "set", "--smtp-server", "127.84.0.1"});
    EXPECT_EQ(incomplete.exitCode, 1);
    EXPECT_NE(incomplete.err.find(
                  "メールの送信に必要な項目が入力されていません。入力されていない項目：--from, --to\n"),
              std::string::npos)
        << incomplete.err;
    const ProcessResult authIncomplete =
        Run({"mail", "set", "--smtp-server", "h", "--from", "a@b", "--to", "c@d", "--auth", "plain"});
    EXPECT_NE(authIncomplete.err.find("入力されていない項目：--auth-user, --auth-password\n"),
              std::string::npos)
        << authIncomplete.err;
    for (const char* port : {"0", "65536", "-25", "25x", ""}) {
        const ProcessResult refused =
            Run({"mail", "set", "--smtp-server", "h", "--from", "a@b", "--to", "c@d", "--smtp-port", port});
        EXPECT_EQ(refused.exitCode, 1) << port;
        EXPECT_NE(refused.err.find("--smtp-port のポート番号 " + std::string(port) + " は使えません。"),
                  std::string::npos)
            << refused.err;
    }
    EXPECT_NE(Run({"mail", "set", "--pop-port", "99999"}).err.find("--pop-port のポート番号 99999"),
              std::string::npos);
    EXPECT_NE(Run({"mail", "show"}).out.find("smtp-server: \n"), std::string::npos) << "nothing was stored";

    MailTesting::ScriptedServer server([](MailTesting::ScriptedSession& session) {
        MailTesting::ServeSmtp(session, MailTesting::SmtpBehaviour{});
    });
    ASSERT_EQ(Run({"mail", "set", "--smtp-server", "127.84.0.1", "--smtp-port", std::to_string(server.Port()),
                   "--from", "admin@korvane.test", "--to", "ops@korvane.test", "--encoding", "utf-8",
                   "--notify", "on"})
                  .exitCode,
              0);
    const ProcessResult shown = Run({"mail", "show"});
    EXPECT_NE(shown.out.find("notify: on\n"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("encoding: utf-8\n"), std::string::npos) << shown.out;

    const ProcessResult sent = Run({"mail", "test"});
    EXPECT_EQ(sent.exitCode, 0) << sent.err;
    EXPECT_EQ(sent.out, "メールの送信が完了しました。\n");
    const std::vector<std::string> transcripts = server.Transcripts();
    ASSERT_EQ(transcripts.size(), 1u);
    EXPECT_NE(transcripts[0].find("RCPT TO: <ops@korvane.test>"), std::string::npos);
    EXPECT_NE(MailTesting::MessageOf(transcripts[0]).find("Subject: =?UTF-8?B?"), std::string::npos);

    // Options override the stored values for the test only.
    const ProcessResult refused = Run({"mail", "test", "--smtp-port", "1"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, "メールの送信に失敗しました。\n");

    // A password is read from standard input, never taken from the command line.
    EXPECT_EQ(Run({"mail", "set", "--smtp-server", "h", "--auth-password", "secret"}).exitCode, 2);
    const ProcessResult withAuth = Run({"mail", "set", "--smtp-server", "h", "--from", "a@b", "--to", "c@d",
                                        "--auth", "plain", "--auth-user", "u", "--auth-password"},
                                       "secret\n");
    EXPECT_EQ(withAuth.exitCode, 0) << withAuth.err;
    EXPECT_NE(Run({"mail", "show"}).out.find("auth-password: ********\n"), std::string::npos);

    // Without connection security PLAIN sends its password readable: set warns. A security keeps
    // the port the user gave; a certificate file must be readable.
    EXPECT_NE(withAuth.err.find("暗号化されずにネットワークを流れます"), std::string::npos) << withAuth.err;
    EXPECT_EQ(Run({"mail", "set", "--smtp-security", "starttls", "--ca-file", m_settings + ".none"}).exitCode,
              1);
    const ProcessResult secured =
        Run({"mail", "set", "--smtp-security", "starttls", "--ca-file", m_settings});
    EXPECT_EQ(secured.exitCode, 0) << secured.err;
    EXPECT_EQ(secured.err.find("暗号化されずに"), std::string::npos) << secured.err;
    const std::string securedShown = Run({"mail", "show"}).out;
    EXPECT_NE(securedShown.find("smtp-security: starttls\n"), std::string::npos) << securedShown;
    EXPECT_NE(securedShown.find("smtp-port: " + std::to_string(server.Port()) + "\n"), std::string::npos)
        << securedShown;
    EXPECT_NE(securedShown.find("ca-file: " + m_settings + "\n"), std::string::npos) << securedShown;
}

// A file that cannot be opened may well be whole: the command stops with the path and the system's
// reason, and the file is neither set aside nor replaced.
TEST_F(SettingsFixture, ASettingsFileThatCannotBeOpenedStopsTheCommandAndStaysAsItWas) {
    if (geteuid() == 0 &&
        (access("/usr/bin/setpriv", X_OK) != 0 || RunWithoutPrivileges({"--version"}).exitCode != 0)) {
        GTEST_SKIP() << "korvanectl cannot run as a user whom permissions stop";
    }
    ASSERT_EQ(Run({"group", "create", "g"}).exitCode, 0);
    const std::string original = FileBytes(m_settings);
    ASSERT_EQ(chmod(m_settings.c_str(), 0), 0);
    // The unprivileged user may take the lock, but not read the file.
    ASSERT_EQ(chmod(m_directory.c_str(), 0777), 0);
    std::filesystem::remove(m_settings + ".lock");
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"list"}, std::vector<std::string>{"add", "127.83.5.1"}}) {
        std::vector<std::string> args = command;
        args.insert(args.end(), {"--settings", m_settings});
        const ProcessResult refused = RunWithoutPrivileges(args);
        EXPECT_EQ(refused.exitCode, 1) << command.front();
        EXPECT_NE(
            refused.err.find("設定ファイル " + m_settings + " を開けません（" + std::strerror(EACCES) + "）"),
            std::string::npos)
            << refused.err;
    }
    const ProcessResult dumped = RunWithoutPrivileges({"settings", "dump", "--settings", m_settings});
    EXPECT_EQ(dumped.exitCode, 1);
    EXPECT_NE(dumped.err.find(
                  KorvaneTesting::ChildText(Zelt::Text::FileCannotOpen, {m_settings, std::strerror(EACCES)})),
              std::string::npos)
        << dumped.err;
    ASSERT_EQ(chmod(m_settings.c_str(), 0600), 0);
    EXPECT_EQ(FileBytes(m_settings), original);
    for (const auto& entry : std::filesystem::directory_iterator(m_directory)) {
        EXPECT_TRUE(entry.path() == m_settings || entry.path() == m_settings + ".lock") << entry.path();
    }
}

// An export is plain XML that a fresh settings path imports whole; a file that is no export is
// refused and changes nothing.
TEST_F(SettingsFixture, ExportedSettingsImportWholeAndGarbageIsRefused) {
    KorvaneTesting::Simulator sim({"--count", "2", "--base", "127.83.6.1", "--http-port", "0"});
    ASSERT_EQ(Run({"add", "127.83.6.1", "127.83.6.2"}).exitCode, 0);
    ASSERT_EQ(Run({"group", "create", "棚 A", "ks-002"}).exitCode, 0);
    ASSERT_EQ(Run({"password", "ks-001", "--save"}, "pw001\n").exitCode, 0);
    ASSERT_EQ(Run({"mail", "set", "--smtp-server", "127.84.0.1", "--from", "admin@korvane.test", "--to",
                   "ops@korvane.test"})
                  .exitCode,
              0);
    const std::string backup = (m_directory / "backup.xml").string();
    const ProcessResult exported = Run({"settings", "export", backup});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_EQ(std::filesystem::status(backup).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_NE(FileBytes(backup).find("<adminpasswd>pw001</adminpasswd>"), std::string::npos) << "plain XML";

    const std::string fresh = (m_directory / "fresh" / "settings").string();
    const auto inFresh = [&](std::vector<std::string> args) {
        args.insert(args.end(), {"--settings", fresh});
        return KorvaneTesting::RunProcess(KORVANECTL_PATH, args);
    };
    const ProcessResult imported = inFresh({"settings", "import", backup});
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    const std::string dumped = Run({"settings", "dump"}).out;
    EXPECT_EQ(inFresh({"settings", "dump"}).out, dumped);
    EXPECT_NE(dumped.find("ops@korvane.test"), std::string::npos);

    const std::string garbage = (m_directory / "garbage").string();
    const std::string before = FileBytes(fresh);
    for (const std::string& bytes : {std::string("not settings at all"), FileBytes(m_settings),
                                     std::string("<?xml version=\"1.0\"?><other/>")}) {
        std::ofstream(garbage, std::ios::binary | std::ios::trunc) << bytes;
        const ProcessResult refused = inFresh({"settings", "import", garbage});
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_NE(refused.err.find(garbage + " は KORVANE Admin の設定として読み込めません。"),
                  std::string::npos)
            << refused.err;
    }
    EXPECT_EQ(inFresh({"settings", "export", fresh}).exitCode, 1) << "the settings file itself";
    EXPECT_EQ(FileBytes(fresh), before);
    EXPECT_EQ(inFresh({"settings", "import", garbage + ".missing"}).exitCode, 1);
    EXPECT_EQ(inFresh({"settings", "export"}).exitCode, 2);
}
