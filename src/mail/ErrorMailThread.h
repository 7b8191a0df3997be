#pragma once

#include "admin/AdminInfoMgr.h"
#include "net/CancelEvent.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace Korvane {

// Sends the error mails one after another on a thread of its own, so that the thread that owns
// the store never waits for a mail server and can always end at once. Each mail takes copies of
// what it needs when it is queued; the thread never touches the store.
class CErrorMailThread {
public:
    // Called on the mail thread with the MailSendResult of each mail sent and a TLS failure's
    // reason (empty for none).
    using OutcomeHandler = std::function<void(int nMailSendResult, const std::string& failure)>;

    // At most this many mails wait behind the one under way; a newer one pushes out the oldest
    // (each lists every device's current state).
    static constexpr size_t MAX_WAITING = 8;

    // The cancel event ends the mail under way at once; it is also set when this object goes.
    explicit CErrorMailThread(OutcomeHandler onOutcome = {},
                              Zelt::CancelEventPtr cancel = std::make_shared<Zelt::CancelEvent>());
    // Cancels the mail under way, drops the waiting ones and joins the thread.
    ~CErrorMailThread();
    CErrorMailThread(const CErrorMailThread&) = delete;
    CErrorMailThread& operator=(const CErrorMailThread&) = delete;

    // On the store's thread: queues the mail of the store's present state with its mail settings;
    // nothing while notification is off.
    void Send(const CKorvaneAdminInfoMgr& manager);
    // Returns once no mail is queued or under way and the last outcome has been reported.
    void WaitUntilIdle();

private:
    struct Mail {
        CMailSettings settings;
        std::vector<std::string> lines;
    };

    void Serve();

    OutcomeHandler m_onOutcome;
    Zelt::CancelEventPtr m_cancel;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Mail> m_waiting;
    bool m_bSending = false;
    bool m_bStop = false;
    std::thread m_thread;
};

} // namespace Korvane
