#pragma once

#include "MainWindow.h"
#include "ModalAnswerer.h"
#include "admin/AdminInfoMgr.h"
#include "admin/SettingsFile.h"

#include <filesystem>
#include <memory>

namespace AppTesting {

// A main window over a store of the test's own, with a settings file in a folder that is
// removed afterwards, and a user who answers every message box.
class WindowFixture {
public:
    WindowFixture();
    ~WindowFixture();

    Korvane::CKorvaneAdminInfoMgr manager;
    ModalAnswerer answerer;

    // Opens the window (tray given, short periods).
    KorvaneApp::MainWindow& Open(bool bTrayAvailable = false);
    KorvaneApp::MainWindow& Window() { return *m_window; }
    void CloseWindow() { m_window.reset(); }
    const std::filesystem::path& Folder() const { return m_folder; }
    Korvane::CSettingsFile& File() { return *m_file; }

    // Selects the list's rows of these MACs (only them).
    void Select(const std::vector<std::string>& macs);

private:
    std::filesystem::path m_folder;
    std::unique_ptr<Korvane::CSettingsFile> m_file;
    std::unique_ptr<KorvaneApp::MainWindow> m_window;
};

} // namespace AppTesting
