#include "support/StringTable.h"

#include "support/StringTableData.h"

#include <algorithm>
#include <span>

namespace Zelt {
namespace {

std::span<const detail::StringTableEntry> Entries() {
    return {detail::kStringTable, detail::kStringTableSize};
}

const detail::StringTableEntry* Find(int nID) {
    const auto entries = Entries();
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
    const detail::StringTableEntry* entry = Find(nID);
    return entry != nullptr ? entry->text : std::string_view{};
}

bool CStringTable::Contains(int nID) {
    return Find(nID) != nullptr;
}

std::vector<int> CStringTable::Ids() {
    std::vector<int> ids;
    ids.reserve(detail::kStringTableSize);
    for (const detail::StringTableEntry& entry : Entries()) {
        ids.push_back(entry.id);
    }
    return ids;
}

} // namespace Zelt
