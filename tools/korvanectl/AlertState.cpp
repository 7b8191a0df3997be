#include "AlertState.h"

#include "StoreAccess.h"
#include "admin/AlertBitsText.h"
#include "admin/AtomicFile.h"
#include "support/DirectoryPath.h"
#include "support/RegularFile.h"

#include <cstdlib>
#include <fcntl.h>
#include <functional>

namespace Korvanectl {
namespace {

// A line per device, some tens of bytes each: far more than any site has.
constexpr size_t kMaxStateBytes = 16 * 1024 * 1024;

std::filesystem::path StateFolder() {
    const char* pszState = std::getenv("XDG_STATE_HOME");
    if (pszState != nullptr && *pszState == '/') {
        return std::filesystem::path(pszState) / "VESTRANO" / "KORVANE Admin";
    }
    const char* pszHome = std::getenv("HOME");
    return std::filesystem::path(pszHome != nullptr ? pszHome : "/tmp") / ".local" / "state" / "VESTRANO" /
           "KORVANE Admin";
}

// A fixed hash (64-bit FNV-1a) of the settings path names the state file: std::hash may change
// with the library, and a new name would forget the alerts already mailed.
uint64_t PathHash(const std::filesystem::path& path) {
    uint64_t nHash = 14695981039346656037ull;
    for (const char c : path.string()) {
        nHash = (nHash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    return nHash;
}

// The state file's text; none before the first run.
std::string ReadStateFile(const std::filesystem::path& path) {
    Zelt::CRegularFile file(path, O_RDONLY);
    std::string text;
    if (file.GetStatus() != Zelt::CRegularFile::ABSENT &&
        !(file.IsOpen() && file.ReadAll(kMaxStateBytes, text))) {
        throw CommandError(file.Reason());
    }
    return text;
}

} // namespace

// One state file per settings file, so that korvanectl --settings runs keep apart.
AlertState::AlertState(const std::filesystem::path& settingsPath)
    : m_path(StateFolder() /
             ("alert-bits-" + std::to_string(PathHash(std::filesystem::absolute(settingsPath))))) {}

void AlertState::Restore(Korvane::CKorvaneAdminInfoMgr& manager) const {
    for (const auto& [mac, nBits] : Korvane::CAlertBitsText::Parse(ReadStateFile(m_path))) {
        if (Korvane::CManagedDevice* pDevice = manager.FindDevice(mac)) {
            pDevice->SetStatusBits(nBits);
        }
    }
}

void AlertState::Keep(const Korvane::CKorvaneAdminInfoMgr& manager) const {
    Zelt::CreateDirectoryPath(m_path.parent_path(), 0700);
    std::string reason;
    Korvane::CAtomicFile::Replace(m_path, Korvane::CAlertBitsText::Format(manager), 0600, reason);
}

} // namespace Korvanectl
