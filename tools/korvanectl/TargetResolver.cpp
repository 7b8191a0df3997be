#include "TargetResolver.h"

#include "Message.h"
#include "StoreAccess.h"
#include "protocol/MacAddress.h"

namespace Korvanectl {

std::optional<std::string> TargetResolver::MacOf(const std::string& text) {
    return Korvane::CMacAddress::Canonical(text);
}

std::string TargetResolver::Resolve(const std::string& target) const {
    if (const std::optional<std::string> mac = MacOf(target)) {
        if (m_manager.FindDevice(*mac) == nullptr) {
            throw CommandError(Message(Zelt::Text::CliNoDeviceWithMac, {target}));
        }
        return *mac;
    }
    const std::vector<std::string> macs = m_manager.FindMacsByName(target);
    if (macs.empty()) {
        throw CommandError(Message(Zelt::Text::CliNoDeviceNamed, {target}));
    }
    if (macs.size() > 1) {
        std::string list;
        for (const std::string& mac : macs) {
            list += " " + mac;
        }
        throw CommandError(Message(Zelt::Text::CliSeveralDevicesNamed, {target, list}));
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
        throw CommandError(Message(Zelt::Text::CliNoSuchGroup, {group}));
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
