#pragma once

#include "admin/AdminInfoMgr.h"
#include "operations/InfoJob.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace Korvane {

// What the window (or korvanectl's loop) does for the scheduler: its two timers, the thread
// that owns the store, and what the user sees.
class IUpdateHost {
public:
    virtual ~IUpdateHost() = default;
    // A timer fires once after the given period and then again at that period until changed.
    virtual void SetTimer(int nTimer, int nMilliseconds) = 0;
    virtual void KillTimer(int nTimer) = 0;
    // Runs a function on the store's thread; Send waits until it has run, Post does not. Once the
    // owner is shutting down, Send must not wait for ever: it may drop the call instead.
    virtual void SendToOwner(std::function<void()> call) = 0;
    virtual void PostToOwner(std::function<void()> call) = 0;
    // 1 caution, 2 error.
    virtual void ShowBalloon(int nLevel) = 0;
    virtual void SendErrorMail() = 0;
    // The band text: "Updating all information..." or "Updating status..." while an update runs,
    // then the completion time.
    virtual void ShowUpdateState(const std::string& text) = 0;
    // A device record changed (refresh the views).
    virtual void DevicesChanged() = 0;
    // An update of all devices has started: ID_GETINFO_CATEGORY_ADMIN_NORMAL (full) or
    // ID_GETINFO_CATEGORY_STATUS.
    virtual void UpdateStarted(int /*nCategory*/) {}
    // An update has ended and its notification check has run (devices may now wait for the
    // approval of a new address).
    virtual void UpdateCompleted() {}
    // A device's result has just been applied to the store.
    virtual void ResultApplied(const InfoResult&) {}
};

// The periodic update: a full update at the user's interval, a status update every minute, both
// over all managed devices at once; after each, the notification check (balloon and error
// mail for new alerts). `activity` keeps updates, searches and the detail report from
// overlapping: 0 idle, 1 search, 2 full update, 3 detail report, 4 status update.
class CUpdateScheduler {
public:
    static constexpr int INTERVAL_TIMER = 100;
    static constexpr int STATUS_TIMER = 101;

    // Periods, shortened in tests.
    struct Periods {
        int nMinuteMilliseconds = 60000;
        int nStatusMilliseconds = 60000;
        int nRetryMilliseconds = 10000;
    };

    CUpdateScheduler(CKorvaneAdminInfoMgr& manager, IUpdateHost& host, Periods periods);
    CUpdateScheduler(CKorvaneAdminInfoMgr& manager, IUpdateHost& host);
    ~CUpdateScheduler();

    // Arms both timers; the first updates come one period later.
    void Start();
    void Stop();
    // The program ends: the timers stop, an update under way is cancelled and its remaining
    // results are dropped, so that no worker waits on an owner that waits on it.
    void Shutdown();
    // The timers stop and an update under way is cancelled; its results (the cancelled ones
    // change nothing) and its end still reach the owner, which can wait for them and save.
    void StopAndCancel();
    void OnTimer(int nTimer);
    // The refresh command: a full update when idle.
    void Refresh();
    // The user's new interval in minutes; 0 or less switches the interval timer off.
    void SetInterval(int nMinutes);

    int Activity() const { return m_nActivity; }
    void SetActivity(int nActivity) { m_nActivity = nActivity; }

    // The notification check on its own (the window also runs it once at start-up).
    void CheckNotification();

private:
    class Sink;

    void StartUpdate(int nCategory, int nActivity, int nStateTextId);
    void ArmIntervalTimer();
    void OnResult(const InfoResult& result);
    void OnJobEnded();

    CKorvaneAdminInfoMgr& m_manager;
    IUpdateHost& m_host;
    Periods m_periods;
    int m_nActivity = 0;
    Zelt::CancelEventPtr m_cancelEvent = std::make_shared<Zelt::CancelEvent>();
    std::atomic<bool> m_bClosing{false};
    std::unique_ptr<Sink> m_sink;
    std::unique_ptr<CInfoJob> m_job;
};

} // namespace Korvane
