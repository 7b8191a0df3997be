#pragma once

#include <functional>
#include <string_view>

namespace Zelt {

enum class Language { Japanese, English };

// The language of every text the program shows, chosen as Linux programs choose it: the override
// KORVANE_LANG (ja or en) first, then the first of LC_ALL, LC_MESSAGES and LANG that is set and not
// empty; a locale that starts with "ja" gives Japanese, anything else (C and POSIX included)
// English, as does an environment that names none.
class CLanguage {
public:
    using Lookup = std::function<const char*(const char* pszName)>;

    static Language FromEnvironment(const Lookup& lookup);
    // The environment of the process.
    static Language FromEnvironment();

    // The language in force; Japanese until Set is called.
    static Language Current();
    static void Set(Language language);

    // "ja" or "en".
    static std::string_view Code(Language language);
};

} // namespace Zelt
