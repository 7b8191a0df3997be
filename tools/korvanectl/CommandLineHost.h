#pragma once

#include "admin/AdminInfoMgr.h"
#include "admin/StateChanges.h"
#include "mail/ErrorMailThread.h"
#include "net/CancelEvent.h"
#include "operations/UpdateScheduler.h"
#include "support/CallQueue.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <iosfwd>
#include <map>
#include <mutex>
#include <thread>

namespace Korvanectl {

// The periodic update's window, for the command line: the store lives on the thread that runs
// the call queue; timers are kept by a thread of their own that posts into the queue; balloons
// become lines on the output, error mails go out on a mail thread of the host's own, as the
// desktop program sends them, and their outcome becomes a line too.
class CommandLineHost : public Korvane::IUpdateHost {
public:
    // The event cancels the error mail under way; the host sets it when it goes.
    CommandLineHost(Korvane::CKorvaneAdminInfoMgr& manager, std::ostream& out,
                    Zelt::CancelEventPtr mailCancel);
    ~CommandLineHost() override;

    // Serves the queue until Quit; timers fire into the given scheduler meanwhile.
    void Run(Korvane::CUpdateScheduler& scheduler);
    // Ends Run from any thread.
    void Quit();
    // Ends Run when the next update has completed.
    void QuitAfterUpdate() { m_bQuitAfterUpdate = true; }
    // Returns once the error mails have been sent (or cancelled) and their outcome printed.
    void WaitForErrorMail() { m_errorMail.WaitUntilIdle(); }
    // Runs when an update of all devices starts, with its category, on the thread that runs the
    // queue.
    void OnUpdateStarted(std::function<void(int)> action) { m_onUpdateStarted = std::move(action); }
    // Runs after every completed update, on the thread that runs the queue.
    void OnUpdateCompleted(std::function<void()> action) { m_onUpdateCompleted = std::move(action); }
    // Runs for every device result applied to the store, on the same thread.
    void OnResultApplied(std::function<void(const Korvane::InfoResult&)> action) {
        m_onResultApplied = std::move(action);
    }
    // A line per device and change: it stopped or started answering, or has new alerts.
    void ReportChanges(const std::vector<Korvane::CStateChanges::Change>& changes);

    void SetTimer(int nTimer, int nMilliseconds) override;
    void KillTimer(int nTimer) override;
    void SendToOwner(std::function<void()> call) override { m_owner.Send(std::move(call)); }
    void PostToOwner(std::function<void()> call) override { m_owner.Post(std::move(call)); }
    void ShowBalloon(int nLevel) override;
    void SendErrorMail() override;
    void ShowUpdateState(const std::string& text) override;
    void DevicesChanged() override {}
    void UpdateStarted(int nCategory) override;
    void UpdateCompleted() override;
    void ResultApplied(const Korvane::InfoResult& result) override;

private:
    using Clock = std::chrono::steady_clock;
    struct Timer {
        Clock::time_point due;
        std::chrono::milliseconds period;
    };

    void TimerLoop();
    // One line on the output, from whichever thread.
    void PrintLine(const std::string& line);
    void PrintMailOutcome(int nMailSendResult, const std::string& failure);

    Korvane::CKorvaneAdminInfoMgr& m_manager;
    std::ostream& m_out;
    std::mutex m_outMutex;
    Zelt::CCallQueue m_owner;
    Korvane::CUpdateScheduler* m_pScheduler = nullptr;
    bool m_bQuitAfterUpdate = false;
    std::function<void(int)> m_onUpdateStarted;
    std::function<void()> m_onUpdateCompleted;
    std::function<void(const Korvane::InfoResult&)> m_onResultApplied;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<int, Timer> m_timers;
    bool m_bStop = false;
    std::thread m_timerThread;
    Korvane::CErrorMailThread m_errorMail; // last: it goes first, while what it prints to is there
};

} // namespace Korvanectl
