#pragma once

// What the hostile-LAN test groups share: the programs under test and a scratch settings folder.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace KorvaneHostile {

// The korvanectl program under test.
inline const char* KorvanectlPath() {
    return KORVANECTL_PATH;
}

// A private folder for one test (settings, state, runtime), removed when the object goes. While
// it lives, XDG_CONFIG_HOME, XDG_STATE_HOME and XDG_RUNTIME_DIR point into it, so the programs the
// test starts (which inherit the environment) keep every file there.
class ScratchHome {
public:
    ScratchHome();
    ~ScratchHome();
    ScratchHome(const ScratchHome&) = delete;
    ScratchHome& operator=(const ScratchHome&) = delete;

    const std::string& Path() const { return m_path; }
    std::string SettingsPath() const { return m_path + "/KorvaneAdminSetting"; }
    // Environment entries that keep every file of korvanectl inside the folder.
    std::string ConfigHome() const { return "XDG_CONFIG_HOME=" + m_path + "/config"; }
    std::string StateHome() const { return "XDG_STATE_HOME=" + m_path + "/state"; }
    std::string RuntimeDir() const { return "XDG_RUNTIME_DIR=" + m_path + "/run"; }

private:
    std::string m_path;
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

} // namespace KorvaneHostile
