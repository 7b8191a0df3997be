#pragma once

#include "metrics/MetricsResponse.h"
#include "support/FileDescriptor.h"

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

namespace Korvane {

// One connection of the metrics server, from acceptance to close: read the request head (bounded),
// send the answer, then read and drop whatever else the client sends until it closes, so that
// closing never resets a connection whose answer the client has not read yet. Non-blocking: the
// server's loop calls it when poll reports its socket ready, and drops it at its deadline.
class CHttpExchange {
public:
    using Clock = std::chrono::steady_clock;

    CHttpExchange(Zelt::CFileDescriptor socket, Clock::time_point deadline, size_t nMaxRequestBytes);

    int Socket() const { return m_socket.Get(); }
    // The poll events it waits for.
    short Events() const;
    // Works on what poll reported; the exposition is what a scrape gets now.
    void OnReady(short nReturnedEvents, const std::shared_ptr<const std::string>& exposition);
    bool IsFinished() const { return m_stage == Stage::FINISHED; }
    Clock::time_point Deadline() const { return m_deadline; }

private:
    enum class Stage { READING, ANSWERING, DRAINING, FINISHED };

    void Read(const std::shared_ptr<const std::string>& exposition);
    void Answer(CMetricsResponse answer);
    // The part of the answer not sent yet, up to the end of its head or body.
    std::string_view Unsent() const;
    void Write();
    void Drain();

    Zelt::CFileDescriptor m_socket;
    Clock::time_point m_deadline;
    size_t m_nMaxRequestBytes;
    Stage m_stage = Stage::READING;
    std::string m_received;
    CMetricsResponse m_answer;
    size_t m_nSent = 0;
};

} // namespace Korvane
