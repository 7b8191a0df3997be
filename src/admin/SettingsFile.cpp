#include "admin/SettingsFile.h"

#include "admin/AtomicFile.h"
#include "admin/SettingsKey.h"
#include "admin/SettingsReader.h"
#include "admin/SettingsWriter.h"
#include "support/DirectoryPath.h"
#include "support/RegularFile.h"
#include "support/ScrambleStr.h"
#include "support/Trace.h"
#include "support/XmlError.h"
#include "support/XmlLoadCheck.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Korvane {
namespace {

// Damaged copies made within one second get "-1", "-2" ... after the time.
constexpr int kDamagedNameAttempts = 100;

// The file's bytes; OPENED when they were read, else why not (Reason() of the file).
Zelt::CRegularFile::Status ReadWholeFile(const std::filesystem::path& path, std::string& bytes,
                                         std::string& strReason) {
    Zelt::CRegularFile file(path, O_RDONLY);
    if (file.IsOpen()) {
        file.ReadAll(CSettingsFile::MAX_FILE_BYTES, bytes);
    }
    strReason = file.Reason();
    return file.GetStatus();
}

std::filesystem::path HomeDirectory() {
    if (const char* pszHome = std::getenv("HOME"); pszHome != nullptr && *pszHome != '\0') {
        return pszHome;
    }
    const passwd* pEntry = getpwuid(getuid());
    return pEntry != nullptr && pEntry->pw_dir != nullptr ? pEntry->pw_dir : "/";
}

std::string TimeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

// Never replaces an earlier damaged copy.
bool MoveWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    // File systems without RENAME_NOREPLACE: look first, as well as that goes.
    if (errno != EINVAL) {
        return false;
    }
    if (access(to.c_str(), F_OK) == 0) {
        errno = EEXIST;
        return false;
    }
    return rename(from.c_str(), to.c_str()) == 0;
}

} // namespace

CSettingsFile::CSettingsFile() : CSettingsFile(DefaultPath()) {}

CSettingsFile::CSettingsFile(std::filesystem::path path)
    : CSettingsFile(std::move(path), CSettingsKey::ForCurrentUser()) {}

CSettingsFile::CSettingsFile(std::filesystem::path path, std::optional<std::string> key)
    : m_path(std::move(path)), m_key(std::move(key)) {}

std::filesystem::path CSettingsFile::DefaultPath() {
    const char* pszConfig = std::getenv("XDG_CONFIG_HOME");
    // A relative value is to be ignored, as for every XDG base directory.
    const bool bUsable = pszConfig != nullptr && std::filesystem::path(pszConfig).is_absolute();
    const std::filesystem::path config =
        bUsable ? std::filesystem::path(pszConfig) : HomeDirectory() / ".config";
    return config / "VESTRANO" / "KORVANE Admin" / "KorvaneAdminSetting";
}

SettingsLoadResult CSettingsFile::Load(CKorvaneAdminInfoMgr& manager) {
    m_bDamaged = false;
    std::string stored;
    std::string strReason;
    switch (ReadWholeFile(m_path, stored, strReason)) {
    case Zelt::CRegularFile::ABSENT:
        return {SettingsLoadOutcome::NoFile, 0, std::string()};
    case Zelt::CRegularFile::NOT_REGULAR:
        return NotUsable(std::move(strReason));
    case Zelt::CRegularFile::FAILED:
        return Damaged(strReason);
    case Zelt::CRegularFile::OPENED:
        break;
    }
    if (!m_key) {
        return Damaged("the user's identity is not available to unscramble " + m_path.string());
    }
    Zelt::CXMLDocument document;
    try {
        document.LoadFromBytes(Zelt::CDecodeStr().Convert(stored, *m_key));
    } catch (const Zelt::CXMLError&) {
        return Damaged(m_path.string() + " is damaged or belongs to another user");
    }
    std::string().swap(stored); // the stored form is twice the document: not kept while applying
    if (!CSettingsReader::Apply(document, manager)) {
        return {SettingsLoadOutcome::Incomplete, 0, m_path.string() + " lacks a part of the settings"};
    }
    return {SettingsLoadOutcome::Loaded, 0, std::string()};
}

