#include "support/StringTable.h"

#include "common/BothLanguages.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using Zelt::CStringTable;

struct Expected {
    int id;
    std::string_view text;
};

void ExpectTexts(std::initializer_list<Expected> expected) {
    for (const Expected& e : expected) {
        EXPECT_EQ(CStringTable::Text(e.id), e.text) << "id " << e.id;
    }
}

// Display columns of UTF-8 text in a monospace font: East Asian wide and full-width characters
// take two columns (enough of the ranges for Japanese text).
int DisplayWidth(std::string_view text) {
    int width = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        char32_t cp = lead;
        std::size_t length = 1;
        if (lead >= 0xF0) {
            cp = lead & 0x07;
            length = 4;
        } else if (lead >= 0xE0) {
            cp = lead & 0x0F;
            length = 3;
        } else if (lead >= 0xC0) {
            cp = lead & 0x1F;
            length = 2;
        }
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        i += length;
        const bool wide = (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
                          (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
                          (cp >= 0xFF00 && cp <= 0xFF60) || (cp >= 0xFFE0 && cp <= 0xFFE6);
        width += wide ? 2 : 1;
    }
    return width;
}

// The display column of the ": " that ends the label part of a report line.
int ColonColumn(std::string_view line) {
    const std::size_t colon = line.find(" : ");
    if (colon == std::string_view::npos) {
        return -1;
    }
    return DisplayWidth(line.substr(0, colon + 1));
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find("\r\n");
        if (end == std::string_view::npos) {
            lines.push_back(text);
            break;
        }
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end + 2);
    }
    return lines;
}

// The disk line of the RAID section as the report fills it: number, state, vendor, name, firmware.
std::string FormatDiskLine(std::string_view format, int number) {
    char buffer[256];
    const std::string pattern(format);
    std::snprintf(buffer, sizeof buffer, pattern.c_str(), number, "a", "b", "c", "d");
    return buffer;
}

// ---------------------------------------------------------------------------------------------
// The texts as the program shows them, a sample of every range.

TEST(StringTableTexts, MessagesAndDialogTexts) {
    ExpectTexts({
        {10000, "すべての KORVANE"},
        {10001, "操作の対象が選択されていません。"},
        {10002, "処理をキャンセルしますか？"},
        {10003, "複数の KORVANE を指定することができません。\n対象を 1 台だけ選択して下さい。"},
        {10004, "KORVANE Admin を終了してもよろしいですか？"},
        {10007, "メールの送信に必要な項目が入力されていません。"},
        {10011, "現在の省電力モードの情報を取得していないので、情報が反映できていません。\n"
                "現在の設定上を取得する場合は認証用の管理者パスワードを入力して情報の更新を行ってください。"},
        {10015, "設定ファイルが破損しています。\n初期設定で起動します。"},
        {10016, "検索中に通信エラーが発生しました。\nネットワークの状態を確認してください。"},
        {10018, "KORVANE Admin は既に起動しています。"},
        {10022, "選択された KORVANE を電源 ON します。"},
        {10024, "KORVANE を検索しています。"},
        {10100, "すべてのファイル (*.*)|*.*||"},
        {10200, "検索"},
        {10201, "中止"},
        {10300, "%sの状態 ( リストの情報取得日時 ： %s ) ："},
        {10400, "QRX-XV"},
        {10401, "KORVANE の名前：%sは\n使用量制限機能に対応していません。"},
    });
}

TEST(StringTableTexts, ColumnHeadersAndValueTexts) {
    ExpectTexts({
        {11000, "KORVANE の名前"},
        {11001, "状態"},
        {11008, "IPv4 アドレス"},
        {11014, "ディスク使用容量 (使用率)"},
        {11016, "S.M.A.R.T. 情報"},
        {11017, "UPS 接続状態"},
        {11101, "%s (%sBytes)"},
        {11102, "%s ℃"},
        {11105, "%s 分後"},
        {11106, "1 時間後"},
        {11107, "%s (%s Bytes) %s"},
        {11114, "暗号解除待ち"},
        {11118, "%d 時間後"},
        {11119, "%d 分後"},
        {11120, "なし"},
        {11125, "NG"},
        {11130, "情報更新エラー(旧状態：%s)"},
    });
}

