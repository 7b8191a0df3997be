#pragma once

#include "admin/AdminInfoMgr.h"
#include "support/XmlLoadCheck.h"

#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>

namespace Korvane {

enum class SettingsLoadOutcome {
    Loaded,     // the file was read (parts of it may have been left out, as the rules say)
    NoFile,     // there is no settings file yet: defaults
    Damaged,    // the file was read but does not unscramble into XML: defaults, tell the user
    Incomplete, // a top-level part is missing: defaults, silently
    NotUsable,  // something other than a regular file is at the path: the caller must not go on
    CannotOpen, // the file could not be opened or read (permissions, a part of the path that is
                // no folder, a read error): the caller must not go on, and nothing replaces it
};

struct SettingsLoadResult {
    SettingsLoadOutcome outcome = SettingsLoadOutcome::NoFile;
    int nMessageId = 0;    // the text for a damaged file, a path that is no regular file or a file that
                           // cannot be opened; 0 when the user need not be told
    std::string strReason; // what was wrong, for traces and korvanectl (for a path that is no regular
                           // file or a file that cannot be opened: the text to show)
};

struct SettingsSaveResult {
    bool bSaved = false;
    int nMessageId = 0;    // Text::SettingsSaveFailed when the save failed
    std::string strReason; // why it failed
    // Where this save moved the damaged file that the load could not read; empty otherwise.
    std::filesystem::path damagedCopy;

    explicit operator bool() const { return bSaved; }
};

// Tells one version of the file from another: every save replaces the file (a new inode), and
// the size and modification time catch a writer that does not. A missing file has the empty stamp.
struct SettingsFileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    long long modifiedNs = 0;
    bool operator==(const SettingsFileStamp&) const = default;
};

// The settings file of one user: the manager's groups, devices and application settings as a
// scrambled XML document. Loading never throws and never shows anything: it reports what the
// caller has to tell the user. See "Settings file" in docs/architecture.md.
class CSettingsFile {
public:
    static constexpr mode_t FILE_MODE = 0600;
    static constexpr mode_t FOLDER_MODE = 0700;
    // Twice the largest document the XML layer reads, and the odd character a reader ignores. The
    // writer keeps its documents within that size, so whatever it stores is read back.
    static constexpr size_t MAX_FILE_BYTES = 2 * Zelt::CXmlLoadCheck::MAX_DOCUMENT_BYTES + 1;

    // The user's file in its usual place, with the user's key.
    CSettingsFile();
    // Another file (korvanectl --settings), with the user's key.
    explicit CSettingsFile(std::filesystem::path path);
    // Another file and key; nullopt stands for a user identity that cannot be had.
    CSettingsFile(std::filesystem::path path, std::optional<std::string> key);

    // $XDG_CONFIG_HOME/VESTRANO/KORVANE Admin/KorvaneAdminSetting, ~/.config without it.
    static std::filesystem::path DefaultPath();

    const std::filesystem::path& Path() const { return m_path; }
    SettingsFileStamp Stamp() const;

    // Reads the file into a freshly made manager. A damaged file leaves the manager as it was
    // and is moved aside by the next Save, so that defaults never overwrite the only copy. A FIFO,
    // device or folder at the path is neither read nor waited for, nor ever moved, and neither is
    // a file that cannot be opened: only what was read can be known to be damaged. A missing
    // file, in a folder or not, is the first start.
    SettingsLoadResult Load(CKorvaneAdminInfoMgr& manager);

    // Writes the manager's whole state; the previous file stays whole if anything fails. Fails
    // while anything other than a regular file is at the path.
    SettingsSaveResult Save(const CKorvaneAdminInfoMgr& manager);

    // The manager's settings as plain XML, which any user on any machine can import: the
    // scrambling key changes with the machine and the user. Written like Save, mode 0600.
    static SettingsSaveResult Export(const std::filesystem::path& target,
                                     const CKorvaneAdminInfoMgr& manager);
    // Reads an exported file into a freshly made manager. Anything but Loaded refuses the file;
    // strReason is then the text to show.
    static SettingsLoadResult ReadExport(const std::filesystem::path& source, CKorvaneAdminInfoMgr& manager);

private:
    SettingsLoadResult LoadScrambled(CKorvaneAdminInfoMgr& manager) const;
    static bool RefusesToReplace(const std::filesystem::path& path, std::string& strReason);
    static bool Serialize(const CKorvaneAdminInfoMgr& manager, std::string& xml, std::string& strReason);
    bool SetDamagedFileAside(std::filesystem::path& damagedCopy, std::string& strReason);
    bool WriteScrambled(const std::string& xml, std::string& strReason);
    static SettingsSaveResult SaveFailed(SettingsSaveResult result, std::string strReason);

    std::filesystem::path m_path;
    std::optional<std::string> m_key;
    bool m_bDamaged = false;
};

} // namespace Korvane
