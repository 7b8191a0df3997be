#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include <QMetaObject>
#include <QObject>

namespace KorvaneApp {

// Hands calls from worker threads to the GUI thread of a dialog (the context object). Send waits
// until the call has run there; once Close was called (the dialog is going away) a waiting Send
// gives up within 50 ms and a call not yet run is dropped, so that no worker waits for ever on a
// dialog that has gone, or on one that waits for the workers. Post does not wait; a posted call
// runs only while the hand-over is open.
class GuiHandOver {
public:
    explicit GuiHandOver(QObject* pContext) : m_pContext(pContext) {}
    GuiHandOver(const GuiHandOver&) = delete;
    GuiHandOver& operator=(const GuiHandOver&) = delete;

    void Send(const std::function<void()>& call) {
        if (IsClosed()) {
            return;
        }
        auto sent = std::make_shared<SentCall>();
        QMetaObject::invokeMethod(
            m_pContext,
            [sent, &call] {
                std::lock_guard lock(sent->mutex);
                if (sent->bAbandoned) {
                    return;
                }
                call();
                sent->bDone = true;
                sent->done.notify_one();
            },
            Qt::QueuedConnection);
        std::unique_lock lock(sent->mutex);
        while (!sent->bDone) {
            if (IsClosed()) {
                sent->bAbandoned = true;
                return;
            }
            sent->done.wait_for(lock, std::chrono::milliseconds(50));
        }
    }

    void Post(std::function<void()> call) {
        if (IsClosed()) {
            return;
        }
        QMetaObject::invokeMethod(
            m_pContext,
            [closed = m_closed, call = std::move(call)] {
                if (!*closed) {
                    call();
                }
            },
            Qt::QueuedConnection);
    }

    void Close() { *m_closed = true; }
    bool IsClosed() const { return *m_closed; }

private:
    // One sent call: run on the GUI thread unless the sender gave up on it first.
    struct SentCall {
        std::mutex mutex;
        std::condition_variable done;
        bool bDone = false;
        bool bAbandoned = false;
    };

    QObject* m_pContext;
    std::shared_ptr<std::atomic<bool>> m_closed = std::make_shared<std::atomic<bool>>(false);
};

} // namespace KorvaneApp
