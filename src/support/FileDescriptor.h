#pragma once

namespace Zelt {

// Owns one open file descriptor and closes it when it goes.
class CFileDescriptor {
public:
    CFileDescriptor() = default;
    explicit CFileDescriptor(int fd) : m_fd(fd) {}
    CFileDescriptor(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(const CFileDescriptor&) = delete;
    CFileDescriptor(CFileDescriptor&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    CFileDescriptor& operator=(CFileDescriptor&& other) noexcept;
    ~CFileDescriptor() { Close(); }

    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }
    // Closes now; the result of close(), 0 when nothing was open.
    int Close();

private:
    int m_fd = -1;
};

} // namespace Zelt
