#include "operations/UpdateScheduler.h"

#include "admin/StatusEvaluation.h"
#include "admin/TextFormat.h"
#include "operations/InfoResultApplier.h"
#include "protocol/KorvaneInfo.h"
#include "support/StringTable.h"

namespace Korvane {
namespace {

constexpr int kActivityFullUpdate = 2;
constexpr int kActivityStatusUpdate = 4;

} // namespace

// Hands the job's results to the store's thread: each result waits there until applied; the end
// of the job is posted after the last one.
class CUpdateScheduler::Sink : public IInfoResultSink {
public:
    explicit Sink(CUpdateScheduler& scheduler) : m_scheduler(scheduler) {}
    void SendResult(const InfoResult& result) override {
        if (!m_scheduler.m_bClosing) {
            m_scheduler.m_host.SendToOwner([this, &result] { m_scheduler.OnResult(result); });
        }
    }
    void PostJobEnded() override {
        if (!m_scheduler.m_bClosing) {
            m_scheduler.m_host.PostToOwner([this] { m_scheduler.OnJobEnded(); });
        }
    }

private:
    CUpdateScheduler& m_scheduler;
};

CUpdateScheduler::CUpdateScheduler(CKorvaneAdminInfoMgr& manager, IUpdateHost& host, Periods periods)
    : m_manager(manager), m_host(host), m_periods(periods), m_sink(std::make_unique<Sink>(*this)),
      m_job(std::make_unique<CInfoJob>(*m_sink)) {}

CUpdateScheduler::CUpdateScheduler(CKorvaneAdminInfoMgr& manager, IUpdateHost& host)
    : CUpdateScheduler(manager, host, Periods{}) {}

CUpdateScheduler::~CUpdateScheduler() {
    m_job->Wait();
}

void CUpdateScheduler::Start() {
    ArmIntervalTimer();
    m_host.SetTimer(STATUS_TIMER, m_periods.nStatusMilliseconds);
}

void CUpdateScheduler::Stop() {
    m_host.KillTimer(INTERVAL_TIMER);
    m_host.KillTimer(STATUS_TIMER);
}

void CUpdateScheduler::Shutdown() {
    m_bClosing = true;
    StopAndCancel();
}

void CUpdateScheduler::StopAndCancel() {
    Stop();
    m_cancelEvent->Set();
}

void CUpdateScheduler::ArmIntervalTimer() {
    if (m_manager.m_nUpdateInterval <= 0) {
        m_host.KillTimer(INTERVAL_TIMER);
    } else {
        m_host.SetTimer(INTERVAL_TIMER, m_manager.m_nUpdateInterval * m_periods.nMinuteMilliseconds);
    }
}

void CUpdateScheduler::SetInterval(int nMinutes) {
    m_manager.m_nUpdateInterval = nMinutes;
    ArmIntervalTimer();
}

void CUpdateScheduler::OnTimer(int nTimer) {
    if (nTimer == INTERVAL_TIMER) {
        if (m_nActivity != 0) {
            // Busy: try again soon rather than skip a whole interval.
            m_host.SetTimer(INTERVAL_TIMER, m_periods.nRetryMilliseconds);
            return;
        }
        Refresh();
        ArmIntervalTimer();
    } else if (nTimer == STATUS_TIMER && m_nActivity == 0) {
        StartUpdate(ID_GETINFO_CATEGORY_STATUS, kActivityStatusUpdate, Zelt::Text::UpdatingStatus);
    }
}

void CUpdateScheduler::Refresh() {
    if (m_nActivity == 0) {
        StartUpdate(ID_GETINFO_CATEGORY_ADMIN_NORMAL, kActivityFullUpdate, Zelt::Text::UpdatingAll);
    }
}

void CUpdateScheduler::StartUpdate(int nCategory, int nActivity, int nStateTextId) {
    std::vector<CManagedDevice> copies;
    for (const auto& [mac, device] : m_manager.Devices()) {
        copies.push_back(device);
    }
    if (m_bClosing || copies.empty() || !m_job->Start(nCategory, std::move(copies), m_cancelEvent)) {
        return;
    }
    m_nActivity = nActivity;
    m_host.UpdateStarted(nCategory);
    m_host.ShowUpdateState(std::string(Zelt::CStringTable::Text(nStateTextId)));
}

void CUpdateScheduler::OnResult(const InfoResult& result) {
    CInfoResultApplier::Apply(m_manager, result);
    m_host.ResultApplied(result);
    if (result.nMessage == INFO_CANCELLED) {
        m_nActivity = 0;
    }
    m_host.DevicesChanged();
}

void CUpdateScheduler::OnJobEnded() {
    m_host.ShowUpdateState(CTextFormat::LocalTimeText());
    CheckNotification();
    m_nActivity = 0;
    m_host.UpdateCompleted();
}

void CUpdateScheduler::CheckNotification() {
    const StatusCheckResult result = CStatusEvaluation::CheckAllDevices(m_manager);
    if (!result.bChanged) {
        return;
    }
    m_host.ShowBalloon(result.nBalloon);
    if (m_manager.m_mail.bNotify) {
        m_host.SendErrorMail();
    }
}

} // namespace Korvane
