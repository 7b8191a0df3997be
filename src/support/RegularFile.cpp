#include "support/RegularFile.h"

#include "support/StringTable.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <sys/stat.h>
#include <unistd.h>

namespace Zelt {
namespace {

constexpr size_t kReadChunk = 65536;

// A table text with its %s filled in turn (the formatting of the layers above is not at hand here).
std::string Filled(int nTextId, std::initializer_list<std::string_view> args) {
    std::string text(CStringTable::Text(nTextId));
    size_t nAt = 0;
    for (const std::string_view arg : args) {
        nAt = text.find("%s", nAt);
        if (nAt == std::string::npos) {
            break;
        }
        text.replace(nAt, 2, arg);
        nAt += arg.size();
    }
    return text;
}

} // namespace

// Looked at before the open, so that no device is ever opened (opening some acts: a watchdog
// starts, a tape rewinds), and checked again once open, in case the path changed in between.
CRegularFile::CRegularFile(std::filesystem::path path, int nFlags, mode_t nMode) : m_path(std::move(path)) {
    if (HoldsOtherThanRegularFile(m_path, (nFlags & O_NOFOLLOW) == 0)) {
        m_status = NOT_REGULAR;
        return;
    }
    m_fd = CFileDescriptor(open(m_path.c_str(), nFlags | O_NONBLOCK | O_CLOEXEC, nMode));
    if (!m_fd.IsOpen()) {
        Fail(Text::FileCannotOpen);
        if (m_nError == ENOENT || m_nError == ENOTDIR) {
            m_status = ABSENT;
        }
        return;
    }
    struct stat info {};
    if (fstat(m_fd.Get(), &info) != 0) {
        Fail(Text::FileCannotOpen);
    } else if (!S_ISREG(info.st_mode)) {
        m_status = NOT_REGULAR;
        m_fd.Close();
    } else {
        m_status = OPENED;
        m_nSize = static_cast<size_t>(info.st_size);
    }
}

bool CRegularFile::ReadAtMost(size_t nMaxBytes, std::string& bytes) {
    // Room for the whole file and one byte more, so that its end is seen without growing.
    bytes.resize(std::min(nMaxBytes, m_nSize + 1));
    size_t nDone = 0;
    while (nDone < nMaxBytes) {
        if (nDone == bytes.size()) {
            bytes.resize(std::min(nMaxBytes, 2 * bytes.size() + kReadChunk));
        }
        const ssize_t nRead = read(m_fd.Get(), bytes.data() + nDone, bytes.size() - nDone);
        if (nRead < 0 && errno == EINTR) {
            continue;
        }
        if (nRead < 0) {
            Fail(Text::FileCannotRead);
            bytes.clear();
            return false;
        }
        if (nRead == 0) {
            break;
        }
        nDone += static_cast<size_t>(nRead);
    }
    bytes.resize(nDone);
    return true;
}

bool CRegularFile::ReadAll(size_t nMaxBytes, std::string& bytes) {
    if (!ReadAtMost(nMaxBytes + 1, bytes)) {
        return false;
    }
    if (bytes.size() > nMaxBytes) {
        errno = EFBIG;
        Fail(Text::FileCannotRead);
        bytes.clear();
        return false;
    }
    return true;
}

void CRegularFile::Fail(int nStepTextId) {
    m_nError = errno;
    m_nFailedStepTextId = nStepTextId;
    m_status = FAILED;
    m_fd.Close();
}

bool CRegularFile::HoldsOtherThanRegularFile(const std::filesystem::path& path, bool bFollowLinks) {
    struct stat info {};
    const int nResult = bFollowLinks ? stat(path.c_str(), &info) : lstat(path.c_str(), &info);
    return nResult == 0 && !S_ISREG(info.st_mode);
}

std::string CRegularFile::NotRegularText(const std::filesystem::path& path) {
    return Filled(Text::NotRegularFile, {path.string()});
}

std::string CRegularFile::Reason() const {
    switch (m_status) {
    case OPENED:
        return std::string();
    case NOT_REGULAR:
        return NotRegularText(m_path);
    case ABSENT:
    case FAILED:
        break;
    }
    return Filled(m_nFailedStepTextId, {m_path.string(), std::strerror(m_nError)});
}

} // namespace Zelt
