#pragma once

// Test groups that run once in each language of the program.
#include "support/Language.h"

#include <ostream>
#include <string>

#include <gtest/gtest.h>

namespace Zelt {

// Test names and failure messages say "ja" or "en", not the enum's bytes.
inline void PrintTo(Language language, std::ostream* pOut) {
    *pOut << CLanguage::Code(language);
}

} // namespace Zelt

namespace KorvaneTesting {

// The code under test runs in the test's language, in this process; afterwards the language is
// what it was.
class ProgramInLanguage : public testing::TestWithParam<Zelt::Language> {
protected:
    void SetUp() override { Zelt::CLanguage::Set(GetParam()); }
    void TearDown() override { Zelt::CLanguage::Set(m_previous); }

private:
    Zelt::Language m_previous = Zelt::CLanguage::Current();
};

inline std::string LanguageName(const testing::TestParamInfo<Zelt::Language>& info) {
    return std::string(Zelt::CLanguage::Code(info.param));
}

} // namespace KorvaneTesting

#define KORVANE_IN_BOTH_LANGUAGES(Group)                                                                     \
    INSTANTIATE_TEST_SUITE_P(BothLanguages, Group,                                                           \
                             testing::Values(Zelt::Language::Japanese, Zelt::Language::English),             \
                             KorvaneTesting::LanguageName)
