#pragma once

#include "admin/AdminInfoMgr.h"
#include "admin/SettingsFile.h"
#include "admin/SettingsLock.h"

#include <iosfwd>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace Korvanectl {

// A failure a command reports in words and exit code 1.
class CommandError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The user's settings (or the file of --settings) loaded into a store for one command. A command
// that changes data takes the settings lock first, so that it never races the desktop program,
// which holds it while it runs and saves its whole state at exit.
class StoreAccess {
public:
    enum Mode { READ, CHANGE };

    // Throws CommandError when the settings cannot be used at all (locked elsewhere, no regular
    // file at their path, or a file that cannot be opened).
    StoreAccess(const std::optional<std::string>& settingsPath, Mode mode, std::ostream& err);

    Korvane::CKorvaneAdminInfoMgr& Manager() { return m_manager; }
    // What the load found: Loaded, NoFile, Damaged or Incomplete (the others throw).
    Korvane::SettingsLoadOutcome LoadOutcome() const { return m_loadOutcome; }
    // Writes the store back; throws CommandError when the file could not be written.
    void Save();
    // Writes other settings in place of the store's (an import), the same way.
    void Save(const Korvane::CKorvaneAdminInfoMgr& manager);
    const Korvane::CSettingsFile& File() const { return m_file; }
    Korvane::CSettingsFile& File() { return m_file; }
    // The file's stamp from before it was loaded.
    Korvane::SettingsFileStamp LoadedStamp() const { return m_loadedStamp; }

private:
    Korvane::CSettingsFile m_file;
    std::unique_ptr<Korvane::CSettingsLock> m_lock;
    Korvane::CKorvaneAdminInfoMgr m_manager;
    Korvane::SettingsLoadOutcome m_loadOutcome = Korvane::SettingsLoadOutcome::NoFile;
    Korvane::SettingsFileStamp m_loadedStamp;
};

} // namespace Korvanectl
