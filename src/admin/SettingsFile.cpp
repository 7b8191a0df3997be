#include "admin/SettingsFile.h"

#include "admin/AtomicFile.h"
#include "admin/SettingsKey.h"
#include "admin/SettingsReader.h"
#include "admin/SettingsWriter.h"
#include "admin/TextFormat.h"
#include "support/DirectoryPath.h"
#include "support/RegularFile.h"
#include "support/ScrambleStr.h"
#include "support/StringTable.h"
#include "support/Trace.h"
#include "support/XmlError.h"
#include "support/XmlLoadCheck.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Korvane {
namespace {

// Damaged copies made within one second get "-1", "-2" ... after the time.
constexpr int kDamagedNameAttempts = 100;

SettingsLoadResult DamagedResult(std::string strReason) {
    return {SettingsLoadOutcome::Damaged, Zelt::Text::SettingsFileDamaged, std::move(strReason)};
}

SettingsLoadResult CannotOpenResult(const std::filesystem::path& path, int nError) {
    return {SettingsLoadOutcome::CannotOpen, Zelt::Text::SettingsCannotOpen,
            CTextFormat::FormatId(Zelt::Text::SettingsCannotOpen, {path.string(), std::strerror(nError)})};
}

// Reads the whole file into bytes: nullopt once read, else what the caller has to report. Only
// a file that was read, even if only as far as the largest size allowed, can be damaged.
std::optional<SettingsLoadResult> ReadWholeFile(const std::filesystem::path& path, std::string& bytes) {
    Zelt::CRegularFile file(path, O_RDONLY);
    if (file.IsOpen() && file.ReadAll(CSettingsFile::MAX_FILE_BYTES, bytes)) {
        return std::nullopt;
    }
    if (file.GetStatus() == Zelt::CRegularFile::NOT_REGULAR) {
        return SettingsLoadResult{SettingsLoadOutcome::NotUsable, Zelt::Text::NotRegularFile, file.Reason()};
    }
    switch (file.Error()) {
    case ENOENT:
        return SettingsLoadResult{SettingsLoadOutcome::NoFile, 0, file.Reason()};
    case EFBIG:
        return DamagedResult(file.Reason());
    default:
        return CannotOpenResult(path, file.Error());
    }
}

// Parses the document and applies it to the manager; the bytes go once parsed.
SettingsLoadResult ApplyDocument(std::string bytes, CKorvaneAdminInfoMgr& manager,
                                 const std::filesystem::path& path) {
    Zelt::CXMLDocument document;
    try {
        document.LoadFromBytes(bytes);
    } catch (const Zelt::CXMLError&) {
        return DamagedResult(path.string() + " is damaged or belongs to another user");
    }
    std::string().swap(bytes);
    if (!CSettingsReader::Apply(document, manager)) {
        return {SettingsLoadOutcome::Incomplete, 0, path.string() + " lacks a part of the settings"};
    }
    return {SettingsLoadOutcome::Loaded, 0, std::string()};
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

SettingsFileStamp CSettingsFile::Stamp() const {
    struct stat status {};
    if (stat(m_path.c_str(), &status) != 0) {
        return {};
    }
    return {status.st_dev, status.st_ino, status.st_size,
            static_cast<long long>(status.st_mtim.tv_sec) * 1000000000LL + status.st_mtim.tv_nsec};
}

SettingsLoadResult CSettingsFile::Load(CKorvaneAdminInfoMgr& manager) {
    SettingsLoadResult result = LoadScrambled(manager);
    m_bDamaged = result.outcome == SettingsLoadOutcome::Damaged;
    if (result.outcome != SettingsLoadOutcome::Loaded && result.outcome != SettingsLoadOutcome::NoFile) {
        Zelt::DebugTrace("CSettingsFile::Load(): %s\n", result.strReason.c_str());
    }
    if (result.outcome == SettingsLoadOutcome::NoFile) {
        result.strReason.clear();
    }
    return result;
}

SettingsLoadResult CSettingsFile::LoadScrambled(CKorvaneAdminInfoMgr& manager) const {
    std::string stored;
    if (std::optional<SettingsLoadResult> unread = ReadWholeFile(m_path, stored)) {
        return *unread;
    }
    if (!m_key) {
        return DamagedResult(
            CTextFormat::FormatId(Zelt::Text::SettingsNoIdentityToUnscramble, {m_path.string()}));
    }
    std::string xml = Zelt::CDecodeStr().Convert(stored, *m_key);
    std::string().swap(stored); // the stored form is twice the document: not kept while parsing
    return ApplyDocument(std::move(xml), manager, m_path);
}

SettingsLoadResult CSettingsFile::ReadExport(const std::filesystem::path& source,
                                             CKorvaneAdminInfoMgr& manager) {
    std::string xml;
    std::optional<SettingsLoadResult> unread = ReadWholeFile(source, xml);
    const SettingsLoadResult result =
        unread ? std::move(*unread) : ApplyDocument(std::move(xml), manager, source);
    switch (result.outcome) {
    case SettingsLoadOutcome::Loaded:
    case SettingsLoadOutcome::NotUsable:
    case SettingsLoadOutcome::CannotOpen:
        return result;
    case SettingsLoadOutcome::NoFile:
        return CannotOpenResult(source, ENOENT);
    case SettingsLoadOutcome::Damaged:
    case SettingsLoadOutcome::Incomplete:
        break;
    }
    Zelt::DebugTrace("CSettingsFile::ReadExport(): %s\n", result.strReason.c_str());
    return {SettingsLoadOutcome::Damaged, Zelt::Text::SettingsNotReadable,
            CTextFormat::FormatId(Zelt::Text::SettingsNotReadable, {source.string()})};
}

SettingsSaveResult CSettingsFile::Save(const CKorvaneAdminInfoMgr& manager) {
    SettingsSaveResult result;
    Zelt::DebugTrace("CSettingsFile::Save(): Begin.\n");
    if (!m_key) {
        return SaveFailed(std::move(result),
                          std::string(Zelt::CStringTable::Text(Zelt::Text::SettingsNoIdentity)));
    }
    std::string strReason;
    if (RefusesToReplace(m_path, strReason)) {
        return SaveFailed(std::move(result), std::move(strReason));
    }
    Zelt::DebugTrace("CSettingsFile::Save(): Create Dir.\n");
    if (!Zelt::CreateDirectoryPath(m_path.parent_path(), FOLDER_MODE)) {
        return SaveFailed(std::move(result),
                          CTextFormat::FormatId(Zelt::Text::FolderCannotCreate,
                                                {m_path.parent_path().string(), std::strerror(errno)}));
    }
    Zelt::DebugTrace("CSettingsFile::Save(): Get save data.\n");
    std::string xml;
    if (!Serialize(manager, xml, strReason)) {
        return SaveFailed(std::move(result), std::move(strReason));
    }
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

SettingsSaveResult CSettingsFile::Export(const std::filesystem::path& target,
                                         const CKorvaneAdminInfoMgr& manager) {
    SettingsSaveResult result;
    std::string strReason;
    std::string xml;
    if (RefusesToReplace(target, strReason) || !Serialize(manager, xml, strReason) ||
        !CAtomicFile::Replace(target, xml, FILE_MODE, strReason)) {
        return SaveFailed(std::move(result), std::move(strReason));
    }
    result.bSaved = true;
    return result;
}

// Whatever the user keeps there is theirs: it is neither set aside nor replaced.
bool CSettingsFile::RefusesToReplace(const std::filesystem::path& path, std::string& strReason) {
    if (!Zelt::CRegularFile::HoldsOtherThanRegularFile(path, true)) {
        return false;
    }
    strReason = Zelt::CRegularFile::NotRegularText(path);
    return true;
}

bool CSettingsFile::Serialize(const CKorvaneAdminInfoMgr& manager, std::string& xml, std::string& strReason) {
    try {
        xml = CSettingsWriter::Serialize(manager);
    } catch (const Zelt::CXMLError& error) {
        strReason = error.what();
        return false;
    }
    return true;
}

SettingsSaveResult CSettingsFile::SaveFailed(SettingsSaveResult result, std::string strReason) {
    Zelt::DebugTrace("CSettingsFile::Save(): %s\n", strReason.c_str());
    result.bSaved = false;
    result.nMessageId = Zelt::Text::SettingsSaveFailed;
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
    strReason =
        CTextFormat::FormatId(Zelt::Text::SettingsCannotMoveDamaged, {m_path.string(), std::strerror(errno)});
    return false;
}

bool CSettingsFile::WriteScrambled(const std::string& xml, std::string& strReason) {
    Zelt::CEncodeStr encoder;
    return CAtomicFile::Replace(m_path, encoder.Convert(xml, *m_key), FILE_MODE, strReason);
}

} // namespace Korvane
