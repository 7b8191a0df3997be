#include "mail/ErrorMailThread.h"

#include "mail/ErrorMail.h"
#include "support/Trace.h"

namespace Korvane {

CErrorMailThread::CErrorMailThread(OutcomeHandler onOutcome, Zelt::CancelEventPtr cancel)
    : m_onOutcome(std::move(onOutcome)), m_cancel(std::move(cancel)), m_thread([this] { Serve(); }) {}

CErrorMailThread::~CErrorMailThread() {
    {
        std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_cancel->Set();
    m_changed.notify_all();
    m_thread.join();
}

void CErrorMailThread::Send(const CKorvaneAdminInfoMgr& manager) {
    if (!manager.m_mail.bNotify) {
        return;
    }
    Mail mail{manager.m_mail, CErrorMail::BodyLines(manager)};
    {
        std::lock_guard lock(m_mutex);
        if (m_waiting.size() == MAX_WAITING) {
            Zelt::DebugTrace("CErrorMailThread::Send: the oldest waiting error mail is dropped.\n");
            m_waiting.pop_front();
        }
        m_waiting.push_back(std::move(mail));
    }
    m_changed.notify_all();
}

void CErrorMailThread::WaitUntilIdle() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_waiting.empty() && !m_bSending; });
}

void CErrorMailThread::Serve() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_bStop || !m_waiting.empty(); });
        if (m_bStop) {
            m_waiting.clear();
            m_changed.notify_all();
            return;
        }
        const Mail mail = std::move(m_waiting.front());
        m_waiting.pop_front();
        m_bSending = true;
        lock.unlock();
        std::string failure;
        const int nResult = CErrorMail::SendLines(mail.settings, mail.lines, m_cancel, &failure);
        if (m_onOutcome) {
            m_onOutcome(nResult, failure);
        }
        lock.lock();
        m_bSending = false;
        m_changed.notify_all();
    }
}

} // namespace Korvane
