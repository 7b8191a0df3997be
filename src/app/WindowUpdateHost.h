#pragma once

#include "GuiHandOver.h"
#include "operations/UpdateScheduler.h"

#include <map>

#include <QObject>
#include <QTimer>

namespace KorvaneApp {

// The periodic update's host in the desktop program: Qt timers, calls onto the GUI thread, and
// signals for what the window shows. Calls reach the GUI thread through a GuiHandOver, which
// stops waiting and drops them once the window closes it.
class WindowUpdateHost : public QObject, public Korvane::IUpdateHost {
    Q_OBJECT
public:
    explicit WindowUpdateHost(QObject* pParent = nullptr);

    void SetTimer(int nTimer, int nMilliseconds) override;
    void KillTimer(int nTimer) override;
    void SendToOwner(std::function<void()> call) override;
    void PostToOwner(std::function<void()> call) override;
    void ShowBalloon(int nLevel) override { emit BalloonRequested(nLevel); }
    void SendErrorMail() override { emit ErrorMailRequested(); }
    void ShowUpdateState(const std::string& text) override {
        emit UpdateStateChanged(QString::fromStdString(text));
    }
    void DevicesChanged() override { emit DeviceRecordsChanged(); }
    void UpdateCompleted() override { emit UpdateEnded(); }

    void Close() { m_handOver.Close(); }
    // The period of an armed timer, 0 when it is not armed.
    int TimerPeriod(int nTimer) const;

signals:
    void TimerFired(int nTimer);
    void BalloonRequested(int nLevel);
    void ErrorMailRequested();
    void UpdateStateChanged(const QString& text);
    void DeviceRecordsChanged();
    void UpdateEnded();

private:
    std::map<int, QTimer*> m_timers;
    GuiHandOver m_handOver;
};

} // namespace KorvaneApp
