#include "support/FileDescriptor.h"

#include <unistd.h>

namespace Zelt {

CFileDescriptor& CFileDescriptor::operator=(CFileDescriptor&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

int CFileDescriptor::Close() {
    if (m_fd < 0) {
        return 0;
    }
    // Not retried on EINTR: Linux has released the descriptor either way.
    const int nResult = close(m_fd);
    m_fd = -1;
    return nResult;
}

} // namespace Zelt
