#pragma once

// A minimal client of the device protocol for the simulator's tests, independent of the project's
// protocol code: plain sockets, OpenSSL's Base64 and libxml2.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <libxml/tree.h>

namespace SimTest {

std::string Base64Encode(const std::string& bytes);
// Standard decoding; padding bytes are removed.
std::string Base64Decode(const std::string& text);
std::string Md5Hex(const std::string& bytes);

struct Param {
    std::string type;
    std::string text;
};

// A request document as the administration program builds it: root "korvaneRequest" version 1.00,
// "request", the params, "auth" and the wait time.
std::string RequestXml(const std::string& word, const std::vector<Param>& params,
                       const std::string& auth = "");
// The SETINFO request with an information node (and optionally the SHUTDOWN post-process).
std::string SetInfoXml(const std::string& infoNode, const std::string& auth, bool shutdown);
// "00RX", the big-endian length and the Base64 text of the document.
std::string Frame(const std::string& document);

// A connected TCP socket, or -1 with errno set (ECONNREFUSED for a device that does not listen).
int Connect(const std::string& address, std::uint16_t port,
            std::chrono::milliseconds timeout = std::chrono::seconds(5));
// Connects and closes at once, as the program's probe does. True when the connection was accepted.
bool Probe(const std::string& address, std::uint16_t port = 51055);

// Everything the device sent on a connection until it closed or the time ran out.
std::string ReadAll(int fd, std::chrono::milliseconds timeout);
bool SendAll(int fd, const std::string& bytes);

// A parsed response document.
class Response {
public:
    explicit Response(const std::string& text);
    ~Response();
    Response(Response&& other) noexcept;
    Response(const Response&) = delete;
    Response& operator=(const Response&) = delete;

    bool Parsed() const { return doc_ != nullptr; }
    const std::string& Text() const { return text_; }
    std::string Result() const;
    std::string ErrorParam() const;
    std::string AuthKey() const;
    bool HasInfo() const;
    // Names of the children of response/korvaneinfo, in order.
    std::vector<std::string> InfoChildren() const;
    // Texts of what the XPath selects, relative to response/korvaneinfo.
    std::vector<std::string> InfoTexts(const std::string& xpath) const;
    std::string InfoText(const std::string& xpath) const;

private:
    std::string text_;
    xmlDoc* doc_ = nullptr;
};

// One exchange: sends the framed request (plus the image, if any) and reads messages until one whose
// result is not "WAIT". All decoded messages, in order; an empty list when the device closed
// without a message. Throws std::runtime_error for a broken frame.
std::vector<Response> Exchange(const std::string& address, const std::string& requestXml,
                               const std::optional<std::string>& image = std::nullopt,
                               std::uint16_t port = 51055,
                               std::chrono::milliseconds timeout = std::chrono::seconds(10));

// AUTHORIZATION as user admin; the key, or empty when the device refused.
std::string Authorize(const std::string& address, const std::string& password, std::uint16_t port = 51055);

// The Wake-on-LAN magic packet for a MAC text such as "02:4B:53:00:00:01".
std::string MagicPacket(const std::string& mac);
// Sends a datagram from an unbound socket to address:port.
void SendDatagram(const std::string& address, std::uint16_t port, const std::string& bytes);

// Polls until the device accepts a connection again (or refuses it, with `accepted` false).
bool WaitForReachability(const std::string& address, bool accepted, std::chrono::milliseconds timeout,
                         std::uint16_t port = 51055);

} // namespace SimTest
