#include "net/CancelEvent.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace Zelt {

CancelEvent::CancelEvent() : m_fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (m_fd < 0) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
}

CancelEvent::~CancelEvent() {
    close(m_fd);
}

void CancelEvent::Set() {
    // The counter only has to be non-zero; a full counter (EAGAIN) is set already.
    const uint64_t one = 1;
    while (write(m_fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void CancelEvent::Reset() {
    uint64_t count = 0;
    while (read(m_fd, &count, sizeof count) < 0 && errno == EINTR) {
    }
}

bool CancelEvent::IsSet() const {
    pollfd fd{m_fd, POLLIN, 0};
    return poll(&fd, 1, 0) == 1 && (fd.revents & POLLIN) != 0;
}

} // namespace Zelt
