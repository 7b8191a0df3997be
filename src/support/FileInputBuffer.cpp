#include "support/FileInputBuffer.h"

#include <cerrno>
#include <unistd.h>

namespace Zelt {

CFileInputBuffer::int_type CFileInputBuffer::underflow() {
    if (gptr() < egptr()) {
        return traits_type::to_int_type(*gptr());
    }
    ssize_t nRead;
    while ((nRead = read(m_fd, m_buffer.data(), m_buffer.size())) < 0 && errno == EINTR) {
    }
    if (nRead <= 0) {
        return traits_type::eof();
    }
    setg(m_buffer.data(), m_buffer.data(), m_buffer.data() + nRead);
    return traits_type::to_int_type(*gptr());
}

CFileInputBuffer::pos_type CFileInputBuffer::seekoff(off_type nOffset, std::ios_base::seekdir direction,
                                                     std::ios_base::openmode which) {
    if ((which & std::ios_base::in) == 0) {
        return pos_type(off_type(-1));
    }
    int nWhence = SEEK_SET;
    if (direction == std::ios_base::cur) {
        // The file is ahead of the reader by what is still buffered.
        nOffset -= egptr() - gptr();
        nWhence = SEEK_CUR;
    } else if (direction == std::ios_base::end) {
        nWhence = SEEK_END;
    }
    const off_t nPosition = lseek(m_fd, nOffset, nWhence);
    if (nPosition < 0) {
        return pos_type(off_type(-1));
    }
    setg(nullptr, nullptr, nullptr);
    return pos_type(nPosition);
}

CFileInputBuffer::pos_type CFileInputBuffer::seekpos(pos_type position, std::ios_base::openmode which) {
    return seekoff(off_type(position), std::ios_base::beg, which);
}

} // namespace Zelt
