#pragma once

#include "admin/AdminInfoMgr.h"

#include <optional>
#include <string>
#include <vector>

namespace Korvanectl {

// Turns what the user names on the command line into device keys: a MAC address, or a device
// name that must match exactly one device (names are not unique: two factory-default devices
// share theirs, and guessing would act on the wrong one).
class TargetResolver {
public:
    explicit TargetResolver(const Korvane::CKorvaneAdminInfoMgr& manager) : m_manager(manager) {}

    // Throws CommandError for an unknown or ambiguous target.
    std::string Resolve(const std::string& target) const;
    std::vector<std::string> ResolveAll(const std::vector<std::string>& targets) const;
    // The members of a group, in device-table order.
    std::vector<std::string> GroupMembers(const std::string& group) const;

    // The MAC address in its stored form (upper case, colons) when the text is one: six pairs of
    // hexadecimal digits separated by colons, hyphens or nothing.
    static std::optional<std::string> MacOf(const std::string& text);

private:
    const Korvane::CKorvaneAdminInfoMgr& m_manager;
};

} // namespace Korvanectl
