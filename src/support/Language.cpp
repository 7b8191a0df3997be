#include "Language.h"

#include <atomic>
#include <cstdlib>

namespace Zelt {
namespace {

std::atomic<Language> g_current{Language::Japanese};

bool IsJapanese(std::string_view locale) {
    return locale.starts_with("ja");
}

} // namespace

Language CLanguage::FromEnvironment(const Lookup& lookup, std::optional<Language> chosen) {
    if (const char* pszOverride = lookup("KORVANE_LANG"); pszOverride != nullptr && *pszOverride != '\0') {
        return IsJapanese(pszOverride) ? Language::Japanese : Language::English;
    }
    if (chosen) {
        return *chosen;
    }
    for (const char* pszName : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (const char* pszValue = lookup(pszName); pszValue != nullptr && *pszValue != '\0') {
            return IsJapanese(pszValue) ? Language::Japanese : Language::English;
        }
    }
    return Language::English;
}

Language CLanguage::FromEnvironment(std::optional<Language> chosen) {
    return FromEnvironment([](const char* pszName) { return std::getenv(pszName); }, chosen);
}

Language CLanguage::Current() {
    return g_current;
}

void CLanguage::Set(Language language) {
    g_current = language;
}

std::string_view CLanguage::Code(Language language) {
    return language == Language::Japanese ? "ja" : "en";
}

std::optional<Language> CLanguage::FromCode(std::string_view code) {
    for (const Language language : {Language::Japanese, Language::English}) {
        if (code == Code(language)) {
            return language;
        }
    }
    return std::nullopt;
}

std::string_view CLanguage::NativeName(Language language) {
    return language == Language::Japanese ? "日本語" : "English";
}

} // namespace Zelt
