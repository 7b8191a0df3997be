#pragma once

#include <cstdint>
#include <netinet/in.h>
#include <optional>
#include <string>
#include <string_view>
#include <sys/socket.h>

namespace Korvane {

// Where the metrics server listens, from the user's "ADDRESS:PORT": "127.0.0.1:9731",
// "[::1]:9731", ":9731" (address left out: 127.0.0.1, so that nothing is exposed by accident),
// "localhost:9731". Only numeric addresses besides "localhost": a name would depend on a name
// server at the moment the service starts.
class CListenAddress {
public:
    // Empty when the text is no such address.
    static std::optional<CListenAddress> Parse(std::string_view text);

    const sockaddr_storage& Address() const { return m_address; }
    socklen_t Length() const { return m_nLength; }
    // "127.0.0.1:9731", "[::1]:9731".
    std::string Text() const;

private:
    sockaddr_storage m_address{};
    socklen_t m_nLength = 0;
};

} // namespace Korvane
