// Arbitrary bytes as what an SMTP or POP3 server sends, in pieces of varying size: the reply
// reader keeps exactly the bytes received, stops within its bound, and the code, the
// continuation rule and a CRAM-MD5 challenge are read without going out of bounds, and an EHLO
// reply announces STARTTLS only where a line of it names the extension.
#include "mail/MailReply.h"
#include "mail/SmtpDialogue.h"
#include "net/SocketErrors.h"
#include "support/Digest.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// The first byte chooses the piece sizes, the rest is the stream.
void ReadInPieces(Korvane::CMailReply::Style style, std::string_view stream, size_t nPieceSize) {
    Korvane::CMailReply reply(style);
    std::string received;
    try {
        while (!stream.empty()) {
            const std::string_view piece = stream.substr(0, nPieceSize);
            stream.remove_prefix(piece.size());
            received.append(piece);
            if (reply.Append(piece)) {
                break;
            }
        }
    } catch (const Zelt::CSocketError&) {
        if (received.size() <= Korvane::CMailReply::MAX_BYTES) {
            std::abort();
        }
        return;
    }
    if (reply.Text() != received || received.size() > Korvane::CMailReply::MAX_BYTES) {
        std::abort();
    }
    const int nCode = Korvane::CMailReply::NumericCode(reply.Text());
    if (nCode < -99 || nCode > 999) {
        std::abort();
    }
    Korvane::CMailReply::HasCode(reply.Text(), "+OK");
    if (Korvane::CSmtpDialogue::Offers(reply.Text(), "STARTTLS")) {
        std::string upper = reply.Text();
        std::transform(upper.begin(), upper.end(), upper.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        if (upper.find("STARTTLS") == std::string::npos) {
            std::abort();
        }
    }
    if (const auto challenge = Korvane::CMailReply::Challenge(reply.Text())) {
        Zelt::CDigest::CramMd5Response(*challenge, "user", "password");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const size_t nPieceSize = 1 + data[0] % 64;
    const std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);
    ReadInPieces(Korvane::CMailReply::Style::Smtp, stream, nPieceSize);
    ReadInPieces(Korvane::CMailReply::Style::Pop3, stream, nPieceSize);
    return 0;
}
