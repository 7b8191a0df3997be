#include "ScriptedNameServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace KorvaneTesting {
namespace {

constexpr uint16_t TYPE_A = 1;
constexpr uint16_t FLAG_RESPONSE = 0x8000;
constexpr uint16_t FLAG_RECURSION = 0x0180; // desired (copied) and available
constexpr uint16_t RCODE_NXDOMAIN = 3;
constexpr size_t HEADER_SIZE = 12;

struct Question {
    std::string name; // lower case, labels joined by dots
    uint16_t type = 0;
    size_t end = 0; // offset after the question
};

uint16_t Read16(const std::string& bytes, size_t offset) {
    return static_cast<uint16_t>(static_cast<unsigned char>(bytes[offset]) << 8 |
                                 static_cast<unsigned char>(bytes[offset + 1]));
}

void Append16(std::string& bytes, uint16_t value) {
    bytes.push_back(static_cast<char>(value >> 8));
    bytes.push_back(static_cast<char>(value & 0xff));
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::optional<Question> ParseQuery(const std::string& packet) {
    if (packet.size() < HEADER_SIZE || Read16(packet, 4) != 1) {
        return std::nullopt;
    }
    Question question;
    size_t offset = HEADER_SIZE;
    while (offset < packet.size() && packet[offset] != 0) {
        const size_t length = static_cast<unsigned char>(packet[offset]);
        if (length > 63 || offset + 1 + length >= packet.size()) {
            return std::nullopt;
        }
        question.name += (question.name.empty() ? "" : ".") + packet.substr(offset + 1, length);
        offset += 1 + length;
    }
    if (offset + 5 > packet.size()) {
        return std::nullopt;
    }
    question.name = Lower(question.name);
    question.type = Read16(packet, offset + 1);
    question.end = offset + 5;
    return question;
}

// The query's header and question with the answer (an A record when given), or the name refused.
std::string ReplyTo(const std::string& query, const Question& question,
                    const std::optional<std::string>& ipv4) {
    std::string reply = query.substr(0, 2);
    Append16(reply, FLAG_RESPONSE | FLAG_RECURSION | (ipv4 ? 0 : RCODE_NXDOMAIN));
    Append16(reply, 1);
    Append16(reply, ipv4 && question.type == TYPE_A ? 1 : 0);
    Append16(reply, 0);
    Append16(reply, 0);
    reply += query.substr(HEADER_SIZE, question.end - HEADER_SIZE);
    if (ipv4 && question.type == TYPE_A) {
        Append16(reply, 0xc000 | HEADER_SIZE); // the name of the question
        Append16(reply, TYPE_A);
        Append16(reply, 1); // IN
        Append16(reply, 0);
        Append16(reply, 60); // TTL
        Append16(reply, 4);
        in_addr address{};
        inet_pton(AF_INET, ipv4->c_str(), &address);
        reply.append(reinterpret_cast<const char*>(&address), 4);
    }
    return reply;
}

} // namespace

ScriptedNameServer::ScriptedNameServer(const TestNetwork& net, const TestHost& host) {
    {
        const HostNamespaceGuard inHost = net.EnterHost(host);
        m_socket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(53);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (m_socket < 0 || bind(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        throw std::runtime_error("the name server cannot bind 127.0.0.1:53 in " + host.netns);
    }
    m_thread = std::jthread([this](const std::stop_token& stop) { Serve(stop); });
}

ScriptedNameServer::~ScriptedNameServer() {
    m_thread.request_stop();
    m_thread.join();
    close(m_socket);
}

void ScriptedNameServer::Answer(const std::string& name, const std::string& ipv4) {
    std::lock_guard lock(m_mutex);
    m_answers[Lower(name)] = ipv4;
}

void ScriptedNameServer::Hold(const std::string& name) {
    std::lock_guard lock(m_mutex);
    m_held.insert(Lower(name));
}

void ScriptedNameServer::SetDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(m_mutex);
    m_delay = delay;
}

int ScriptedNameServer::Lookups(const std::string& name) const {
    std::lock_guard lock(m_mutex);
    const auto found = m_lookups.find(Lower(name));
    return found == m_lookups.end() ? 0 : found->second;
}

int ScriptedNameServer::Queries() const {
    std::lock_guard lock(m_mutex);
    return m_nQueries;
}

int ScriptedNameServer::PeakNamesInFlight() const {
    std::lock_guard lock(m_mutex);
    return m_nPeakInFlight;
}

bool ScriptedNameServer::WaitForLookups(const std::string& name, int nCount,
                                        std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_asked.wait_for(lock, timeout, [&] {
        const auto found = m_lookups.find(Lower(name));
        return found != m_lookups.end() && found->second >= nCount;
    });
}

void ScriptedNameServer::Serve(const std::stop_token& stop) {
    constexpr int STOP_CHECK_MILLISECONDS = 20;
    while (!stop.stop_requested()) {
        pollfd fd{m_socket, POLLIN, 0};
        if (poll(&fd, 1, std::min(MillisecondsUntilNextReply(), STOP_CHECK_MILLISECONDS)) > 0) {
            Receive();
        }
        SendDueReplies();
    }
}

void ScriptedNameServer::Receive() {
    std::string packet(512, '\0');
    sockaddr_in peer{};
    socklen_t peerLength = sizeof peer;
    const ssize_t nRead =
        recvfrom(m_socket, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr*>(&peer), &peerLength);
    if (nRead <= 0) {
        return;
    }
    packet.resize(static_cast<size_t>(nRead));
    const std::optional<Question> question = ParseQuery(packet);
    if (!question) {
        return;
    }
    std::lock_guard lock(m_mutex);
    ++m_nQueries;
    if (question->type == TYPE_A) {
        ++m_lookups[question->name];
    }
    ++m_unanswered[question->name];
    m_nPeakInFlight = std::max(m_nPeakInFlight, static_cast<int>(m_unanswered.size()));
    m_asked.notify_all();
    if (m_held.count(question->name) == 0) {
        const auto answer = m_answers.find(question->name);
        m_replies.push_back(Reply{
            std::chrono::steady_clock::now() + m_delay, question->name,
            ReplyTo(packet, *question,
                    answer == m_answers.end() ? std::nullopt : std::optional<std::string>(answer->second)),
            peer});
    }
}

void ScriptedNameServer::SendDueReplies() {
    std::lock_guard lock(m_mutex);
    const auto now = std::chrono::steady_clock::now();
    std::erase_if(m_replies, [&](const Reply& reply) {
        if (reply.due > now) {
            return false;
        }
        sendto(m_socket, reply.bytes.data(), reply.bytes.size(), 0,
               reinterpret_cast<const sockaddr*>(&reply.peer), sizeof reply.peer);
        if (--m_unanswered[reply.name] == 0) {
            m_unanswered.erase(reply.name);
        }
        return true;
    });
}

int ScriptedNameServer::MillisecondsUntilNextReply() const {
    std::lock_guard lock(m_mutex);
    auto next = std::chrono::milliseconds::max();
    const auto now = std::chrono::steady_clock::now();
    for (const Reply& reply : m_replies) {
        next = std::min(next, std::chrono::ceil<std::chrono::milliseconds>(std::max(reply.due - now, {})));
    }
    return static_cast<int>(std::min<std::chrono::milliseconds::rep>(next.count(), 1000));
}

} // namespace KorvaneTesting
