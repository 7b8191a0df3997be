#include "HostileLan.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <stdlib.h>

namespace KorvaneHostile {

ScratchHome::ScratchHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "korvane-hostile-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a scratch folder");
    }
    m_path = pattern;
    for (const auto& [pszName, pszSub] :
         {std::pair{"XDG_CONFIG_HOME", "/config"}, std::pair{"XDG_STATE_HOME", "/state"},
          std::pair{"XDG_RUNTIME_DIR", "/run"}}) {
        std::filesystem::create_directory(m_path + pszSub);
        std::filesystem::permissions(m_path + pszSub, std::filesystem::perms::owner_all);
        const char* pszOld = std::getenv(pszName);
        m_saved.emplace_back(pszName, pszOld ? std::optional<std::string>(pszOld) : std::nullopt);
        setenv(pszName, (m_path + pszSub).c_str(), 1);
    }
}

ScratchHome::~ScratchHome() {
    for (const auto& [name, old] : m_saved) {
        if (old) {
            setenv(name.c_str(), old->c_str(), 1);
        } else {
            unsetenv(name.c_str());
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

} // namespace KorvaneHostile
