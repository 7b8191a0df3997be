#include "ScriptedSession.h"

#include <algorithm>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace MailTesting {

namespace {

constexpr auto SILENCE_LIMIT = std::chrono::seconds(15);
constexpr int POLL_SLICE_MS = 50;

} // namespace

ScriptedSession::ScriptedSession(int fd, const std::atomic<bool>& stop) : m_fd(fd), m_stop(stop) {}

ScriptedSession::~ScriptedSession() {
    close(m_fd);
}

bool ScriptedSession::Send(std::string_view text) {
    while (!text.empty()) {
        const ssize_t sent = send(m_fd, text.data(), text.size(), MSG_NOSIGNAL);
        if (sent <= 0) {
            return false;
        }
        text.remove_prefix(static_cast<size_t>(sent));
    }
    return true;
}

bool ScriptedSession::Trickle(std::string_view text, std::chrono::milliseconds pause) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (m_stop || !Send(text.substr(i, 1)) || ClientActsWithin(pause)) {
            return false;
        }
    }
    return true;
}

std::optional<std::string> ScriptedSession::ReadLine() {
    return ReadUntil("\r\n");
}

std::optional<std::string> ScriptedSession::ReadData() {
    // The data begins right after the DATA line, so its first line can be the end line too.
    m_pending.insert(0, "\r\n");
    std::optional<std::string> data = ReadUntil("\r\n.\r\n");
    if (data) {
        data->erase(0, std::min<size_t>(2, data->size()));
    }
    return data;
}

std::optional<std::string> ScriptedSession::ReadUntil(std::string_view terminator) {
    size_t found;
    while ((found = m_pending.find(terminator)) == std::string::npos) {
        if (!Receive()) {
            return std::nullopt;
        }
    }
    std::string text = m_pending.substr(0, found);
    m_pending.erase(0, found + terminator.size());
    return text;
}

bool ScriptedSession::ClientActsWithin(std::chrono::milliseconds time) {
    if (!m_pending.empty()) {
        return true;
    }
    pollfd wait{m_fd, POLLIN, 0};
    return poll(&wait, 1, static_cast<int>(time.count())) == 1;
}

void ScriptedSession::WaitForClose() {
    while (Receive()) {
    }
}

bool ScriptedSession::Receive() {
    const auto deadline = std::chrono::steady_clock::now() + SILENCE_LIMIT;
    pollfd wait{m_fd, POLLIN, 0};
    while (!m_stop && std::chrono::steady_clock::now() < deadline) {
        if (poll(&wait, 1, POLL_SLICE_MS) != 1) {
            continue;
        }
        char buffer[4096];
        const ssize_t received = recv(m_fd, buffer, sizeof buffer, 0);
        if (received <= 0) {
            return false;
        }
        m_pending.append(buffer, static_cast<size_t>(received));
        m_received.append(buffer, static_cast<size_t>(received));
        return true;
    }
    return false;
}

} // namespace MailTesting
