#include "net/DatagramQueue.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace Zelt {

// A semaphore eventfd counts the waiting datagrams: readable exactly while the count is not 0.
CDatagramQueue::CDatagramQueue() : m_fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK | EFD_SEMAPHORE)) {
    if (m_fd < 0) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
}

CDatagramQueue::~CDatagramQueue() {
    close(m_fd);
}

void CDatagramQueue::Push(std::string_view datagram) {
    std::lock_guard lock(m_mutex);
    if (m_datagrams.size() >= MAX_DATAGRAMS) {
        return;
    }
    m_datagrams.emplace_back(datagram);
    const uint64_t one = 1;
    while (write(m_fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

size_t CDatagramQueue::Pop(void* pBuffer, size_t nSize) {
    std::lock_guard lock(m_mutex);
    if (m_datagrams.empty()) {
        return 0;
    }
    uint64_t count = 0;
    while (read(m_fd, &count, sizeof count) < 0 && errno == EINTR) {
    }
    const std::string& datagram = m_datagrams.front();
    const size_t nCopied = std::min(nSize, datagram.size());
    std::memcpy(pBuffer, datagram.data(), nCopied);
    m_datagrams.pop_front();
    return nCopied;
}

bool CDatagramQueue::IsEmpty() const {
    std::lock_guard lock(m_mutex);
    return m_datagrams.empty();
}

} // namespace Zelt
