#pragma once

#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>

namespace Zelt {

// The datagrams of one peer of the datagram server, in arrival order. Its handle is readable
// while datagrams wait, so a WaitSet can watch it beside sockets; unlike a byte pipe it keeps
// the datagrams apart.
class CDatagramQueue {
public:
    CDatagramQueue();
    ~CDatagramQueue();
    CDatagramQueue(const CDatagramQueue&) = delete;
    CDatagramQueue& operator=(const CDatagramQueue&) = delete;

    // A full queue drops the new datagram: a flooding peer must not exhaust memory.
    void Push(std::string_view datagram);
    // Copies the oldest datagram, cut to nSize bytes, and removes it; 0 when the queue is empty.
    size_t Pop(void* pBuffer, size_t nSize);
    bool IsEmpty() const;
    int Handle() const { return m_fd; }

    static constexpr size_t MAX_DATAGRAMS = 4096;

private:
    mutable std::mutex m_mutex;
    std::deque<std::string> m_datagrams;
    int m_fd;
};

} // namespace Zelt
