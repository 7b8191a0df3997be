// The firmware update and eco mode dialogs: their checks and initial states, and runs against
// simulated devices through the progress dialog.
#include "AppText.h"
#include "EcoModeDialog.h"
#include "FirmwareDialog.h"
#include "ModalAnswerer.h"
#include "MonitoredDevices.h"
#include "ProgressDialog.h"
#include "SampleDevices.h"
#include "common/Simulator.h"
#include "support/StringTable.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QUrl>
#include <gtest/gtest.h>

using namespace Korvane;
using namespace KorvaneApp;
using KorvaneTesting::Simulator;

namespace {

// A folder of the test's own, removed afterwards.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "korvane-gui-dialogs-XXXXXX").string();
        m_path = mkdtemp(pattern.data());
    }
    ~ScratchFolder() { std::filesystem::remove_all(m_path); }
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Plays the user of the progress dialog: once its run has finished, notes the row texts and
// presses "閉じる". Any other dialog is noted and dismissed.
class ProgressUser {
public:
    explicit ProgressUser(AppTesting::ModalAnswerer& answerer) {
        answerer.SetDialogHandler([this](QWidget* pModal) {
            auto* pProgress = qobject_cast<ProgressDialog*>(pModal);
            if (pProgress == nullptr) {
                others << QString::fromUtf8(pModal->metaObject()->className());
                if (auto* pDialog = qobject_cast<QDialog*>(pModal)) {
                    pDialog->reject();
                }
                return;
            }
            if (pProgress == m_pClosing || pProgress->Operation() == nullptr ||
                !pProgress->Operation()->IsFinished() || !pProgress->CloseButton()->isEnabled()) {
                return;
            }
            m_pClosing = pProgress;
            ++nClosed;
            rows.clear();
            for (int i = 0; i < pProgress->Rows()->topLevelItemCount(); ++i) {
                rows << pProgress->Rows()->topLevelItem(i)->text(1);
            }
            // Pressed from the event loop: the question it may ask must find the answerer free.
            QMetaObject::invokeMethod(pProgress->CloseButton(), &QPushButton::click, Qt::QueuedConnection);
        });
    }

    int nClosed = 0;
    QStringList rows;
    QStringList others;

private:
    QPointer<ProgressDialog> m_pClosing;
};

class DialogTest : public ::testing::Test {
protected:
    CKorvaneAdminInfoMgr manager;
    AppTesting::ModalAnswerer answerer{QMessageBox::No};

    std::vector<std::string> Manage(Simulator& sim, const std::vector<int>& withoutPassword = {}) {
        return OperationsTesting::ManageSimulated(manager, sim, withoutPassword);
    }
};

class FirmwareDialogTest : public DialogTest {};

// "The quick brown fox jumps over the lazy dog": 43 bytes with a well-known MD5.
constexpr const char* kImageText = "The quick brown fox jumps over the lazy dog";
constexpr const char* kImageMd5 = "9e107d9d372bb6826bd81d3542a419d6";

void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
}

} // namespace

