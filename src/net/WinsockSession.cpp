#include "net/WinsockSession.h"

#include "net/SocketErrors.h"

#include <csignal>

namespace Zelt {

WinsockSession::WinsockSession() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    if (sigaction(SIGPIPE, &ignore, nullptr) != 0) {
        ThrowSocketError("Startup error!", SOCKET_KIND_STARTUP);
    }
}

} // namespace Zelt
