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

Language CLanguage::FromEnvironment(const Lookup& lookup) {
    if (const char* pszOverride = lookup("KORVANE_LANG"); pszOverride != nullptr && *pszOverride != '\0') {
        return IsJapanese(pszOverride) ? Language::Japanese : Language::English;
    }
    for (const char* pszName : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (const char* pszValue = lookup(pszName); pszValue != nullptr && *pszValue != '\0') {
            return IsJapanese(pszValue) ? Language::Japanese : Language::English;
        }
    }
    return Language::English;
}

Language CLanguage::FromEnvironment() {
    return FromEnvironment([](const char* pszName) { return std::getenv(pszName); });
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

} // namespace Zelt
