#pragma once

#include "mail/MailReply.h"
#include "net/StrmCltSocket.h"

#include <optional>
#include <string>
#include <string_view>

namespace Korvane {

// One TCP connection of the mail client (SMTP or POP3) and its command-and-reply steps. Socket
// failures and time-outs are thrown as the socket layer's exceptions.
class CMailConnection {
public:
    using ReplyStyle = CMailReply::Style;

    // The limit of the connect and of every read.
    static constexpr int WAIT_MILLISECONDS = 10000;

    explicit CMailConnection(ReplyStyle style);

    // The first IPv4 address of a host name or address text; nullopt when it has none.
    static std::optional<std::string> ResolveIpv4(const std::string& strHost);

    // Connects to a numeric IPv4 address; a port outside 1 to 65535 fails as an address error.
    void Open(const std::string& strAddress, int nPort);
    // Sends every byte of the text; false when a write could send nothing.
    bool Write(std::string_view text);
    // One whole reply; empty when the server closed without one. A reply longer than
    // CMailReply::MAX_BYTES is thrown as a receive error.
    std::string ReadReply();
    // Reads a reply and compares its start with the code without regard to case. A server that
    // closes instead of answering "221" (QUIT) has done what was asked.
    bool ExpectReply(std::string_view code);
    // Write, then ExpectReply.
    bool Command(std::string_view command, std::string_view code);
    // Write, then the number of the reply's first three characters (0 when it has none or when
    // nothing could be written). The reply goes to strReply.
    int NumericCommand(std::string_view command, std::string& strReply);

private:
    Zelt::CStrmCltSocket m_socket;
    ReplyStyle m_style;
};

} // namespace Korvane
