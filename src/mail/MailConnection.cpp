#include "mail/MailConnection.h"

#include "net/Resolver.h"
#include "net/SocketErrors.h"
#include "support/Trace.h"

#include <algorithm>
#include <sys/socket.h>

namespace Korvane {

namespace {

constexpr size_t READ_SIZE = 1024;
constexpr std::string_view QUIT_REPLY = "221";

} // namespace

CMailConnection::CMailConnection(ReplyStyle style, const MailDialogueLimits& limits)
    : m_socket(AF_INET, limits.cancel, WAIT_MILLISECONDS), m_style(style),
      m_deadline(Clock::now() + limits.length) {}

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
    LimitNextStep(Zelt::SOCKET_KIND_CONNECT);
    m_socket.Open(strAddress, static_cast<uint16_t>(nPort));
}

void CMailConnection::StartTls(const std::string& strServerName, const std::string& strTrustedFile) {
    m_tls = std::make_unique<CMailTls>(m_socket.TakeDescriptorNonBlocking(), strServerName, strTrustedFile);
    DriveTls([this] { return m_tls->Handshake(); }, Zelt::SOCKET_KIND_RECEIVE);
    Zelt::DebugTrace("CMailConnection::StartTls: TLS with %s\n", strServerName.c_str());
}

template <typename Step>
void CMailConnection::DriveTls(Step&& step, int nSocketErrorKind) {
    for (;;) {
        const CMailTls::Progress progress = step();
        if (progress == CMailTls::Progress::DONE) {
            return;
        }
        LimitNextStep(nSocketErrorKind);
        if (progress == CMailTls::Progress::WANT_READ) {
            m_socket.WaitUntilReadable();
        } else {
            m_socket.WaitUntilWritable();
        }
    }
}

size_t CMailConnection::WriteSome(std::string_view text) {
    if (!m_tls) {
        return m_socket.Write(text.data(), text.size());
    }
    size_t nSent = 0;
    DriveTls([&] { return m_tls->Write(text.data(), text.size(), nSent); }, Zelt::SOCKET_KIND_SEND);
    return nSent;
}

size_t CMailConnection::ReadSome(char* pBuffer, size_t nSize) {
    if (!m_tls) {
        return m_socket.Read(pBuffer, nSize, nullptr, nullptr);
    }
    size_t nRead = 0;
    DriveTls([&] { return m_tls->Read(pBuffer, nSize, nRead); }, Zelt::SOCKET_KIND_RECEIVE);
    return nRead;
}

bool CMailConnection::Write(std::string_view text) {
    while (!text.empty()) {
        LimitNextStep(Zelt::SOCKET_KIND_SEND);
        const size_t nSent = WriteSome(text);
        if (nSent == 0) {
            return false;
        }
        text.remove_prefix(nSent);
    }
    return true;
}

std::string CMailConnection::ReadReply() {
    CMailReply reply(m_style);
    char buffer[READ_SIZE];
    for (;;) {
        LimitNextStep(Zelt::SOCKET_KIND_RECEIVE);
        const size_t nRead = ReadSome(buffer, sizeof buffer);
        if (nRead == 0 || reply.Append(std::string_view(buffer, nRead))) {
            return reply.Text();
        }
    }
}

bool CMailConnection::ExpectReply(std::string_view code) {
    const std::string strReply = ReadReply();
    if (strReply.empty() && code == QUIT_REPLY) {
        return true;
    }
    return CMailReply::HasCode(strReply, code);
}

bool CMailConnection::Command(std::string_view command, std::string_view code) {
    return Write(command) && ExpectReply(code);
}

int CMailConnection::NumericCommand(std::string_view command, std::string& strReply) {
    if (!Write(command)) {
        return 0;
    }
    strReply = ReadReply();
    return CMailReply::NumericCode(strReply);
}

void CMailConnection::LimitNextStep(int nSocketErrorKind) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(m_deadline - Clock::now());
    if (left.count() <= 0) {
        Zelt::DebugTrace("CMailConnection: the dialogue is out of time.\n");
        throw Zelt::CSocketTimeOut(nSocketErrorKind);
    }
    m_socket.SetWaitMilliseconds(static_cast<int>(std::min<long long>(left.count(), WAIT_MILLISECONDS)));
}

} // namespace Korvane
