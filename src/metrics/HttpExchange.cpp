#include "metrics/HttpExchange.h"

#include "metrics/HttpRequestHead.h"
#include "metrics/MetricsResponse.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>

namespace Korvane {
namespace {

bool WouldBlock() {
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}

} // namespace

CHttpExchange::CHttpExchange(Zelt::CFileDescriptor socket, Clock::time_point deadline,
                             size_t nMaxRequestBytes)
    : m_socket(std::move(socket)), m_deadline(deadline), m_nMaxRequestBytes(nMaxRequestBytes) {}

short CHttpExchange::Events() const {
    return m_stage == Stage::ANSWERING ? POLLOUT : POLLIN;
}

void CHttpExchange::OnReady(short nReturnedEvents, const std::shared_ptr<const std::string>& exposition) {
    if ((nReturnedEvents & (POLLERR | POLLNVAL)) != 0) {
        m_stage = Stage::FINISHED;
        return;
    }
    switch (m_stage) {
    case Stage::READING:
        Read(exposition);
        break;
    case Stage::ANSWERING:
        Write();
        break;
    case Stage::DRAINING:
        Drain();
        break;
    case Stage::FINISHED:
        break;
    }
}

void CHttpExchange::Read(const std::shared_ptr<const std::string>& exposition) {
    char buffer[4096];
    const ssize_t nRead = recv(m_socket.Get(), buffer, sizeof buffer, 0);
    if (nRead < 0 && WouldBlock()) {
        return;
    }
    if (nRead <= 0) {
        // Gone before its request ended: nothing to answer.
        m_stage = Stage::FINISHED;
        return;
    }
    m_received.append(buffer, static_cast<size_t>(nRead));
    CHttpRequestHead head;
    const CHttpRequestHead::Verdict verdict = head.Parse(m_received);
    if (verdict != CHttpRequestHead::Verdict::INCOMPLETE) {
        Answer(CMetricsResponse::For(verdict, head, exposition));
    } else if (m_received.size() > m_nMaxRequestBytes) {
        Answer(CMetricsResponse::TooLarge());
    }
}

void CHttpExchange::Answer(CMetricsResponse answer) {
    m_received.clear();
    m_received.shrink_to_fit();
    m_answer = std::move(answer);
    m_stage = Stage::ANSWERING;
    Write();
}

std::string_view CHttpExchange::Unsent() const {
    const std::string_view head = m_answer.head;
    if (m_nSent < head.size()) {
        return head.substr(m_nSent);
    }
    const std::string_view body = m_answer.body ? std::string_view(*m_answer.body) : std::string_view();
    return body.substr(std::min(m_nSent - head.size(), body.size()));
}

void CHttpExchange::Write() {
    for (std::string_view unsent = Unsent(); !unsent.empty(); unsent = Unsent()) {
        const ssize_t nSent = send(m_socket.Get(), unsent.data(), unsent.size(), MSG_NOSIGNAL);
        if (nSent < 0) {
            m_stage = WouldBlock() ? m_stage : Stage::FINISHED;
            return;
        }
        m_nSent += static_cast<size_t>(nSent);
    }
    shutdown(m_socket.Get(), SHUT_WR);
    m_answer = {};
    m_stage = Stage::DRAINING;
}

void CHttpExchange::Drain() {
    char buffer[4096];
    const ssize_t nRead = recv(m_socket.Get(), buffer, sizeof buffer, 0);
    if (nRead == 0 || (nRead < 0 && !WouldBlock())) {
        m_stage = Stage::FINISHED;
    }
}

} // namespace Korvane
