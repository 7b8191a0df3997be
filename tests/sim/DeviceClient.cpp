#include "DeviceClient.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include <libxml/parser.h>
#include <libxml/xpath.h>
#include <openssl/evp.h>

namespace SimTest {
namespace {

sockaddr_storage MakeAddress(const std::string& address, std::uint16_t port, socklen_t& length) {
    sockaddr_storage storage{};
    auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
    if (inet_pton(AF_INET, address.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
        length = sizeof(sockaddr_in);
    } else if (inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        length = sizeof(sockaddr_in6);
    } else {
        throw std::runtime_error("not an address: " + address);
    }
    return storage;
}

std::uint32_t BigEndian(const unsigned char* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | bytes[3];
}

std::string BigEndianBytes(std::uint32_t value) {
    const unsigned char bytes[4] = {
        static_cast<unsigned char>(value >> 24), static_cast<unsigned char>(value >> 16),
        static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value)};
    return std::string(reinterpret_cast<const char*>(bytes), 4);
}

// Reads exactly n bytes; false when the peer closed or the time ran out first.
bool ReadExactly(int fd, std::string& out, std::size_t n, std::chrono::steady_clock::time_point deadline) {
    out.clear();
    while (out.size() < n) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd waiter{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&waiter, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        char chunk[65536];
        const ssize_t got = recv(fd, chunk, std::min(sizeof chunk, n - out.size()), 0);
        if (got <= 0) {
            return false;
        }
        out.append(chunk, static_cast<std::size_t>(got));
    }
    return true;
}

std::string ChildText(xmlNode* parent, const char* name) {
    for (xmlNode* child = parent != nullptr ? parent->children : nullptr; child != nullptr;
         child = child->next) {
        if (child->type == XML_ELEMENT_NODE &&
            std::strcmp(reinterpret_cast<const char*>(child->name), name) == 0) {
            xmlChar* content = xmlNodeGetContent(child);
            std::string text = content != nullptr ? reinterpret_cast<const char*>(content) : "";
            xmlFree(content);
            return text;
        }
    }
    return std::string();
}

xmlNode* Child(xmlNode* parent, const char* name) {
    for (xmlNode* child = parent != nullptr ? parent->children : nullptr; child != nullptr;
         child = child->next) {
        if (child->type == XML_ELEMENT_NODE &&
            std::strcmp(reinterpret_cast<const char*>(child->name), name) == 0) {
            return child;
        }
    }
    return nullptr;
}

xmlNode* AddElement(xmlNode* parent, const char* name, const std::string& text) {
    xmlNode* element = xmlNewChild(parent, nullptr, reinterpret_cast<const xmlChar*>(name), nullptr);
    if (!text.empty()) {
        xmlAddChild(element, xmlNewText(reinterpret_cast<const xmlChar*>(text.c_str())));
    }
    return element;
}

std::string Serialize(xmlDoc* doc) {
    xmlChar* buffer = nullptr;
    int size = 0;
    xmlDocDumpMemoryEnc(doc, &buffer, &size, "UTF-8");
    std::string text(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(size));
    xmlFree(buffer);
    xmlFreeDoc(doc);
    return text;
}

xmlNode* NewRequest(xmlDoc*& doc, const std::string& word) {
    doc = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
    xmlNode* root = xmlNewNode(nullptr, reinterpret_cast<const xmlChar*>("korvaneRequest"));
    xmlDocSetRootElement(doc, root);
    AddElement(root, "request", word);
    return root;
}

void AddParam(xmlNode* root, const std::string& type, const std::string& text) {
    xmlNode* param = AddElement(root, "param", text);
    xmlNewProp(param, reinterpret_cast<const xmlChar*>("type"),
               reinterpret_cast<const xmlChar*>(type.c_str()));
}

void FinishRequest(xmlNode* root, const std::string& auth) {
    AddElement(root, "auth", auth);
    AddParam(root, "waitmillisec", "30000");
    xmlNewProp(root, reinterpret_cast<const xmlChar*>("version"), reinterpret_cast<const xmlChar*>("1.00"));
}

} // namespace

std::string Base64Encode(const std::string& bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int n =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                        reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
    out.resize(static_cast<std::size_t>(n));
    return out;
}

std::string Base64Decode(const std::string& text) {
    std::string out(3 * (text.size() / 4) + 3, '\0');
    const int n =
        EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                        reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
    if (n < 0) {
        throw std::runtime_error("response body is not Base64");
    }
    std::size_t padding = 0;
    for (auto c = text.rbegin(); c != text.rend() && *c == '='; ++c) {
        ++padding;
    }
    out.resize(static_cast<std::size_t>(n) - padding);
    return out;
}

std::string Md5Hex(const std::string& bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr);
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex.push_back(kDigits[digest[i] >> 4]);
        hex.push_back(kDigits[digest[i] & 15]);
    }
    return hex;
}

