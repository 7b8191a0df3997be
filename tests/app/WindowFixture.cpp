#include "WindowFixture.h"

#include "InfoListView.h"

#include <cstdlib>

namespace AppTesting {

WindowFixture::WindowFixture() {
    std::string pattern = (std::filesystem::temp_directory_path() / "korvane-admin-gui-XXXXXX").string();
    m_folder = mkdtemp(pattern.data());
    m_file = std::make_unique<Korvane::CSettingsFile>(m_folder / "KorvaneAdminSetting", "test-key");
}

WindowFixture::~WindowFixture() {
    m_window.reset();
    std::filesystem::remove_all(m_folder);
}

KorvaneApp::MainWindow& WindowFixture::Open(bool bTrayAvailable) {
    KorvaneApp::MainWindowOptions options;
    options.bTrayAvailable = bTrayAvailable;
    options.periods = Korvane::CUpdateScheduler::Periods{1000, 60000, 10000};
    m_window = std::make_unique<KorvaneApp::MainWindow>(manager, *m_file, options);
    return *m_window;
}

void WindowFixture::Select(const std::vector<std::string>& macs) {
    KorvaneApp::InfoListView* pList = m_window->List();
    pList->clearSelection();
    for (int i = 0; i < pList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* pRow = pList->topLevelItem(i);
        const std::string mac = pRow->data(0, KorvaneApp::InfoListView::MAC_ROLE).toString().toStdString();
        if (std::find(macs.begin(), macs.end(), mac) != macs.end()) {
            pRow->setSelected(true);
        }
    }
}

} // namespace AppTesting
