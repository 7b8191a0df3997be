#pragma once

#include <cstdint>
#include <string>

namespace KorvanectlTesting {

// An HTTP/1.1 response as read until the server closed the connection.
struct HttpResponse {
    int status = 0; // 0 when nothing readable came
    std::string body;
};

// GET of the target from 127.0.0.1:port, written out by hand so that the test depends on no
// HTTP client of the machine; bounded by a few seconds.
HttpResponse HttpGet(uint16_t port, const std::string& target);

// A TCP port on 127.0.0.1 that nothing listens on right now.
uint16_t FreeLoopbackPort();

} // namespace KorvanectlTesting