std::string RequestXml(const std::string& word, const std::vector<Param>& params, const std::string& auth) {
    xmlDoc* doc = nullptr;
    xmlNode* root = NewRequest(doc, word);
    for (const Param& param : params) {
        AddParam(root, param.type, param.text);
    }
    FinishRequest(root, auth);
    return Serialize(doc);
}

std::string SetInfoXml(const std::string& infoNode, const std::string& auth, bool shutdown) {
    xmlDoc* doc = nullptr;
    xmlNode* root = NewRequest(doc, "SETINFO");
    xmlDoc* node =
        xmlReadMemory(infoNode.data(), static_cast<int>(infoNode.size()), nullptr, nullptr, XML_PARSE_NONET);
    if (node == nullptr) {
        xmlFreeDoc(doc);
        throw std::runtime_error("information node is not XML");
    }
    xmlNode* param = AddElement(root, "param", "");
    xmlNewProp(param, reinterpret_cast<const xmlChar*>("type"), reinterpret_cast<const xmlChar*>("infonode"));
    xmlAddChild(param, xmlDocCopyNode(xmlDocGetRootElement(node), doc, 1));
    xmlFreeDoc(node);
    FinishRequest(root, auth);
    if (shutdown) {
        xmlNode* post = AddElement(root, "param", "");
        xmlNewProp(post, reinterpret_cast<const xmlChar*>("type"),
                   reinterpret_cast<const xmlChar*>("postprocess"));
        xmlNode* process = AddElement(post, "postprocess", "");
        xmlNewProp(process, reinterpret_cast<const xmlChar*>("command"),
                   reinterpret_cast<const xmlChar*>("SHUTDOWN"));
        xmlNewProp(process, reinterpret_cast<const xmlChar*>("condition"),
                   reinterpret_cast<const xmlChar*>("-1"));
        xmlNewProp(process, reinterpret_cast<const xmlChar*>("order"), reinterpret_cast<const xmlChar*>("1"));
    }
    return Serialize(doc);
}

std::string Frame(const std::string& document) {
    const std::string body = Base64Encode(document);
    return "00RX" + BigEndianBytes(static_cast<std::uint32_t>(body.size())) + body;
}

int Connect(const std::string& address, std::uint16_t port, std::chrono::milliseconds timeout) {
    socklen_t length = 0;
    const sockaddr_storage target = MakeAddress(address, port, length);
    const int fd = socket(target.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return -1;
    }
    int error = 0;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&target), length) != 0) {
        if (errno != EINPROGRESS) {
            error = errno;
        } else {
            pollfd waiter{fd, POLLOUT, 0};
            if (poll(&waiter, 1, static_cast<int>(timeout.count())) != 1) {
                error = ETIMEDOUT;
            } else {
                socklen_t size = sizeof error;
                getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
            }
        }
    }
    if (error != 0) {
        close(fd);
        errno = error;
        return -1;
    }
    // Blocking from here on; reads are bounded with poll.
    const int flags = fcntl(fd, F_GETFL);
    fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

bool Probe(const std::string& address, std::uint16_t port) {
    const int fd = Connect(address, port);
    if (fd < 0) {
        return false;
    }
    close(fd);
    return true;
}

bool SendAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

std::string ReadAll(int fd, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string out;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd waiter{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&waiter, 1, static_cast<int>(left.count())) <= 0) {
            return out;
        }
        char chunk[4096];
        const ssize_t got = recv(fd, chunk, sizeof chunk, 0);
        if (got <= 0) {
            return out;
        }
        out.append(chunk, static_cast<std::size_t>(got));
    }
}

Response::Response(const std::string& text) : text_(text) {
    doc_ = xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, nullptr,
                         XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOBLANKS);
}

Response::~Response() {
    if (doc_ != nullptr) {
        xmlFreeDoc(doc_);
    }
}

Response::Response(Response&& other) noexcept : text_(std::move(other.text_)), doc_(other.doc_) {
    other.doc_ = nullptr;
}

std::string Response::Result() const {
    return Parsed() ? ChildText(xmlDocGetRootElement(doc_), "result") : "";
}

std::string Response::ErrorParam() const {
    return Parsed() ? ChildText(Child(xmlDocGetRootElement(doc_), "response"), "errorparam") : "";
}

std::string Response::AuthKey() const {
    return Parsed() ? ChildText(Child(xmlDocGetRootElement(doc_), "response"), "authkey") : "";
}

