#pragma once

#include "support/FileDescriptor.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace Korvane::Testing {

// A client connection to a loopback port, for talking to a server byte by byte.
class HttpClient {
public:
    explicit HttpClient(uint16_t nPort);

    void Send(std::string_view bytes);
    // Everything until the server closes, or what came before the wait ran out.
    std::string ReceiveAll(std::chrono::milliseconds wait = std::chrono::seconds(10));
    // Whether the server closed the connection (end of stream or reset) within the wait.
    bool ClosedWithin(std::chrono::milliseconds wait);

    // One whole exchange: the request sent, the answer read to the close.
    static std::string Exchange(uint16_t nPort, std::string_view request);

private:
    // Appends what comes; true when the server closed within the wait.
    bool ReadUntilClosed(std::chrono::milliseconds wait, std::string& received);

    Zelt::CFileDescriptor m_socket;
};

} // namespace Korvane::Testing
