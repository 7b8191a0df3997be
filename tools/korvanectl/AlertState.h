#pragma once

#include "admin/AdminInfoMgr.h"

#include <filesystem>

namespace Korvanectl {

// The alert bits of the last check, kept between korvanectl runs so that an update run from cron
// mails only alerts that are new. They are not settings: they live in the user's state folder
// ($XDG_STATE_HOME, ~/.local/state by default), one "MAC BITS" line per device (CAlertBitsText).
class AlertState {
public:
    explicit AlertState(const std::filesystem::path& settingsPath);

    // Gives each managed device the bits it had at the last check. Throws CommandError when the
    // state file is there but cannot be read (or is no regular file).
    void Restore(Korvane::CKorvaneAdminInfoMgr& manager) const;
    void Keep(const Korvane::CKorvaneAdminInfoMgr& manager) const;

    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

} // namespace Korvanectl
