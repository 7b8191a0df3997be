#pragma once

#include <array>
#include <streambuf>

namespace Zelt {

// A read-only stream buffer over a descriptor the caller opened and keeps open, so that how a file
// is opened (see CRegularFile) stays the caller's choice while stream code reads it. Seeks go to
// the file.
class CFileInputBuffer : public std::streambuf {
public:
    explicit CFileInputBuffer(int fd) : m_fd(fd) {}

protected:
    int_type underflow() override;
    pos_type seekoff(off_type nOffset, std::ios_base::seekdir direction,
                     std::ios_base::openmode which) override;
    pos_type seekpos(pos_type position, std::ios_base::openmode which) override;

private:
    int m_fd;
    std::array<char, 32768> m_buffer{};
};

} // namespace Zelt
