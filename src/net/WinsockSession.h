#pragma once

namespace Zelt {

// The process-wide start and stop of the socket library around the program's network use.
// POSIX sockets need no start; what remains is making sure a peer that closes a connection
// cannot kill the process with SIGPIPE.
class WinsockSession {
public:
    // Throws CSocketError "Startup error!" (kind 0) when the process cannot be prepared.
    WinsockSession();
    ~WinsockSession() = default;
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
};

} // namespace Zelt
