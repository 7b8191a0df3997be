#include "support/StringTable.h"

#include "support/StringTableData.h"

#include <algorithm>
#include <span>

namespace Zelt {
namespace {

std::span<const detail::StringTableEntry> Entries(Language language) {
    if (language == Language::English) {
        return {detail::kStringTableEn, detail::kStringTableEnSize};
    }
    return {detail::kStringTableJa, detail::kStringTableJaSize};
}

const detail::StringTableEntry* Find(int nID, Language language) {
    const auto entries = Entries(language);
    const auto it =
        std::lower_bound(entries.begin(), entries.end(), nID,
                         [](const detail::StringTableEntry& entry, int id) { return entry.id < id; });
    if (it == entries.end() || it->id != nID) {
        return nullptr;
    }
    return &*it;
}

} // namespace

std::string_view CStringTable::Text(int nID) {
    return Text(nID, CLanguage::Current());
}

std::string_view CStringTable::Text(int nID, Language language) {
    const detail::StringTableEntry* entry = Find(nID, language);
    return entry != nullptr ? entry->text : std::string_view{};
}

bool CStringTable::Contains(int nID) {
    return Find(nID, Language::Japanese) != nullptr;
}

std::vector<int> CStringTable::Ids(Language language) {
    const auto entries = Entries(language);
    std::vector<int> ids;
    ids.reserve(entries.size());
    for (const detail::StringTableEntry& entry : entries) {
        ids.push_back(entry.id);
    }
    return ids;
}

} // namespace Zelt