TEST(StringTableTexts, ProgressAndPasswordTexts) {
    ExpectTexts({
        {11200, "KORVANE の名前"},
        {11201, "進捗"},
        {11205, "処理を開始しました。"},
        {11210, "認証に失敗しました。（パスワードの設定がありません。）"},
        {11212, "認証に失敗した KORVANE が存在します。\n管理者パスワードの再設定を今すぐ行いますか？"},
        {11220, "電源 ON"},
        {11226, "F/W アップデート"},
        {11227, "%sを実行しました。"},
        {11228, "操作"},
        {11229, "%s操作の実行に失敗しました。"},
        {11230, "FW アップデートを開始しました。\nアップデート結果はログ情報を確認ください。"},
        {11400, "認証用パスワードの入力"},
        {11404, "入力されたKORVANE の名前を持つ KORVANE がリストの中にありません。"},
        {11407,
         "現在設定されている認証用パスワードが正しくありません。\n再度認証用パスワードを入力してください。"},
        {11409, "KORVANE の名前 ： %s\n認証用パスワードを設定しました。"},
        {11501, "%d 分"},
        {11600, "認証用パスワード ： 設定済み"},
        {11601,
         "認証用パスワード ： 未設定\u3000（ 一部の項目は情報が取得できません。すべての項目について情報を取得"
         "する場合は、認証用パスワードの設定を行ってください。 ）"},
        {11604, "情報取得結果 ： KORVANE が処理中のため、情報取得が行えませんでした。"},
        {11607, "情報取得結果 ： 通信成功"},
    });
}

TEST(StringTableTexts, MailAlertAndNotificationTexts) {
    ExpectTexts({
        {11700, "メール設定"},
        {11702, "認証なし"},
        {11706, "SMTP AUTH (CRAM-MD5)"},
        {11800, "・ %s : %s"},
        {11802, "KORVANE Admin  -TEST MAIL-"},
        {11803, "これは KORVANE Admin より送信されたテストメールです。"},
        {11804, "KORVANE Adimin"},
        {11805, "KORVANE Admin  - エラー通知 -"},
        {11900, "・正常動作しています。\n"},
        {11901, "・RAID が構成異常エラーを起こしています。\n"},
        {11904,
         "・KORVANE に接続できませんでした。KORVANE の電源またはネットワーク接続を確認してください。\n"},
        {11909, "・お知らせがあります。Web 設定ページより確認してください。\n"},
        {12000, "KORVANE 集中管理アプリケーション\nKORVANE Admin"},
        {12001, "KORVANE Admin 状態通知"},
        {12002, "エラー状態の KORVANE が見つかりました。\n詳細を確認してください。"},
        {12100, "全情報を更新中..."},
        {12101, "ステータス情報の更新中..."},
        {12200, "暗号化"},
        {12206, " + スペアー"},
        {12207, " (%c 台)"},
    });
}

TEST(StringTableTexts, DetailReportTexts) {
    ExpectTexts({
        {20000, "KORVANE 情報"},
        {20004, "eSATA ボリューム情報"},
        {20011, "ログ情報"},
        {20050, "【%s】 \r\n"},
        {20100, "中止"},
        {20101, "更新"},
        {20110, "詳細情報を取得中です..."},
        {20119, "現在 KORVANE が処理中のため、詳細情報取得が実行できませんでした。"},
        {20120, "認証パスワードが設定されていません。"},
        {21000, "プロダクト名"},
        {21009, "net.USB"},
        {21017, "    UPS 接続状態\u3000\u3000\u3000\u3000\u3000\u3000\u3000   \u3000\u3000\u3000  : %s\r\n"},
        {21019, "UPS 警告機能"},
        {21101, "状態"},
        {21102, "    ボリューム情報 :\r\n"
                "        全容量                           : %s\r\n"
                "        使用容量                         : %s\r\n"},
        {21104, "        内蔵ディスク %d                   : %s %s %s %s\r\n"},
        {21106, "    USB ボリューム%d :\r\n"},
        {21203, "    LAN :\r\n"},
        {21208, "    追加設定 :\r\n"},
        {21217, "Wake On LAN"},
        {21225, "\u3000\u3000ドメイン名(NetBIOS 名)               : %s\r\n"},
        {21229, "WINS サーバーアドレス"},
        {21300, "    共有フォルダー : %s\r\n"},
        {21312, "非登録ユーザーからのアクセス拒否"},
        {21314, "    ユーザー     : %s\r\n"},
        {21317, "    グループ     : %s\r\n"},
        {21318, "メンバー"},
        {21400, "、"},
        {21500, "有効 (%s)"},
        {21502, "USB%s"},
        {21602, "暗"},
    });
}

TEST(StringTableTexts, StateAndAddressTexts) {
    ExpectTexts({
        {22000, "接続済"},
        {22001, "未接続"},
        {22005, "故障"},
        {22007, "バッテリー動作"},
        {22009, "不明な状態"},
        {22011, "ミラーリング"},
        {22013, "-"},
        {22016, "LAN1 から自動で取得する"},
        {22018, "手動で設定する"},
        {22020, "拡張ボリューム"},
    });
}

