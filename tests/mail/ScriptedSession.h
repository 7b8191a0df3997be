#pragma once

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace MailTesting {

// One connection of a scripted server, as its script sees it. Every wait ends after 15 s of
// silence or when the server stops, so a client that misbehaves cannot hang a test.
class ScriptedSession {
public:
    ScriptedSession(int fd, const std::atomic<bool>& stop);
    ~ScriptedSession();
    ScriptedSession(const ScriptedSession&) = delete;
    ScriptedSession& operator=(const ScriptedSession&) = delete;

    // Sends the bytes; false when the client has gone.
    bool Send(std::string_view text);
    // Sends the bytes one at a time with the pause after each, as a server that holds its client
    // would; false when the client sent something, closed or went, or the server stopped first.
    bool Trickle(std::string_view text, std::chrono::milliseconds pause);
    // The next line without its "\r\n"; nullopt when the client closed or fell silent.
    std::optional<std::string> ReadLine();
    // The mail data up to the line ".", without that line; nullopt as for ReadLine.
    std::optional<std::string> ReadData();
    // Whether the client sends anything (or closes) within the time; nothing is consumed.
    bool ClientActsWithin(std::chrono::milliseconds time);
    // Reads until the client closes.
    void WaitForClose();

    // Every byte the client has sent so far.
    const std::string& Received() const { return m_received; }

private:
    std::optional<std::string> ReadUntil(std::string_view terminator);
    // One receive into the pending bytes; false when the client closed or fell silent.
    bool Receive();

    int m_fd;
    const std::atomic<bool>& m_stop;
    std::string m_pending;
    std::string m_received;
};

} // namespace MailTesting
