#include "support/RegularFile.h"

#include "support/StringTable.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Zelt {
namespace {

constexpr size_t kReadChunk = 65536;

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
        Fail("cannot open");
        if (m_nError == ENOENT || m_nError == ENOTDIR) {
            m_status = ABSENT;
        }
        return;
    }
    struct stat info {};
    if (fstat(m_fd.Get(), &info) != 0) {
        Fail("cannot open");
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
            Fail("cannot read");
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
        Fail("cannot read");
        bytes.clear();
        return false;
    }
    return true;
}

void CRegularFile::Fail(const char* pszStep) {
    m_nError = errno;
    m_pszFailedStep = pszStep;
    m_status = FAILED;
    m_fd.Close();
}

bool CRegularFile::HoldsOtherThanRegularFile(const std::filesystem::path& path, bool bFollowLinks) {
    struct stat info {};
    const int nResult = bFollowLinks ? stat(path.c_str(), &info) : lstat(path.c_str(), &info);
    return nResult == 0 && !S_ISREG(info.st_mode);
}

std::string CRegularFile::NotRegularText(const std::filesystem::path& path) {
    std::string text(CStringTable::Text(Text::NotRegularFile));
    const size_t nAt = text.find("%s");
    return nAt == std::string::npos ? text : text.replace(nAt, 2, path.string());
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
    return std::string(m_pszFailedStep) + " " + m_path.string() + ": " + std::strerror(m_nError);
}

} // namespace Zelt