TEST(StringTableTexts, CommandDescriptionsCarryMenuTextAndTooltip) {
    ExpectTexts({
        {32803, "KORVANE の電源を ON にします。\n電源 ON"},
        {32827, "現在選択されているグループに属する KORVANE を一括で電源 ON にします。\n一括電源 ON"},
        {32834, "メロディを鳴らして KORVANE の位置を確認します。\nメロディ開始"},
        {32836, "位置確認のためのメロディをメロディを停止します。\nメロディ停止"},
    });
}

TEST(StringTableTexts, SaveFailureAndMissingTrayTextsExist) {
    EXPECT_FALSE(CStringTable::Text(90000).empty());
    EXPECT_FALSE(CStringTable::Text(90001).empty());
}

// The padded report lines are used verbatim, so their value column must line up with the lines
// the report pads itself (display column 41, full-width characters counting two), in each language.
class ReportLinesInLanguage : public testing::TestWithParam<Zelt::Language> {
protected:
    static std::string_view Text(int id) { return CStringTable::Text(id, GetParam()); }
};

TEST_P(ReportLinesInLanguage, WholeReportLinesAlignTheirValueColumn) {
    for (int id : {21017, 21225}) {
        const std::vector<std::string_view> lines = SplitLines(Text(id));
        ASSERT_EQ(lines.size(), 1u) << "id " << id;
        EXPECT_EQ(ColonColumn(lines[0]), 41) << "id " << id;
    }
    const std::vector<std::string_view> volume = SplitLines(Text(21102));
    ASSERT_EQ(volume.size(), 3u);
    EXPECT_EQ(ColonColumn(volume[1]), 41);
    EXPECT_EQ(ColonColumn(volume[2]), 41);
    // The disk number is one digit on the devices this line is for.
    EXPECT_EQ(ColonColumn(FormatDiskLine(Text(21104), 1)), 41);
}

KORVANE_IN_BOTH_LANGUAGES(ReportLinesInLanguage);

// Every "%" starts %s, %d, %c or %%.
bool ConversionsAreKnown(std::string_view text) {
    for (size_t at = text.find('%'); at != std::string_view::npos; at = text.find('%', at + 2)) {
        if (at + 1 >= text.size() || std::string_view("sdc%").find(text[at + 1]) == std::string_view::npos) {
            return false;
        }
    }
    return true;
}

TEST(StringTableTexts, EveryTextIsUsableAsStored) {
    for (int id : CStringTable::Ids()) {
        const std::string text(CStringTable::Text(id));
        EXPECT_FALSE(text.empty()) << "id " << id;
        // Escapes of the table file must have become the characters they stand for.
        EXPECT_EQ(text.find('\\'), std::string::npos) << "id " << id << ": " << text;
        // A stray "%" would make printf-style formatting read arguments that are not there.
        EXPECT_TRUE(ConversionsAreKnown(text)) << "id " << id << ": " << text;
    }
}

// ---------------------------------------------------------------------------------------------
// Lookup behaviour.

TEST(StringTableLookup, AbsentIdsGiveEmptyText) {
    const std::vector<int> all = CStringTable::Ids();
    const std::set<int> ids(all.begin(), all.end());
    for (int id : {INT_MIN, -1, 0, 1, 1008, 9999, 10025, 11102 + 100, 21999, 32767, 89999, 100000, INT_MAX}) {
        if (ids.count(id) != 0) {
            continue;
        }
        EXPECT_FALSE(CStringTable::Contains(id)) << "id " << id;
        EXPECT_TRUE(CStringTable::Text(id).empty()) << "id " << id;
    }
    EXPECT_FALSE(CStringTable::Contains(10025));
    EXPECT_TRUE(CStringTable::Text(10025).empty());
}

