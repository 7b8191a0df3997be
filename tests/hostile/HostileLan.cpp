#include "HostileLan.h"

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
    for (const char* pszSub : {"/config", "/state", "/run"}) {
        std::filesystem::create_directory(m_path + pszSub);
    }
    std::filesystem::permissions(m_path + "/run", std::filesystem::perms::owner_all);
}

ScratchHome::~ScratchHome() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

} // namespace KorvaneHostile
