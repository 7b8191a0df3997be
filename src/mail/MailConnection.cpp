#include "mail/MailConnection.h"

#include "net/Resolver.h"
#include "net/SocketErrors.h"

#include <cstdlib>
#include <strings.h>
#include <sys/socket.h>

namespace Korvane {

namespace {

constexpr size_t READ_SIZE = 1024;
constexpr std::string_view QUIT_REPLY = "221";

} // namespace

CMailConnection::CMailConnection(ReplyStyle style)
    : m_socket(AF_INET, nullptr, WAIT_MILLISECONDS), m_style(style) {}

std::optional<std::string> CMailConnection::ResolveIpv4(const std::string& strHost) {
    char szAddress[64] = {};
    if (Zelt::resolve_hostname_inet(strHost, szAddress, sizeof szAddress) != 0) {
        return std::nullopt;
    }
    return std::string(szAddress);
}

void CMailConnection::Open(const std::string& strAddress, int nPort) {
    if (nPort < 1 || nPort > 65535) {
        Zelt::ThrowSocketError("CMailConnection::Open: port out of range.\n", Zelt::SOCKET_KIND_ADDRESS);
    }
    m_socket.Open(strAddress, static_cast<uint16_t>(nPort));
}

bool CMailConnection::Write(std::string_view text) {
    while (!text.empty()) {
        const size_t nSent = m_socket.Write(text.data(), text.size());
        if (nSent == 0) {
            return false;
        }
        text.remove_prefix(nSent);
    }
    return true;
}

std::string CMailConnection::ReadReply() {
    std::string strReply;
    char buffer[READ_SIZE];
    for (;;) {
        const size_t nRead = m_socket.Read(buffer, sizeof buffer, nullptr, nullptr);
        if (nRead == 0) {
            return strReply;
        }
        strReply.append(buffer, nRead);
        if (strReply.size() > MAX_REPLY_BYTES) {
            Zelt::ThrowSocketError("CMailConnection::ReadReply: reply too long.\n",
                                   Zelt::SOCKET_KIND_RECEIVE);
        }
        if (buffer[nRead - 1] == '\n' && IsReplyComplete(strReply)) {
            return strReply;
        }
    }
}

// POP3 replies used here are single lines. An SMTP reply goes on while its last line has "-"
// after the code; a last line of the bare code ends it as well.
bool CMailConnection::IsReplyComplete(const std::string& strReply) const {
    if (m_style == ReplyStyle::Pop3) {
        return true;
    }
    const size_t nEnd = strReply.size() - 1;
    const size_t nPrevious = nEnd == 0 ? std::string::npos : strReply.rfind('\n', nEnd - 1);
    const size_t nStart = nPrevious == std::string::npos ? 0 : nPrevious + 1;
    return nEnd - nStart < 4 || strReply[nStart + 3] != '-';
}

bool CMailConnection::ExpectReply(std::string_view code) {
    const std::string strReply = ReadReply();
    if (strReply.empty() && code == QUIT_REPLY) {
        return true;
    }
    return strReply.size() >= code.size() &&
           strncasecmp(strReply.data(), std::string(code).c_str(), code.size()) == 0;
}

bool CMailConnection::Command(std::string_view command, std::string_view code) {
    return Write(command) && ExpectReply(code);
}

int CMailConnection::NumericCommand(std::string_view command, std::string& strReply) {
    if (!Write(command)) {
        return 0;
    }
    strReply = ReadReply();
    return std::atoi(strReply.substr(0, 3).c_str());
}

} // namespace Korvane