TEST(StringTableLookup, IdsAreSortedUniqueAndAllFound) {
    const std::vector<int> ids = CStringTable::Ids();
    ASSERT_FALSE(ids.empty());
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
    const std::set<int> known(ids.begin(), ids.end());
    // Every id and every gap next to one, first and last entries included, so that the search
    // is exercised at each boundary of the table.
    for (int id : ids) {
        EXPECT_TRUE(CStringTable::Contains(id)) << "id " << id;
        for (int neighbour : {id - 1, id + 1}) {
            if (known.count(neighbour) == 0) {
                EXPECT_FALSE(CStringTable::Contains(neighbour)) << "id " << neighbour;
                EXPECT_TRUE(CStringTable::Text(neighbour).empty()) << "id " << neighbour;
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The program reads its texts by name (Zelt::Text::...), never by a bare number.

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The calls "Text(...)", "TextOf(...)" or "FormatId(...)" in a source text whose arguments (up to
// the first nested call) hold a bare five-digit number, such as "Text(b ? 11401 : 11400)".
std::vector<std::string> NumberedTextCalls(const std::string& content) {
    static const std::regex kCall("\\b(Text|TextOf|FormatId)\\(([^();]*)");
    static const std::regex kNumber("\\b[0-9]{5}\\b");
    std::vector<std::string> calls;
    for (auto it = std::sregex_iterator(content.begin(), content.end(), kCall); it != std::sregex_iterator();
         ++it) {
        if (std::regex_search((*it)[2].str(), kNumber)) {
            calls.push_back(it->str());
        }
    }
    return calls;
}

TEST(StringTableUsage, CodeReadsTextsByName) {
    EXPECT_EQ(NumberedTextCalls("CStringTable::Text(10022); FormatId(\n 90501, {a}); Text(b ? 11401 : 11400)")
                  .size(),
              3u);
    EXPECT_TRUE(
        NumberedTextCalls("CStringTable::Text(Text::ConfirmPowerOn); values.Text(Path(ipv4, \"10000\"));"
                          " WsaErrorText(10004); FormatId(Text::SettingsTooLarge, {std::to_string(10000)})")
            .empty());

    const char* sourceDir = std::getenv("KORVANE_SOURCE_DIR");
    ASSERT_TRUE(sourceDir != nullptr && *sourceDir != '\0')
        << "KORVANE_SOURCE_DIR is not set; run this test through ctest, which sets it to the source tree";
    const fs::path root(sourceDir);
    std::size_t filesScanned = 0;
    for (const char* sub : {"src", "tools"}) {
        ASSERT_TRUE(fs::is_directory(root / sub)) << root / sub;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root / sub)) {
            const fs::path& path = entry.path();
            if (!entry.is_regular_file() || (path.extension() != ".h" && path.extension() != ".cpp")) {
                continue;
            }
            ++filesScanned;
            for (const std::string& call : NumberedTextCalls(ReadFile(path))) {
                ADD_FAILURE() << path.string() << ": " << call << " reads a text by number; use its name";
            }
        }
    }
    EXPECT_GT(filesScanned, 100u);
}

// ---------------------------------------------------------------------------------------------
// The generator that turns res/strings.txt into the table source.

class StringTableGenerator : public ::testing::Test {
protected:
    void SetUp() override {
        const char* sourceDir = std::getenv("KORVANE_SOURCE_DIR");
        ASSERT_TRUE(sourceDir != nullptr && *sourceDir != '\0')
            << "KORVANE_SOURCE_DIR is not set; run this test through ctest, which sets it to the source tree";
        m_script = fs::path(sourceDir) / "cmake/GenerateStringTable.cmake";
        ASSERT_TRUE(fs::exists(m_script)) << m_script;
        std::string pattern = (fs::temp_directory_path() / "korvane-strings-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        m_output = m_dir / "generated/StringTableData.cpp";
    }

    void TearDown() override {
        if (!m_dir.empty()) {
            std::error_code ignored;
            fs::remove_all(m_dir, ignored);
        }
    }

    // Runs the generator on the given table text, as the master (with its header of names) or as
    // another language; returns its exit status and fills the generated source and the
    // generator's output.
    int Generate(const std::string& table, bool bMaster) {
        const fs::path input = m_dir / "strings.txt";
        std::ofstream(input, std::ios::binary) << table;
        const fs::path log = m_dir / "log.txt";
        fs::remove(m_output);
        const std::string command = "cmake -DINPUT='" + input.string() + "' -DOUTPUT='" + m_output.string() +
                                    "' " + (bMaster ? "-DNAMES='" + NamesHeader().string() + "' " : "") +
                                    "-P '" + m_script.string() + "' >'" + log.string() + "' 2>&1";
        const int status = std::system(command.c_str());
        m_log = ReadFile(log);
        m_source = fs::exists(m_output) ? ReadFile(m_output) : std::string();
        return status;
    }

    fs::path NamesHeader() const { return m_dir / "generated/TextIds.h"; }

    // The entry lines of the generated array, in order.
    std::vector<std::string> EntryLines() const {
        std::vector<std::string> entries;
        std::istringstream in(m_source);
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("    {", 0) == 0) {
                entries.push_back(line);
            }
        }
        return entries;
    }

    fs::path m_script;
    fs::path m_dir;
    fs::path m_output;
    std::string m_log;
    std::string m_source;
};

TEST_F(StringTableGenerator, KeepsSemicolonsBracketsEscapesAndQuotes) {
    const std::string table = "# a comment; with [brackets] and a trailing backslash \\\n"
                              "\n"
                              "7 Semicolons \"a;b;;c\"\n"
                              "8 Brackets \"[x] [[y]] ]z[\"\r\n"
                              "9 Escapes \"back\\\\slash \\\"quoted\\\" tab\\t line\\r\\n#not a comment\"\n"
                              "   # indented comment\n"
                              "100 EmptyText \"\"\n";
    ASSERT_EQ(Generate(table, true), 0) << m_log;
    EXPECT_NE(ReadFile(NamesHeader()).find("inline constexpr int EmptyText = 100;"), std::string::npos);
    const std::vector<std::string> entries = EntryLines();
    ASSERT_EQ(entries.size(), 4u) << m_source;
    EXPECT_EQ(entries[0], "    {7, \"a;b;;c\"},");
    EXPECT_EQ(entries[1], "    {8, \"[x] [[y]] ]z[\"},");
    EXPECT_EQ(entries[2], "    {9, \"back\\\\slash \\\"quoted\\\" tab\\t line\\r\\n#not a comment\"},");
    EXPECT_EQ(entries[3], "    {100, \"\"},");
}

TEST_F(StringTableGenerator, RejectsMalformedTablesNamingTheLine) {
    const struct {
        const char* table;
        const char* where;
        bool bMaster = false;
    } cases[] = {
        {"1 \"a\"\n\n1 \"b\"\n", "strings.txt:3:"},             // duplicate id
        {"2 \"a\"\n1 \"b\"\n", "strings.txt:2:"},               // ids out of order
        {"1 \"a\"\n2 b\n", "strings.txt:2:"},                   // text without quotes
        {"1 \"a\"\nx2 \"b\"\n", "strings.txt:2:"},              // not a number
        {"1 \"a\"\n02 \"b\"\n", "strings.txt:2:"},              // leading zero
        {"1 Same \"a\"\n2 Same \"b\"\n", "strings.txt:2:"},     // duplicate name
        {"1 lower \"a\"\n", "strings.txt:1:"},                  // name not an identifier in capitals
        {"1 \"a\"\n2 \"say \"hi\"\"\n", "strings.txt:2:"},      // lone quote inside the text
        {"1 \"a\"\n\n\n2 \"c:\\temp\\x\"\n", "strings.txt:4:"}, // escape C++ would read otherwise
        {"1 \"ends in backslash\\\"\n", "strings.txt:1:"},      // escaped closing quote
        {"# only comments\n\n", "no entries"},
        {"1 Named \"a\"\n2 \"b\"\n", "strings.txt:2:", true}, // the master's line without a name
    };
    for (const auto& c : cases) {
        EXPECT_NE(Generate(c.table, c.bMaster), 0) << c.table;
        EXPECT_NE(m_log.find(c.where), std::string::npos) << c.table << "\n" << m_log;
        EXPECT_TRUE(m_source.empty()) << c.table;
    }
}

} // namespace

namespace {

// The printf conversions of a text in order ("%%" is none).
std::vector<std::string> Placeholders(std::string_view text) {
    static const std::regex kConversion("%%|%[-+ #0]*[0-9]*(\\.[0-9]+)?(l|ll|z)?[a-zA-Z]");
    std::vector<std::string> found;
    const std::string whole(text);
    for (auto it = std::sregex_iterator(whole.begin(), whole.end(), kConversion);
         it != std::sregex_iterator(); ++it) {
        if (it->str() != "%%") {
            found.push_back(it->str());
        }
    }
    return found;
}

} // namespace

// Every text exists in both languages, with the same printf conversions in the same order, so
// that a format never reads an argument it was not given.
TEST(StringTableLanguages, EveryTextHasBothLanguagesWithTheSamePlaceholders) {
    EXPECT_EQ(CStringTable::Ids(Zelt::Language::Japanese), CStringTable::Ids(Zelt::Language::English));
    for (const int nId : CStringTable::Ids(Zelt::Language::Japanese)) {
        const std::string_view english = CStringTable::Text(nId, Zelt::Language::English);
        EXPECT_FALSE(english.empty()) << nId;
        EXPECT_EQ(Placeholders(CStringTable::Text(nId, Zelt::Language::Japanese)), Placeholders(english))
            << nId;
    }
}