TEST_F(FirmwareDialogTest, TheImageMustBeNamedPresentAndARegularFileBeforeAnythingRuns) {
    ScratchFolder folder;
    ProgressUser user(answerer);
    FirmwareDialog dialog(manager, {});
    dialog.show();

    dialog.OkButton()->click();
    EXPECT_EQ(answerer.Texts(), QStringList{KorvaneApp::Text(Zelt::Text::FirmwareFileNotSelected)});
    EXPECT_TRUE(dialog.isVisible());

    answerer.Clear();
    dialog.PathEdit()->setText(QString::fromStdString((folder.Path() / "missing.img").string()));
    dialog.OkButton()->click();
    EXPECT_EQ(answerer.Texts(), QStringList{KorvaneApp::Text(Zelt::Text::SelectedFileMissing)});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(user.nClosed, 0) << "no progress dialog was opened";
    EXPECT_TRUE(user.others.isEmpty());

    // A folder (or a FIFO or device) is no image: its name is shown and the dialog stays.
    answerer.Clear();
    dialog.PathEdit()->setText(QString::fromStdString(folder.Path().string()));
    dialog.OkButton()->click();
    EXPECT_EQ(answerer.Texts(), QStringList{QString::fromStdString(folder.Path().string()) +
                                            QString::fromUtf8(" は通常のファイルではありません。")});
    EXPECT_EQ(user.nClosed, 0);

    answerer.Clear();
    WriteFile(folder.Path() / "image.img", kImageText);
    dialog.PathEdit()->setText(QString::fromStdString((folder.Path() / "image.img").string()));
    dialog.OkButton()->click();
    EXPECT_TRUE(answerer.Texts().isEmpty());
    EXPECT_EQ(user.nClosed, 1);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(FirmwareDialogTest, AFileDroppedOnThePathGivesItsWholePath) {
    ScratchFolder folder;
    // Longer than the 520 characters an older buffer held.
    const std::filesystem::path deep =
        folder.Path() / std::string(200, 'd') / std::string(200, 'e') / (std::string(150, 'f') + ".img");
    std::filesystem::create_directories(deep.parent_path());
    WriteFile(deep, kImageText);
    ASSERT_GT(deep.string().size(), 520u);

    FirmwareDialog dialog(manager, {});
    dialog.PathEdit()->setText(QStringLiteral("typed before"));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(deep.string())),
                  QUrl::fromLocalFile(QStringLiteral("/etc/hostname"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dialog.PathEdit(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dialog.PathEdit(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(dialog.PathEdit()->text().toStdString(), deep.string())
        << "the first file, whole, replacing the text";
}

TEST_F(FirmwareDialogTest, BrowseTakesTheChosenFileWithAFilterForEveryFile) {
    EXPECT_EQ(FirmwareDialog::FileDialogFilter(KorvaneApp::Text(Zelt::Text::FirmwareFileFilter)),
              QString::fromUtf8("すべてのファイル (*)"));
    EXPECT_EQ(FirmwareDialog::FileDialogFilter(QStringLiteral("Images (*.img)|*.img|All|*.*||")),
              QStringLiteral("Images (*.img);;All (*)"));

    ScratchFolder folder;
    const std::filesystem::path image = folder.Path() / "image-without-a-dot";
    WriteFile(image, kImageText);
    QStringList filters;
    answerer.SetDialogHandler([&](QWidget* pModal) {
        if (auto* pFiles = qobject_cast<QFileDialog*>(pModal)) {
            filters = pFiles->nameFilters();
            // Typed into the file name box, as a user would (selectFile leaves a focused box alone).
            auto* pName = pFiles->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(pName, nullptr);
            pName->setText(QString::fromStdString(image.string()));
            QMetaObject::invokeMethod(pFiles, "accept");
        }
    });
    FirmwareDialog dialog(manager, {});
    dialog.BrowseButton()->click();
    EXPECT_EQ(filters, QStringList{QString::fromUtf8("すべてのファイル (*)")});
    EXPECT_EQ(dialog.PathEdit()->text().toStdString(), image.string());
}

TEST_F(FirmwareDialogTest, TheImageReachesEveryTargetWithAPassword) {
    Simulator sim({"--count", "3", "--base", "127.87.26.1", "--http-port", "0"});
    const std::vector<std::string> macs = Manage(sim, {2});
    ScratchFolder folder;
    const std::filesystem::path image = folder.Path() / "fw.img";
    WriteFile(image, kImageText);

    ProgressUser user(answerer);
    FirmwareDialog dialog(manager, macs);
    dialog.show();
    dialog.PathEdit()->setText(QString::fromStdString(image.string()));
    dialog.OkButton()->click();

    EXPECT_EQ(user.nClosed, 1);
    EXPECT_EQ(user.rows, (QStringList{QString::fromUtf8("F/W アップデートを実行しました。"),
                                      QString::fromUtf8("F/W アップデートを実行しました。"),
                                      KorvaneApp::Text(Zelt::Text::ProgressNoPassword)}));
    EXPECT_EQ(answerer.Texts(), (QStringList{KorvaneApp::Text(Zelt::Text::FirmwareUpdateStarted),
                                             KorvaneApp::Text(Zelt::Text::AskSetPasswordAgain)}))
        << "the notice once, then the offer to enter the missing password";
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    for (int i = 0; i < 2; ++i) {
        const KorvaneTesting::SimulatedDeviceState state = sim.State(i);
        EXPECT_TRUE(state.hasFirmware) << i;
        EXPECT_EQ(state.firmwareName, "fw.img") << i;
        EXPECT_EQ(state.firmwareSize, 43u) << i;
        EXPECT_EQ(state.firmwareMd5, kImageMd5) << i;
    }
    EXPECT_FALSE(sim.State(2).hasFirmware) << "the device without a password was not contacted";
}

namespace {

class EcoDialog : public DialogTest {
protected:
    // A sample device of the family under management with the eco waiting time given.
    std::string AddSample(const std::string& family, const std::string& mac, const std::string& minutes) {
        CManagedDevice device = AdminTesting::SampleDevice(family, mac, "ks-" + family, "198.18.0.61");
        if (!minutes.empty()) {
            AdminTesting::SetInfoText(device, "system/eco/defaulttime/minute", minutes);
        }
        manager.AddOrUpdate(device);
        return CKorvaneAdminInfoMgr::NormalizeMac(mac);
    }

    static std::vector<bool> Enabled(const EcoModeDialog& dialog) {
        std::vector<bool> enabled;
        for (size_t i = 0; i < CEcoSettings::VOLUME_COUNT; ++i) {
            EXPECT_EQ(dialog.OnButton(i)->isEnabled(), dialog.OffButton(i)->isEnabled()) << i;
            enabled.push_back(dialog.OnButton(i)->isEnabled());
        }
        return enabled;
    }

    static std::vector<bool> On(const EcoModeDialog& dialog) {
        std::vector<bool> on;
        for (size_t i = 0; i < CEcoSettings::VOLUME_COUNT; ++i) {
            EXPECT_NE(dialog.OnButton(i)->isChecked(), dialog.OffButton(i)->isChecked()) << i;
            on.push_back(dialog.OnButton(i)->isChecked());
        }
        return on;
    }

    // Shows the dialog and lets its events run, so that a message it has to show comes.
    void ShowAndSettle(EcoModeDialog& dialog) {
        dialog.show();
        AppTesting::WaitUntil([&] { return !answerer.Texts().isEmpty(); }, 500);
    }
};

} // namespace

TEST_F(EcoDialog, FifteenMinutesOfTheFirstTargetAreShownWithItsVolumes) {
    const std::string mac = AddSample("qrx-x", "02:4B:53:00:20:01", "15");
    EcoModeDialog dialog(manager, {mac});
    EXPECT_EQ(dialog.TimeList()->count(), 6);
    EXPECT_EQ(dialog.TimeList()->currentText(), QString::fromUtf8("15 分後"));
    EXPECT_EQ(dialog.TimeList()->currentData().toInt(), 15);
    EXPECT_EQ(dialog.TimeList()->itemText(5), QString::fromUtf8("1 時間後"));
    // The sample: internal on, eSATA off, USB 1 on, USB 2 off, no USB 3 and 4.
    EXPECT_EQ(On(dialog), (std::vector<bool>{true, false, true, false, false, false}));
    // Not a QRX%d-H model: eSATA can be set, USB 3 and 4 cannot.
    EXPECT_EQ(Enabled(dialog), (std::vector<bool>{true, true, true, true, false, false}));
    ShowAndSettle(dialog);
    EXPECT_TRUE(answerer.Texts().isEmpty());
}

TEST_F(EcoDialog, FortyFiveMinutesAreNotOfferedAndShowNoneWith10012) {
    const std::string mac = AddSample("qrx-x", "02:4B:53:00:20:02", "45");
    EcoModeDialog dialog(manager, {mac});
    EXPECT_EQ(dialog.TimeList()->currentIndex(), 0);
    EXPECT_EQ(dialog.TimeList()->currentText(), QString::fromUtf8("なし"));
    EXPECT_EQ(Enabled(dialog), std::vector<bool>(6, false));
    EXPECT_EQ(On(dialog), (std::vector<bool>{true, false, true, false, false, false}))
        << "the choices are kept";
    ShowAndSettle(dialog);
    EXPECT_EQ(answerer.Texts(), QStringList{KorvaneApp::Text(Zelt::Text::EcoSettingsNotShown)});
    dialog.hide();
    dialog.show();
    AppTesting::WaitUntil([] { return false; }, 200);
    EXPECT_EQ(answerer.Texts().size(), 1) << "the message comes once";
}

TEST_F(EcoDialog, NoEcoInformationShowsNoneAllOffAnd10011) {
    const std::string mac = AddSample("qrx-x", "02:4B:53:00:20:03", "");
    Zelt::CXMLNode eco = manager.FindDevice(mac)->GetRootNode().SingleSelectNode("system/eco");
    eco.GetParent().RemoveChild(eco);
    EcoModeDialog dialog(manager, {mac});
    EXPECT_EQ(dialog.TimeList()->currentIndex(), 0);
    EXPECT_EQ(On(dialog), std::vector<bool>(6, false));
    EXPECT_EQ(Enabled(dialog), std::vector<bool>(6, false));
    ShowAndSettle(dialog);
    EXPECT_EQ(answerer.Texts(), QStringList{KorvaneApp::Text(Zelt::Text::EcoSettingsNotRead)});
}

TEST_F(EcoDialog, NoneDisablesEveryVolumeAndAQrxHTargetDecidesForAll) {
    const std::string first = AddSample("qrx-x", "02:4B:53:00:20:04", "30");
    const std::string second = AddSample("qrx-h", "02:4B:53:00:20:05", "10");
    EcoModeDialog dialog(manager, {first, second});
    dialog.show();
    EXPECT_EQ(dialog.TimeList()->currentText(), QString::fromUtf8("30 分後")) << "the first target's setting";
    EXPECT_EQ(Enabled(dialog), (std::vector<bool>{true, false, true, true, true, true}));

    dialog.TimeList()->setCurrentIndex(0);
    EXPECT_EQ(Enabled(dialog), std::vector<bool>(6, false));
    EXPECT_EQ(dialog.Settings().SelectedMinutes(), 0);
    EXPECT_TRUE(dialog.Settings().IsVolumeOn(CEcoSettings::VOLUME_INTERNAL))
        << "a disabled pair keeps its choice";

    dialog.TimeList()->setCurrentIndex(1);
    EXPECT_EQ(dialog.Settings().SelectedMinutes(), 10);
    EXPECT_EQ(Enabled(dialog), (std::vector<bool>{true, false, true, true, true, true}));
    dialog.OffButton(CEcoSettings::VOLUME_INTERNAL)->click();
    dialog.OnButton(CEcoSettings::VOLUME_USB3)->click();
    dialog.OnButton(CEcoSettings::VOLUME_ESATA)->click();
    EXPECT_FALSE(dialog.Settings().IsVolumeOn(CEcoSettings::VOLUME_INTERNAL));
    EXPECT_TRUE(dialog.Settings().IsVolumeOn(CEcoSettings::VOLUME_USB3));
    EXPECT_FALSE(dialog.Settings().IsVolumeOn(CEcoSettings::VOLUME_ESATA))
        << "a disabled pair cannot be changed";
}

TEST_F(EcoDialog, TheChosenSettingReachesEveryTarget) {
    // A QRX-XR4 and a QRX4-H, polled as the full update polls them.
    Simulator sim({"--count", "2", "--base", "127.87.28.1", "--http-port", "0"});
    sim.InfoSet(0, "system/eco/defaulttime/minute", "15");
    const std::vector<std::string> macs = Manage(sim);
    for (const std::string& mac : macs) {
        CManagedDevice polled = manager.GetDevice(mac);
        polled.GetInfo(ID_GETINFO_CATEGORY_ADMIN_NORMAL, nullptr, 30000);
        ASSERT_TRUE(manager.UpdateFromFullFetch(polled));
    }

    ProgressUser user(answerer);
    EcoModeDialog dialog(manager, macs);
    ShowAndSettle(dialog);
    EXPECT_TRUE(answerer.Texts().isEmpty());
    EXPECT_EQ(dialog.TimeList()->currentText(), QString::fromUtf8("15 分後"));
    dialog.TimeList()->setCurrentIndex(3);
    dialog.OffButton(CEcoSettings::VOLUME_INTERNAL)->click();
    dialog.OnButton(CEcoSettings::VOLUME_USB2)->click();
    dialog.OnButton(CEcoSettings::VOLUME_USB4)->click();
    dialog.SetButton()->click();

    EXPECT_EQ(user.nClosed, 1);
    EXPECT_EQ(user.rows, QStringList(2, QString::fromUtf8("省電力モード設定を実行しました。")));
    EXPECT_TRUE(answerer.Texts().isEmpty());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(sim.InfoGet(i, "system/eco/defaulttime/minute"), "20") << i;
        EXPECT_EQ(sim.InfoGet(i, "system/eco/internal/@enable"), "false") << i;
        EXPECT_EQ(sim.InfoGet(i, "system/eco/esata[@port='1']/@enable"), "false") << i;
        EXPECT_EQ(sim.InfoGet(i, "system/eco/usb[@port='1']/@enable"), "true") << i;
        EXPECT_EQ(sim.InfoGet(i, "system/eco/usb[@port='2']/@enable"), "true") << i;
        EXPECT_EQ(sim.InfoGet(i, "system/eco/usb[@port='3']/@enable"), "false") << i;
        EXPECT_EQ(sim.InfoGet(i, "system/eco/usb[@port='4']/@enable"), "true") << i;
        EXPECT_EQ(sim.InfoGet(i, "system/eco/usb[@port='4']/minute"), "20") << i;
    }
}

TEST_F(EcoDialog, CancelSendsNothing) {
    Simulator sim({"--count", "1", "--base", "127.87.29.1", "--http-port", "0"});
    const std::vector<std::string> macs = Manage(sim);
    ProgressUser user(answerer);
    EcoModeDialog dialog(manager, macs);
    ShowAndSettle(dialog);
    EXPECT_EQ(answerer.Texts(), QStringList{KorvaneApp::Text(Zelt::Text::EcoSettingsNotRead)})
        << "polled without its password: no eco information";
    sim.ClearLog(0);
    dialog.reject();
    EXPECT_EQ(user.nClosed, 0);
    EXPECT_TRUE(sim.Log(0).empty());
}
