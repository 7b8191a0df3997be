#pragma once

#include <memory>

#include <QObject>
#include <QSystemTrayIcon>

class QMenu;
class QWidget;

namespace KorvaneApp {

// The notification-area icon: its tooltip, the balloon, and its menu (show the window, exit).
// Many Linux desktops have no notification area; then there is no icon, and the window must
// never be hidden, since nothing could bring it back.
class NotifyIcon : public QObject {
    Q_OBJECT
public:
    NotifyIcon(QWidget* pWindow, bool bAvailable);
    ~NotifyIcon() override;

    bool IsAvailable() const { return m_pIcon != nullptr; }
    // Level 1 caution, 2 error; anything else shows nothing. Without an icon the window's
    // status bar shows the message instead.
    void ShowBalloon(int nLevel);
    // The balloon's title and text of a level.
    static QString BalloonTitle();
    static QString BalloonText(int nLevel);

signals:
    void ShowWindowRequested();
    void ExitRequested();
    void FallbackMessage(const QString& text, int nMilliseconds);

private:
    QWidget* m_pWindow;
    std::unique_ptr<QMenu> m_pMenu;
    QSystemTrayIcon* m_pIcon = nullptr;
};

} // namespace KorvaneApp
