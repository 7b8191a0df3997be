#include "TargetResolver.h"

#include "StoreAccess.h"

#include <cctype>

namespace Korvanectl {

bool TargetResolver::LooksLikeMac(const std::string& text) {
    if (text.size() != 17) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        const bool bSeparator = i % 3 == 2;
        if (bSeparator ? text[i] != ':' : !std::isxdigit(static_cast<unsigned char>(text[i]))) {
            return false;
        }
    }
    return true;
}

std::string TargetResolver::Resolve(const std::string& target) const {
    if (LooksLikeMac(target)) {
        if (m_manager.FindDevice(target) == nullptr) {
            throw CommandError("no managed device has the MAC address " + target);
        }
        return Korvane::CKorvaneAdminInfoMgr::NormalizeMac(target);
    }
    const std::vector<std::string> macs = m_manager.FindMacsByName(target);
    if (macs.empty()) {
        throw CommandError("no managed device is named \"" + target + "\"");
    }
    if (macs.size() > 1) {
        std::string list;
        for (const std::string& mac : macs) {
            list += " " + mac;
        }
        throw CommandError("several devices are named \"" + target +
                           "\"; give one of their MAC addresses:" + list);
    }
    return macs.front();
}

std::vector<std::string> TargetResolver::ResolveAll(const std::vector<std::string>& targets) const {
    std::vector<std::string> macs;
    for (const std::string& target : targets) {
        macs.push_back(Resolve(target));
    }
    return macs;
}

std::vector<std::string> TargetResolver::GroupMembers(const std::string& group) const {
    if (!m_manager.GroupExists(group)) {
        throw CommandError("there is no group \"" + group + "\"");
    }
    std::vector<std::string> macs;
    for (const auto& [mac, device] : m_manager.Devices()) {
        if (m_manager.IsMember(group, mac)) {
            macs.push_back(mac);
        }
    }
    return macs;
}

} // namespace Korvanectl
