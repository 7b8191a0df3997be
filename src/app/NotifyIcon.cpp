#include "NotifyIcon.h"

#include "AppText.h"
#include "CommandTable.h"

#include <QMenu>
#include <QWidget>

namespace KorvaneApp {
namespace {

constexpr int kBalloonMilliseconds = 30000;

} // namespace

NotifyIcon::NotifyIcon(QWidget* pWindow, bool bAvailable) : QObject(pWindow), m_pWindow(pWindow) {
    if (!bAvailable) {
        return;
    }
    m_pMenu = std::make_unique<QMenu>();
    QAction* pShow = m_pMenu->addAction(CommandTable::MenuText(ID_TRAY_SHOW));
    QAction* pExit = m_pMenu->addAction(CommandTable::MenuText(ID_TRAY_EXIT));
    connect(pShow, &QAction::triggered, this, &NotifyIcon::ShowWindowRequested);
    connect(pExit, &QAction::triggered, this, &NotifyIcon::ExitRequested);
    // "Show" is greyed while the window is visible.
    connect(m_pMenu.get(), &QMenu::aboutToShow, this,
            [this, pShow] { pShow->setEnabled(!m_pWindow->isVisible()); });

    m_pIcon = new QSystemTrayIcon(QIcon(QStringLiteral(":/images/korvane.svg")), this);
    m_pIcon->setToolTip(Text(Zelt::Text::TrayToolTip));
    m_pIcon->setContextMenu(m_pMenu.get());
    connect(m_pIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick) {
            emit ShowWindowRequested();
        }
    });
    m_pIcon->show();
}

NotifyIcon::~NotifyIcon() {
    if (m_pIcon != nullptr) {
        m_pIcon->hide();
    }
}

QString NotifyIcon::BalloonTitle() {
    return Text(Zelt::Text::TrayStatusTitle);
}

QString NotifyIcon::BalloonText(int nLevel) {
    return Text(nLevel == 2 ? Zelt::Text::TrayDeviceError : Zelt::Text::TrayDeviceWarning);
}

void NotifyIcon::ShowBalloon(int nLevel) {
    if (nLevel != 1 && nLevel != 2) {
        return;
    }
    if (m_pIcon != nullptr) {
        m_pIcon->showMessage(BalloonTitle(), BalloonText(nLevel),
                             nLevel == 2 ? QSystemTrayIcon::Critical : QSystemTrayIcon::Warning,
                             kBalloonMilliseconds);
    } else {
        emit FallbackMessage(BalloonTitle() + QStringLiteral(": ") + BalloonText(nLevel).replace('\n', ' '),
                             kBalloonMilliseconds);
    }
}

} // namespace KorvaneApp
