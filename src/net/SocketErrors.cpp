#include "net/SocketErrors.h"

#include "support/Trace.h"

namespace Zelt {

void ThrowSocketError(const std::string& strMessage, int nKind, int nSystemError) {
    DebugTrace("%s", strMessage.c_str());
    throw CSocketError(strMessage, nKind, nSystemError);
}

} // namespace Zelt
