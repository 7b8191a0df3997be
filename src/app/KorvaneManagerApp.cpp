#include "KorvaneManagerApp.h"

#include "AppText.h"
#include "MainWindow.h"
#include "admin/SettingsLock.h"
#include "admin/StartupRules.h"
#include "admin/TextFormat.h"
#include "support/Trace.h"

#include <chrono>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTranslator>

namespace KorvaneApp {
namespace {

constexpr std::chrono::seconds kSettingsLockWait(10);

std::vector<std::string> StdArguments(const QStringList& arguments) {
    std::vector<std::string> texts;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        texts.push_back(Std(arguments[i]));
    }
    return texts;
}

} // namespace

QString KorvaneManagerApp::InstanceMarkerPath() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString folder = !runtime.isEmpty() && QDir::isAbsolutePath(runtime)
                               ? runtime
                               : QStringLiteral("/tmp/korvane-admin-%1").arg(getuid());
    return folder + QStringLiteral("/korvane-admin");
}

void KorvaneManagerApp::UseJapaneseFont() {
    const QString family = QStringLiteral("Noto Sans CJK JP");
    if (QFontDatabase::families().contains(family)) {
        QFont font = QApplication::font();
        font.setFamily(family);
        QApplication::setFont(font);
    }
}

bool KorvaneManagerApp::UseLanguage(Zelt::Language language) {
    Zelt::CLanguage::Set(language);
    static QPointer<QTranslator> s_pQtTexts;
    delete s_pQtTexts; // uninstalls itself
    if (language == Zelt::Language::English) {
        return true;
    }
    const QString name = QStringLiteral("qtbase_") + QString::fromLatin1(Zelt::CLanguage::Code(language));
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* pTranslator = new QTranslator(qApp);
    if (!pTranslator->load(name, folder)) {
        Zelt::DebugTrace("KorvaneManagerApp::UseLanguage(): no %s in %s", Std(name).c_str(),
                         Std(folder).c_str());
        delete pTranslator;
        return false;
    }
    QCoreApplication::installTranslator(pTranslator);
    s_pQtTexts = pTranslator;
    return true;
}

int KorvaneManagerApp::Run(const QStringList& arguments) {
    // The settings may choose another language; until they are read, the environment's.
    UseLanguage(Zelt::CLanguage::FromEnvironment());
    // One copy per user; the second start says so and ends, leaving the first alone. A marker that
    // cannot be locked for another reason is only reported: the settings lock below still keeps two
    // programs from changing one settings file.
    const Korvane::CSettingsLock instance(Std(InstanceMarkerPath()));
    if (instance.IsHeldByOther()) {
        QMessageBox::information(nullptr, QStringLiteral("KORVANE Admin"), Text(Zelt::Text::AlreadyRunning));
        return 0;
    }
    if (!instance.IsHeld()) {
        QMessageBox::warning(
            nullptr, QStringLiteral("KORVANE Admin"),
            Qs(Korvane::CTextFormat::FormatId(Zelt::Text::InstanceCheckFailed, {instance.Reason()})));
    }
    // No browser component reports a version here; an unknown version passes.
    if (!Korvane::CStartupRules::BrowserVersionSuffices(std::nullopt)) {
        QMessageBox::critical(nullptr, QStringLiteral("KORVANE Admin"), Text(Zelt::Text::WebBrowserMissing));
        return 0;
    }
    UseJapaneseFont();
    Korvane::CSettingsFile file;
    // The settings stay locked while the program runs: it saves its whole state at exit.
    const Korvane::CSettingsLock settingsLock(file.Path(), kSettingsLockWait);
    if (!settingsLock.IsHeld()) {
        QMessageBox::critical(nullptr, QStringLiteral("KORVANE Admin"),
                              settingsLock.IsHeldByOther()
                                  ? Text(Zelt::Text::SettingsFileInUse)
                                  : Qs(Korvane::CTextFormat::FormatId(Zelt::Text::SettingsLockFailed,
                                                                      {settingsLock.Reason()})));
        return 1;
    }
    Korvane::CKorvaneAdminInfoMgr manager;
    const Korvane::SettingsLoadResult loaded = file.Load(manager);
    // Before any window: KORVANE_LANG, then the language chosen in the settings, then the locale.
    UseLanguage(Zelt::CLanguage::FromEnvironment(manager.m_language));
    // Nothing at the settings path is the program's to replace unless it is a regular file, and a
    // file that cannot be opened may well be whole: the program stops before it could save.
    if (loaded.outcome == Korvane::SettingsLoadOutcome::NotUsable ||
        loaded.outcome == Korvane::SettingsLoadOutcome::CannotOpen) {
        QMessageBox::critical(nullptr, QStringLiteral("KORVANE Admin"), Qs(loaded.strReason));
        return 1;
    }
    if (loaded.outcome == Korvane::SettingsLoadOutcome::Damaged) {
        QMessageBox::warning(nullptr, QStringLiteral("KORVANE Admin"), Text(Zelt::Text::SettingsFileDamaged));
    }

    MainWindowOptions options;
    if (const QScreen* pScreen = QGuiApplication::primaryScreen()) {
        options.dScaleX = Korvane::CStartupRules::ScaleFactor(pScreen->logicalDotsPerInchX());
        options.dScaleY = Korvane::CStartupRules::ScaleFactor(pScreen->logicalDotsPerInchY());
    }
    options.bTrayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    MainWindow window(manager, file, options);
    // exit, not quit: quit asks every window to close, and closing only hides the main window.
    QObject::connect(&window, &MainWindow::ExitRequested, qApp, [] { QCoreApplication::exit(0); });
    if (!Korvane::CStartupRules::TrayStartRequested(StdArguments(arguments))) {
        window.show();
    } else if (!options.bTrayAvailable) {
        // No tray to start in: the window starts minimised rather than out of reach.
        window.showMinimized();
        window.statusBar()->showMessage(Text(Zelt::Text::NoNotificationArea));
    }
    QApplication::setQuitOnLastWindowClosed(false);
    return QApplication::exec();
}

} // namespace KorvaneApp
