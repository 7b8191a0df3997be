#pragma once

#include "support/Language.h"
#include "support/TextIds.h"

#include <string_view>
#include <vector>

namespace Zelt {

// The user-visible texts of the program by id (res/strings.txt), named in support/TextIds.h, e.g.
// CStringTable::Text(Text::ConfirmExit) for the exit question. Texts are UTF-8 with real line breaks and are
// used exactly as stored: format strings keep their %s/%d, whole report lines keep their padding.
class CStringTable {
public:
    // The text of the id, or an empty view when the table has no such id. The view refers to
    // static storage and stays valid for the whole run.
    // In the language in force (CLanguage::Current).
    static std::string_view Text(int nID);
    static std::string_view Text(int nID, Language language);

    static bool Contains(int nID);

    // Every id of a language's table in ascending order.
    static std::vector<int> Ids(Language language = Language::Japanese);
};

} // namespace Zelt
