#pragma once

#include "admin/AdminInfoMgr.h"

#include <string>

namespace Korvane {

// The checks of the group dialogs: the message to show, or 0 when the change may be made.
class CGroupRules {
public:
    // Text::GroupNameMissing for an empty name, Text::GroupNameTaken for a name that is taken.
    static int CheckCreate(const CKorvaneAdminInfoMgr& manager, const std::string& name);
    // Keeping a group's own name is fine; taking another group's is not.
    static int CheckEdit(const CKorvaneAdminInfoMgr& manager, const std::string& oldName,
                         const std::string& newName);
};

} // namespace Korvane
