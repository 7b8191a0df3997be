#include "admin/GroupRules.h"

#include "support/TextIds.h"

namespace Korvane {
namespace {} // namespace

int CGroupRules::CheckCreate(const CKorvaneAdminInfoMgr& manager, const std::string& name) {
    if (name.empty()) {
        return Zelt::Text::GroupNameMissing;
    }
    return manager.GroupExists(name) ? Zelt::Text::GroupNameTaken : 0;
}

int CGroupRules::CheckEdit(const CKorvaneAdminInfoMgr& manager, const std::string& oldName,
                           const std::string& newName) {
    if (newName.empty()) {
        return Zelt::Text::GroupNameMissing;
    }
    return newName != oldName && manager.GroupExists(newName) ? Zelt::Text::GroupNameTaken : 0;
}

} // namespace Korvane
