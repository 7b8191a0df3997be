#pragma once

// Program output checked in both languages: the programs a test starts read KORVANE_LANG, and the
// expected texts come from the string table in the same language.
#include "admin/TextFormat.h"
#include "common/BothLanguages.h"
#include "support/Language.h"
#include "support/StringTable.h"

#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace KorvaneTesting {

// KORVANE_LANG for the programs started while it lives; afterwards as it was (ctest pins ja).
class LanguageOfChildren {
public:
    explicit LanguageOfChildren(Zelt::Language language) {
        if (const char* pszPrevious = std::getenv("KORVANE_LANG")) {
            m_previous = pszPrevious;
        }
        setenv("KORVANE_LANG", std::string(Zelt::CLanguage::Code(language)).c_str(), 1);
    }
    ~LanguageOfChildren() {
        if (m_previous) {
            setenv("KORVANE_LANG", m_previous->c_str(), 1);
        } else {
            unsetenv("KORVANE_LANG");
        }
    }
    LanguageOfChildren(const LanguageOfChildren&) = delete;
    LanguageOfChildren& operator=(const LanguageOfChildren&) = delete;

private:
    std::optional<std::string> m_previous;
};

// A text of the table in the language, its %s filled with the arguments.
inline std::string TextIn(Zelt::Language language, int nId,
                          std::initializer_list<std::string_view> args = {}) {
    return Korvane::CTextFormat::Format(Zelt::CStringTable::Text(nId, language), args);
}

// The fixed words of a format between its n-th and next placeholder (0: before the first), for
// lines whose other values a test cannot know.
inline std::string TextPiece(Zelt::Language language, int nId, int n) {
    const std::string_view format = Zelt::CStringTable::Text(nId, language);
    size_t nStart = 0;
    for (int i = 0; i < n && nStart != std::string_view::npos; ++i) {
        nStart = format.find("%s", nStart);
        nStart = nStart == std::string_view::npos ? nStart : nStart + 2;
    }
    if (nStart == std::string_view::npos) {
        return std::string();
    }
    return std::string(format.substr(nStart, format.find("%s", nStart) - nStart));
}

// The same in the language that the programs a test starts choose from its environment.
inline std::string ChildText(int nId, std::initializer_list<std::string_view> args = {}) {
    return TextIn(Zelt::CLanguage::FromEnvironment(), nId, args);
}
inline std::string ChildTextPiece(int nId, int n) {
    return TextPiece(Zelt::CLanguage::FromEnvironment(), nId, n);
}

// A test group run once in each language: korvanectl started in it, texts expected in it. The
// base is the group's fixture.
template <class Fixture = testing::Test>
class InLanguage : public Fixture, public testing::WithParamInterface<Zelt::Language> {
protected:
    static std::string Text(int nId, std::initializer_list<std::string_view> args = {}) {
        return TextIn(InLanguage::GetParam(), nId, args);
    }
    static std::string Piece(int nId, int n) { return TextPiece(InLanguage::GetParam(), nId, n); }
    // The group's address of korvanectl's range 127.83.x in the English run 127.93.x, so that both
    // runs can go side by side.
    static std::string Address(const std::string& address) {
        return InLanguage::GetParam() == Zelt::Language::English && address.starts_with("127.83.")
                   ? "127.93." + address.substr(7)
                   : address;
    }

private:
    LanguageOfChildren m_language{InLanguage::GetParam()};
};

} // namespace KorvaneTesting