SettingsLoadResult CSettingsFile::Damaged(std::string strReason) {
    m_bDamaged = true;
    Zelt::DebugTrace("CSettingsFile::Load(): %s\n", strReason.c_str());
    return {SettingsLoadOutcome::Damaged, MSG_DAMAGED, std::move(strReason)};
}

SettingsLoadResult CSettingsFile::NotUsable(std::string strReason) {
    Zelt::DebugTrace("CSettingsFile::Load(): %s\n", strReason.c_str());
    return {SettingsLoadOutcome::NotUsable, Zelt::CRegularFile::MSG_NOT_REGULAR, std::move(strReason)};
}

SettingsSaveResult CSettingsFile::Save(const CKorvaneAdminInfoMgr& manager) {
    SettingsSaveResult result;
    Zelt::DebugTrace("CSettingsFile::Save(): Begin.\n");
    if (!m_key) {
        return SaveFailed(std::move(result), "the user's identity is not available");
    }
    // Whatever the user keeps there is theirs: it is neither set aside nor replaced.
    if (Zelt::CRegularFile::HoldsOtherThanRegularFile(m_path, true)) {
        return SaveFailed(std::move(result), Zelt::CRegularFile::NotRegularText(m_path));
    }
    Zelt::DebugTrace("CSettingsFile::Save(): Create Dir.\n");
    if (!Zelt::CreateDirectoryPath(m_path.parent_path(), FOLDER_MODE)) {
        return SaveFailed(std::move(result),
                          "cannot create " + m_path.parent_path().string() + ": " + std::strerror(errno));
    }
    Zelt::DebugTrace("CSettingsFile::Save(): Get save data.\n");
    std::string xml;
    try {
        xml = CSettingsWriter::Serialize(manager);
    } catch (const Zelt::CXMLError& error) {
        return SaveFailed(std::move(result), error.what());
    }
    std::string strReason;
    if (!SetDamagedFileAside(result.damagedCopy, strReason)) {
        return SaveFailed(std::move(result), std::move(strReason));
    }
    Zelt::DebugTrace("CSettingsFile::Save(): Write file.\n");
    if (!WriteScrambled(xml, strReason)) {
        return SaveFailed(std::move(result), std::move(strReason));
    }
    Zelt::DebugTrace("CSettingsFile::Save(): Complete.\n");
    result.bSaved = true;
    return result;
}

SettingsSaveResult CSettingsFile::SaveFailed(SettingsSaveResult result, std::string strReason) {
    Zelt::DebugTrace("CSettingsFile::Save(): %s\n", strReason.c_str());
    result.bSaved = false;
    result.nMessageId = MSG_SAVE_FAILED;
    result.strReason = std::move(strReason);
    return result;
}

bool CSettingsFile::SetDamagedFileAside(std::filesystem::path& damagedCopy, std::string& strReason) {
    struct stat info {};
    if (!m_bDamaged || (lstat(m_path.c_str(), &info) != 0 && errno == ENOENT)) {
        m_bDamaged = false;
        return true;
    }
    const std::string base = m_path.string() + ".damaged-" + TimeStamp();
    for (int nAttempt = 0; nAttempt < kDamagedNameAttempts; ++nAttempt) {
        const std::filesystem::path copy = nAttempt == 0 ? base : base + "-" + std::to_string(nAttempt);
        if (MoveWithoutReplacing(m_path, copy)) {
            damagedCopy = copy;
            m_bDamaged = false;
            return true;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    strReason = "cannot move the damaged " + m_path.string() + " aside: " + std::strerror(errno);
    return false;
}

bool CSettingsFile::WriteScrambled(const std::string& xml, std::string& strReason) {
    Zelt::CEncodeStr encoder;
    return CAtomicFile::Replace(m_path, encoder.Convert(xml, *m_key), FILE_MODE, strReason);
}

} // namespace Korvane
