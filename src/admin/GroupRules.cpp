#include "admin/GroupRules.h"

namespace Korvane {
namespace {

constexpr int kNameMissing = 10005;
constexpr int kNameTaken = 10006;

} // namespace

int CGroupRules::CheckCreate(const CKorvaneAdminInfoMgr& manager, const std::string& name) {
    if (name.empty()) {
        return kNameMissing;
    }
    return manager.GroupExists(name) ? kNameTaken : 0;
}

int CGroupRules::CheckEdit(const CKorvaneAdminInfoMgr& manager, const std::string& oldName,
                           const std::string& newName) {
    if (newName.empty()) {
        return kNameMissing;
    }
    return newName != oldName && manager.GroupExists(newName) ? kNameTaken : 0;
}

} // namespace Korvane
