#include "CommandLineHost.h"

#include "Message.h"
#include "TerminalText.h"
#include "admin/StatusEvaluation.h"
#include "admin/TextFormat.h"
#include "mail/MailSettingForm.h"
#include "support/StringTable.h"

#include <ostream>

namespace Korvanectl {
namespace {

std::string OneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line) {
        if (c == '\n') {
            c = ' ';
        }
    }
    return line;
}

} // namespace

CommandLineHost::CommandLineHost(Korvane::CKorvaneAdminInfoMgr& manager, std::ostream& out,
                                 Zelt::CancelEventPtr mailCancel)
    : m_manager(manager), m_out(out), m_timerThread([this] { TimerLoop(); }),
      m_errorMail([this](int nResult, const std::string& failure) { PrintMailOutcome(nResult, failure); },
                  std::move(mailCancel)) {}

CommandLineHost::~CommandLineHost() {
    {
        std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_changed.notify_all();
    m_timerThread.join();
}

void CommandLineHost::Run(Korvane::CUpdateScheduler& scheduler) {
    m_pScheduler = &scheduler;
    m_owner.Run();
    m_pScheduler = nullptr;
}

void CommandLineHost::Quit() {
    m_owner.Post([this] { m_owner.Quit(); });
}

void CommandLineHost::SetTimer(int nTimer, int nMilliseconds) {
    {
        std::lock_guard lock(m_mutex);
        const std::chrono::milliseconds period(nMilliseconds);
        m_timers[nTimer] = Timer{Clock::now() + period, period};
    }
    m_changed.notify_all();
}

void CommandLineHost::KillTimer(int nTimer) {
    std::lock_guard lock(m_mutex);
    m_timers.erase(nTimer);
}

// Posts each due timer into the queue, where the scheduler handles it on the store's thread.
void CommandLineHost::TimerLoop() {
    std::unique_lock lock(m_mutex);
    while (!m_bStop) {
        auto next = Clock::time_point::max();
        for (auto& [nTimer, timer] : m_timers) {
            if (timer.due <= Clock::now()) {
                timer.due += timer.period;
                m_owner.Post([this, nTimer = nTimer] {
                    if (m_pScheduler != nullptr) {
                        m_pScheduler->OnTimer(nTimer);
                    }
                });
            }
            next = std::min(next, timer.due);
        }
        m_changed.wait_until(lock, next);
    }
}

void CommandLineHost::ShowBalloon(int nLevel) {
    PrintLine(Korvane::CTextFormat::LocalTimeText() + ' ' +
              std::string(Zelt::CStringTable::Text(Zelt::Text::TrayStatusTitle)) + ": " +
              OneLine(Zelt::CStringTable::Text(nLevel == 2 ? Zelt::Text::TrayDeviceError
                                                           : Zelt::Text::TrayDeviceWarning)));
}

void CommandLineHost::UpdateStarted(int nCategory) {
    if (m_onUpdateStarted) {
        m_onUpdateStarted(nCategory);
    }
}

void CommandLineHost::UpdateCompleted() {
    if (m_onUpdateCompleted) {
        m_onUpdateCompleted();
    }
}

void CommandLineHost::ResultApplied(const Korvane::InfoResult& result) {
    if (m_onResultApplied) {
        m_onResultApplied(result);
    }
}

void CommandLineHost::ReportChanges(const std::vector<Korvane::CStateChanges::Change>& changes) {
    const std::string time = Korvane::CTextFormat::LocalTimeText();
    for (const Korvane::CStateChanges::Change& change : changes) {
        const std::string device =
            time + ' ' + TerminalText::Escaped(change.name) + " (" + change.mac + "): ";
        if (change.bStoppedAnswering || change.bStartedAnswering) {
            PrintLine(device + std::string(Zelt::CStringTable::Text(change.bStoppedAnswering
                                                                        ? Zelt::Text::DeviceStoppedAnswering
                                                                        : Zelt::Text::DeviceAnsweringAgain)));
        }
        if (change.nNewAlertBits != 0) {
            PrintLine(device + OneLine(Korvane::CStatusEvaluation::AlertText(change.nNewAlertBits)));
        }
    }
}

// The store's present state is copied now; the mail thread sends it.
void CommandLineHost::SendErrorMail() {
    m_errorMail.Send(m_manager);
}

void CommandLineHost::PrintMailOutcome(int nMailSendResult, const std::string& failure) {
    const int nTextId = Korvane::CMailSettingForm::ResultMessage(nMailSendResult).nTextId;
    PrintLine(Message(Zelt::Text::CliErrorMailOutcome,
                      {Korvane::CTextFormat::LocalTimeText(), Zelt::CStringTable::Text(nTextId)}) +
              (failure.empty() ? std::string() : " (" + TerminalText::Escaped(failure) + ")"));
}

void CommandLineHost::PrintLine(const std::string& line) {
    std::lock_guard lock(m_outMutex);
    m_out << line << '\n' << std::flush;
}

// The text is what the update is doing, or the time at which it completed.
void CommandLineHost::ShowUpdateState(const std::string& text) {
    const bool bCompleted =
        text != Zelt::CStringTable::Text(Zelt::Text::UpdatingAll) && text != Zelt::CStringTable::Text(Zelt::Text::UpdatingStatus);
    PrintLine(bCompleted ? Message(Zelt::Text::CliUpdateCompleted, {text})
                         : Korvane::CTextFormat::LocalTimeText() + ' ' + text);
    if (bCompleted && m_bQuitAfterUpdate) {
        m_owner.Quit();
    }
}

} // namespace Korvanectl
