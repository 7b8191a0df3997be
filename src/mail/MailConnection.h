#pragma once

#include "mail/MailReply.h"
#include "mail/MailTls.h"
#include "net/CancelEvent.h"
#include "net/StrmCltSocket.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace Korvane {

// What bounds each dialogue of one mail: its whole length, and the sender's cancel event, which
// ends it at once. A server that trickles its replies can hold a dialogue no longer than this.
struct MailDialogueLimits {
    static constexpr std::chrono::seconds DEFAULT_LENGTH{60};

    Zelt::CancelEventPtr cancel;
    std::chrono::milliseconds length = DEFAULT_LENGTH;
};

// One TCP connection of the mail client (SMTP or POP3) and its command-and-reply steps: one
// dialogue, which ends when its limits say so. Socket failures, time-outs (of a step or of the
// whole dialogue) and the cancel are thrown as the socket layer's exceptions.
class CMailConnection {
public:
    using ReplyStyle = CMailReply::Style;
    using Clock = std::chrono::steady_clock;

    // The limit of the connect and of every read and write, within what is left of the dialogue.
    static constexpr int WAIT_MILLISECONDS = 10000;

    // The dialogue's time starts now.
    CMailConnection(ReplyStyle style, const MailDialogueLimits& limits);

    // The first IPv4 address of a host name or address text; nullopt when it has none.
    static std::optional<std::string> ResolveIpv4(const std::string& strHost);

    // Connects to a numeric IPv4 address; a port outside 1 to 65535 fails as an address error.
    void Open(const std::string& strAddress, int nPort);
    // TLS from here on (see CMailTls): the handshake within the step and dialogue limits. A
    // certificate that does not verify, or a handshake that fails, throws CMailTlsError.
    void StartTls(const std::string& strServerName, const std::string& strTrustedFile);
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
    // The next step waits at most the step limit and what is left of the dialogue; a dialogue
    // whose time is up ends with a time-out of the step's kind.
    void LimitNextStep(int nSocketErrorKind);
    // Repeats a TLS step, waiting as it asks, until it is done.
    template <typename Step>
    void DriveTls(Step&& step, int nSocketErrorKind);
    size_t WriteSome(std::string_view text);
    size_t ReadSome(char* pBuffer, size_t nSize);

    Zelt::CStrmCltSocket m_socket;
    std::unique_ptr<CMailTls> m_tls;
    ReplyStyle m_style;
    Clock::time_point m_deadline;
};

} // namespace Korvane