bool Response::HasInfo() const {
    return Parsed() && Child(Child(xmlDocGetRootElement(doc_), "response"), "korvaneinfo") != nullptr;
}

std::vector<std::string> Response::InfoChildren() const {
    std::vector<std::string> names;
    xmlNode* info = Parsed() ? Child(Child(xmlDocGetRootElement(doc_), "response"), "korvaneinfo") : nullptr;
    for (xmlNode* child = info != nullptr ? info->children : nullptr; child != nullptr; child = child->next) {
        if (child->type == XML_ELEMENT_NODE) {
            names.emplace_back(reinterpret_cast<const char*>(child->name));
        }
    }
    return names;
}

std::vector<std::string> Response::InfoTexts(const std::string& xpath) const {
    std::vector<std::string> texts;
    xmlNode* info = Parsed() ? Child(Child(xmlDocGetRootElement(doc_), "response"), "korvaneinfo") : nullptr;
    if (info == nullptr) {
        return texts;
    }
    xmlXPathContext* context = xmlXPathNewContext(doc_);
    context->node = info;
    xmlXPathObject* result = xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(xpath.c_str()), context);
    if (result != nullptr && result->type == XPATH_NODESET && result->nodesetval != nullptr) {
        for (int i = 0; i < result->nodesetval->nodeNr; ++i) {
            xmlChar* content = xmlNodeGetContent(result->nodesetval->nodeTab[i]);
            texts.emplace_back(content != nullptr ? reinterpret_cast<const char*>(content) : "");
            xmlFree(content);
        }
    }
    xmlXPathFreeObject(result);
    xmlXPathFreeContext(context);
    return texts;
}

std::string Response::InfoText(const std::string& xpath) const {
    const std::vector<std::string> texts = InfoTexts(xpath);
    return texts.empty() ? std::string("<none>") : texts.front();
}

std::vector<Response> Exchange(const std::string& address, const std::string& requestXml,
                               const std::optional<std::string>& image, std::uint16_t port,
                               std::chrono::milliseconds timeout) {
    const int fd = Connect(address, port);
    if (fd < 0) {
        throw std::runtime_error("cannot connect to " + address + ": " + std::strerror(errno));
    }
    std::string request = Frame(requestXml);
    if (image) {
        request += BigEndianBytes(static_cast<std::uint32_t>(image->size())) + *image;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::vector<Response> messages;
    if (!SendAll(fd, request)) {
        close(fd);
        throw std::runtime_error("cannot send the request to " + address);
    }
    for (;;) {
        std::string header;
        if (!ReadExactly(fd, header, 4, deadline)) {
            break;
        }
        const std::uint32_t length = BigEndian(reinterpret_cast<const unsigned char*>(header.data()));
        if (length > 64u * 1024u * 1024u) {
            close(fd);
            throw std::runtime_error("response length " + std::to_string(length));
        }
        std::string body;
        if (!ReadExactly(fd, body, length, deadline)) {
            close(fd);
            throw std::runtime_error("response body shorter than announced");
        }
        messages.emplace_back(Base64Decode(body));
        if (messages.back().Result() != "WAIT") {
            break;
        }
    }
    close(fd);
    return messages;
}

std::string Authorize(const std::string& address, const std::string& password, std::uint16_t port) {
    const std::vector<Response> messages = Exchange(
        address, RequestXml("AUTHORIZATION", {{"user", "admin"}, {"passwd", password}}), std::nullopt, port);
    if (messages.empty() || messages.back().Result() != "OK") {
        return std::string();
    }
    return messages.back().AuthKey();
}

std::string MagicPacket(const std::string& mac) {
    std::string bytes;
    for (std::size_t i = 0; i < mac.size(); i += 3) {
        bytes.push_back(static_cast<char>(std::stoi(mac.substr(i, 2), nullptr, 16)));
    }
    std::string packet(6, '\xFF');
    for (int i = 0; i < 16; ++i) {
        packet += bytes;
    }
    return packet;
}

void SendDatagram(const std::string& address, std::uint16_t port, const std::string& bytes) {
    socklen_t length = 0;
    const sockaddr_storage target = MakeAddress(address, port, length);
    const int fd = socket(target.ss_family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    const ssize_t sent =
        sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&target), length);
    close(fd);
    if (sent != static_cast<ssize_t>(bytes.size())) {
        throw std::runtime_error("cannot send a datagram to " + address + ": " + std::strerror(errno));
    }
}

bool WaitForReachability(const std::string& address, bool accepted, std::chrono::milliseconds timeout,
                         std::uint16_t port) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const int fd = Connect(address, port, std::chrono::milliseconds(500));
        const bool ok = fd >= 0;
        if (fd >= 0) {
            close(fd);
        }
        if (ok == accepted) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace SimTest
