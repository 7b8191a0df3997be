#pragma once

#include "support/FileDescriptor.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>

namespace Korvane {

// The lock that keeps two programs from changing one settings file at once: the desktop program
// holds it for as long as it runs (it saves its whole state at exit, which would undo any change
// made meanwhile), and korvanectl holds it around a load, change and save. It is an flock() on
// "<settings file>.lock", so the kernel releases it when its holder ends in any way. The holder
// writes its process id into the lock file for messages.
class CSettingsLock {
public:
    // Tries to take the lock, exclusively, without blocking or, with a wait, polling until the
    // wait is over. Creates the settings folders (0700) and the lock file (0600) when missing.
    explicit CSettingsLock(const std::filesystem::path& settingsPath,
                           std::chrono::milliseconds wait = std::chrono::milliseconds(0));
    CSettingsLock(const CSettingsLock&) = delete;
    CSettingsLock& operator=(const CSettingsLock&) = delete;
    ~CSettingsLock() = default;

    bool IsHeld() const { return m_fd.IsOpen(); }
    // The lock was not taken because another holder has it (rather than for a file error).
    bool IsHeldByOther() const { return m_bHeldByOther; }
    // The other holder's process id when it is known.
    std::optional<pid_t> OtherHolder() const { return m_otherHolder; }
    // Why the lock was not taken; empty when it is held.
    const std::string& Reason() const { return m_strReason; }
    // What a program that could not take it tells the user, in the program's language: that
    // another program (process N) uses the settings, or that they cannot be locked and why.
    std::string RefusalText() const;

    static std::filesystem::path LockPathFor(const std::filesystem::path& settingsPath);

    // Asks without taking anything: nullopt when no other process holds the lock, else the
    // holder's process id (0 when it is not known). Holders inside this process do not count.
    static std::optional<pid_t> HolderOf(const std::filesystem::path& settingsPath);

private:
    bool TryOnce(const std::filesystem::path& lockPath);
    void WriteOwnProcessId();
    static std::optional<pid_t> ProcessIdIn(int fd);

    Zelt::CFileDescriptor m_fd;
    bool m_bHeldByOther = false;
    std::optional<pid_t> m_otherHolder;
    std::string m_strReason;
};

} // namespace Korvane
