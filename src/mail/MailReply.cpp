#include "mail/MailReply.h"

#include "net/SocketErrors.h"

#include <cstdlib>
#include <strings.h>

namespace Korvane {

bool CMailReply::Append(std::string_view bytes) {
    m_strText.append(bytes);
    if (m_strText.size() > MAX_BYTES) {
        Zelt::ThrowSocketError("CMailConnection::ReadReply: reply too long.\n", Zelt::SOCKET_KIND_RECEIVE);
    }
    return !bytes.empty() && bytes.back() == '\n' && IsComplete();
}

// POP3 replies used here are single lines. An SMTP reply goes on while its last line has "-"
// after the code; a last line of the bare code ends it as well.
bool CMailReply::IsComplete() const {
    if (m_style == Style::Pop3) {
        return true;
    }
    const size_t nEnd = m_strText.size() - 1;
    const size_t nPrevious = nEnd == 0 ? std::string::npos : m_strText.rfind('\n', nEnd - 1);
    const size_t nStart = nPrevious == std::string::npos ? 0 : nPrevious + 1;
    return nEnd - nStart < 4 || m_strText[nStart + 3] != '-';
}

bool CMailReply::HasCode(std::string_view reply, std::string_view code) {
    return reply.size() >= code.size() && strncasecmp(reply.data(), code.data(), code.size()) == 0;
}

int CMailReply::NumericCode(std::string_view reply) {
    return std::atoi(std::string(reply.substr(0, 3)).c_str());
}

std::optional<std::string> CMailReply::Challenge(std::string_view reply) {
    constexpr size_t kCodeBytes = 4;
    constexpr size_t kLineEndBytes = 2;
    if (reply.size() < kCodeBytes + kLineEndBytes) {
        return std::nullopt;
    }
    return std::string(reply.substr(kCodeBytes, reply.size() - kCodeBytes - kLineEndBytes));
}

} // namespace Korvane
