#pragma once

#include <functional>
#include <optional>
#include <string_view>

namespace Zelt {

enum class Language { Japanese, English };

// The language of every text the program shows, chosen as Linux programs choose it: the override
// KORVANE_LANG (ja or en) first, then the first of LC_ALL, LC_MESSAGES and LANG that is set and not
// empty; a locale that starts with "ja" gives Japanese, anything else (C and POSIX included)
// English, as does an environment that names none. A language the user chose in the desktop
// program's settings comes after the override and before the locale.
class CLanguage {
public:
    using Lookup = std::function<const char*(const char* pszName)>;

    static Language FromEnvironment(const Lookup& lookup, std::optional<Language> chosen = std::nullopt);
    // The environment of the process.
    static Language FromEnvironment(std::optional<Language> chosen = std::nullopt);

    // The language in force; Japanese until Set is called.
    static Language Current();
    static void Set(Language language);

    // "ja" or "en".
    static std::string_view Code(Language language);
    // The language of a code Code gives; nullopt for any other text.
    static std::optional<Language> FromCode(std::string_view code);
    // The language's name written in itself ("日本語", "English"), the same whatever the language
    // in force: a user who cannot read the current one still finds their own.
    static std::string_view NativeName(Language language);
};

} // namespace Zelt
