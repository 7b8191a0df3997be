#include "admin/SettingsLock.h"

#include "admin/TextFormat.h"
#include "support/DirectoryPath.h"
#include "support/RegularFile.h"
#include "support/StringTable.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace Korvane {
namespace {

constexpr mode_t kLockFileMode = 0600;
constexpr std::chrono::milliseconds kPollInterval(50);
constexpr size_t kMaxProcessIdText = 32;

bool IsContention(int nError) {
    return nError == EWOULDBLOCK || nError == EAGAIN;
}

} // namespace

CSettingsLock::CSettingsLock(const std::filesystem::path& settingsPath, std::chrono::milliseconds wait) {
    const std::filesystem::path lockPath = LockPathFor(settingsPath);
    if (!Zelt::CreateDirectoryPath(lockPath.parent_path(), 0700)) {
        m_strReason = CTextFormat::FormatId(Zelt::Text::FolderCannotCreate,
                                            {lockPath.parent_path().string(), std::strerror(errno)});
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (!TryOnce(lockPath) && m_bHeldByOther && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(kPollInterval);
    }
}

std::string CSettingsLock::RefusalText() const {
    if (!m_bHeldByOther) {
        return CTextFormat::FormatId(Zelt::Text::SettingsCannotBeLocked, {m_strReason});
    }
    if (m_otherHolder) {
        return CTextFormat::FormatId(Zelt::Text::SettingsInUseByProcess, {std::to_string(*m_otherHolder)});
    }
    return std::string(Zelt::CStringTable::Text(Zelt::Text::SettingsInUse));
}

std::filesystem::path CSettingsLock::LockPathFor(const std::filesystem::path& settingsPath) {
    std::filesystem::path lockPath = settingsPath;
    lockPath += ".lock";
    return lockPath;
}

bool CSettingsLock::TryOnce(const std::filesystem::path& lockPath) {
    Zelt::CRegularFile file(lockPath, O_RDWR | O_CREAT | O_NOFOLLOW, kLockFileMode);
    if (!file.IsOpen()) {
        m_strReason = file.Reason();
        return false;
    }
    Zelt::CFileDescriptor fd = file.Release();
    if (flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        const int nError = errno;
        m_bHeldByOther = IsContention(nError);
        m_otherHolder = m_bHeldByOther ? ProcessIdIn(fd.Get()) : std::nullopt;
        m_strReason = m_bHeldByOther ? std::string(Zelt::CStringTable::Text(Zelt::Text::SettingsInUse))
                                     : CTextFormat::FormatId(Zelt::Text::FileCannotLock,
                                                             {lockPath.string(), std::strerror(nError)});
        return false;
    }
    m_fd = std::move(fd);
    m_bHeldByOther = false;
    m_otherHolder.reset();
    m_strReason.clear();
    WriteOwnProcessId();
    return true;
}

// Only a help for messages (the lock itself is the flock), so a failure is of no consequence.
void CSettingsLock::WriteOwnProcessId() {
    const std::string text = std::to_string(getpid()) + "\n";
    if (ftruncate(m_fd.Get(), 0) == 0) {
        [[maybe_unused]] const ssize_t nWritten = pwrite(m_fd.Get(), text.data(), text.size(), 0);
    }
}

std::optional<pid_t> CSettingsLock::ProcessIdIn(int fd) {
    char text[kMaxProcessIdText] = {};
    const ssize_t nRead = pread(fd, text, sizeof text - 1, 0);
    pid_t nPid = 0;
    if (nRead <= 0 || std::from_chars(text, text + nRead, nPid).ec != std::errc() || nPid <= 0) {
        return std::nullopt;
    }
    return nPid;
}

std::optional<pid_t> CSettingsLock::HolderOf(const std::filesystem::path& settingsPath) {
    const std::filesystem::path lockPath = LockPathFor(settingsPath);
    const Zelt::CRegularFile file(lockPath, O_RDONLY | O_NOFOLLOW);
    // No lock file: nobody has ever held the lock (nor can, while something else is in its place).
    if (!file.IsOpen()) {
        return std::nullopt;
    }
    // A shared probe: it conflicts with a holder but not with another asker.
    if (flock(file.Get(), LOCK_SH | LOCK_NB) == 0) {
        return std::nullopt;
    }
    if (!IsContention(errno)) {
        return std::nullopt;
    }
    const pid_t nHolder = ProcessIdIn(file.Get()).value_or(0);
    if (nHolder == getpid()) {
        return std::nullopt;
    }
    return nHolder;
}

} // namespace Korvane
