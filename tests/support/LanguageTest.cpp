// The language follows the locale as Linux programs do, with KORVANE_LANG over everything.
#include "support/Language.h"

#include <map>
#include <optional>
#include <string>

#include <gtest/gtest.h>

using Zelt::CLanguage;
using Zelt::Language;

namespace {

struct LanguageCase {
    std::map<std::string, std::string> environment;
    Language expected;
    std::optional<Language> chosen = std::nullopt; // in the desktop program's settings
};

class LanguageChoice : public ::testing::TestWithParam<LanguageCase> {};

} // namespace

TEST_P(LanguageChoice, FollowsTheOverrideThenTheSettingsThenLcAllLcMessagesAndLang) {
    const LanguageCase& choice = GetParam();
    const auto lookup = [&choice](const char* pszName) -> const char* {
        const auto found = choice.environment.find(pszName);
        return found == choice.environment.end() ? nullptr : found->second.c_str();
    };
    EXPECT_EQ(CLanguage::FromEnvironment(lookup, choice.chosen), choice.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Environments, LanguageChoice,
    ::testing::Values(LanguageCase{{}, Language::English},
                      LanguageCase{{{"LANG", "ja_JP.UTF-8"}}, Language::Japanese},
                      LanguageCase{{{"LANG", "en_US.UTF-8"}}, Language::English},
                      LanguageCase{{{"LANG", "ja_JP.UTF-8"}, {"LC_ALL", "C"}}, Language::English},
                      LanguageCase{{{"LANG", "C"}, {"LC_MESSAGES", "ja_JP.eucJP"}}, Language::Japanese},
                      LanguageCase{{{"LC_ALL", ""}, {"LC_MESSAGES", ""}, {"LANG", "ja"}}, Language::Japanese},
                      LanguageCase{{{"LANG", "POSIX"}}, Language::English},
                      LanguageCase{{{"LC_ALL", "ja_JP.UTF-8"}, {"KORVANE_LANG", "en"}}, Language::English},
                      LanguageCase{{{"LANG", "de_DE.UTF-8"}, {"KORVANE_LANG", "ja"}}, Language::Japanese},
                      LanguageCase{{{"LC_ALL", "ja_JP.UTF-8"}}, Language::English, Language::English},
                      LanguageCase{{}, Language::Japanese, Language::Japanese},
                      LanguageCase{{{"KORVANE_LANG", "en"}}, Language::English, Language::Japanese}));

TEST(LanguageCode, ReadsBackWhatItWritesAndNothingElse) {
    for (const Language language : {Language::Japanese, Language::English}) {
        EXPECT_EQ(CLanguage::FromCode(CLanguage::Code(language)), language);
    }
    for (const char* pszOther : {"", "system", "JA", "ja_JP", "english"}) {
        EXPECT_EQ(CLanguage::FromCode(pszOther), std::nullopt) << pszOther;
    }
}
