// The group dialogs over sample devices: create, edit and delete, their checks and messages, and
// the member list.
#include "AppText.h"
#include "GroupDialog.h"
#include "SampleDevices.h"
#include "support/StringTable.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <gtest/gtest.h>

using namespace Korvane;
using namespace KorvaneApp;
using AdminTesting::SampleDevice;

namespace {

// Answers the message boxes that the dialogs open with OK, noting each one's text and icon.
class BoxRecorder : public QObject {
public:
    struct Box {
        QString text;
        QMessageBox::Icon icon;
    };

    BoxRecorder() {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (pBox != nullptr && pBox->isVisible()) {
                boxes.push_back({pBox->text(), pBox->icon()});
                pBox->button(QMessageBox::Ok)->click();
            }
        });
        m_timer.start(10);
    }

    std::vector<Box> boxes;

private:
    QTimer m_timer;
};

constexpr const char* kMacA = "02:4B:53:00:00:01";
constexpr const char* kMacB = "02:4B:53:00:00:02";
constexpr const char* kMacC = "0A:4B:56:00:00:03";

// Three devices, two of which share a name; the third reports its MAC in lower case.
class GroupDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        manager.AddOrUpdate(SampleDevice("qrx-x", kMacA, "ks-001", "198.18.0.10"));
        manager.AddOrUpdate(SampleDevice("qrx-h", kMacB, "ks-001", "198.18.0.11"));
        manager.AddOrUpdate(SampleDevice("qrx-xv", "0a:4b:56:00:00:03", "keiri", "198.18.0.12"));
    }

    static void Check(GroupMemberList* pList, const std::string& mac, bool bChecked = true) {
        QTreeWidgetItem* pRow = pList->RowOf(mac);
        ASSERT_NE(pRow, nullptr) << mac;
        pRow->setCheckState(0, bChecked ? Qt::Checked : Qt::Unchecked);
    }

    static std::vector<std::string> CheckedRows(GroupMemberList* pList) { return pList->CheckedMacs(); }

    std::set<std::string> Members(const std::string& group) const {
        const auto found = manager.Groups().find(group);
        return found != manager.Groups().end() ? found->second : std::set<std::string>{"<no such group>"};
    }

    CKorvaneAdminInfoMgr manager;
    BoxRecorder recorder;
};

} // namespace

TEST_F(GroupDialogs, TheMemberListShowsEveryDeviceWithFourColumnsAndItsMac) {
    GroupCreateDialog dialog(manager);
    GroupMemberList* pList = dialog.Members();
    ASSERT_EQ(pList->columnCount(), 4);
    const QStringList headers = {
        KorvaneApp::Text(Zelt::Text::ColumnName), KorvaneApp::Text(Zelt::Text::ColumnIpv4Address),
        KorvaneApp::Text(Zelt::Text::ColumnIpv6Address), KorvaneApp::Text(Zelt::Text::ColumnProduct)};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pList->headerItem()->text(i), headers[i]);
    }
    EXPECT_EQ(pList->columnWidth(0), 150);
    EXPECT_EQ(pList->columnWidth(1), 100);
    EXPECT_EQ(pList->columnWidth(2), 150);
    EXPECT_EQ(pList->columnWidth(3), 100);

    ASSERT_EQ(pList->topLevelItemCount(), 3) << "one row per managed device";
    // In the store's order (by MAC), each row checkable, unchecked, and carrying its MAC and key.
    const std::vector<std::string> macs = {kMacA, kMacB, kMacC};
    const QStringList products = {"QRX-XR4", "QRX4-H", "QRX-XV2"};
    const QStringList ipv4 = {"198.18.0.10", "198.18.0.11", "198.18.0.12"};
    for (int i = 0; i < 3; ++i) {
        QTreeWidgetItem* pRow = pList->topLevelItem(i);
        EXPECT_EQ(pRow->data(0, GroupMemberList::MAC_ROLE).toString().toStdString(), macs[i]);
        EXPECT_EQ(pRow->data(0, GroupMemberList::KEY_ROLE).toUInt(), manager.DeviceKey(macs[i]));
        EXPECT_EQ(pRow->text(1), ipv4[i]);
        EXPECT_EQ(pRow->text(3), products[i]);
        EXPECT_TRUE(pRow->flags() & Qt::ItemIsUserCheckable);
        EXPECT_EQ(pRow->checkState(0), Qt::Unchecked);
    }
    EXPECT_EQ(pList->topLevelItem(0)->text(0), QStringLiteral("ks-001"));
    EXPECT_EQ(pList->topLevelItem(1)->text(0), QStringLiteral("ks-001"));
    EXPECT_EQ(pList->topLevelItem(2)->text(0), QStringLiteral("keiri"));
    EXPECT_TRUE(pList->topLevelItem(0)->text(2).startsWith(QStringLiteral("fe80::"))) << "the IPv6 column";
}

TEST_F(GroupDialogs, CreateRefusesAnEmptyOrTakenNameWithTheStopIconAndStaysOpen) {
    manager.SetGroup("A-team", {kMacA});
    GroupCreateDialog dialog(manager);
    QSignalSpy changed(&dialog, &GroupDialog::GroupsChanged);
    dialog.show();
    Check(dialog.Members(), kMacB);

    dialog.CreateButton()->click();
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].text, KorvaneApp::Text(Zelt::Text::GroupNameMissing));
    EXPECT_EQ(recorder.boxes[0].icon, QMessageBox::Critical);

    dialog.NameEdit()->setText(QStringLiteral("A-team"));
    dialog.CreateButton()->click();
    ASSERT_EQ(recorder.boxes.size(), 2u);
    EXPECT_EQ(recorder.boxes[1].text, KorvaneApp::Text(Zelt::Text::GroupNameTaken));
    EXPECT_EQ(recorder.boxes[1].icon, QMessageBox::Critical);

    EXPECT_TRUE(dialog.isVisible()) << "the dialog stays for another name";
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(manager.GroupNames(), std::vector<std::string>{"A-team"});
    EXPECT_EQ(Members("A-team"), std::set<std::string>{kMacA}) << "the existing group is not touched";
}

TEST_F(GroupDialogs, CreateMakesTheGroupOfTheCheckedDevicesByMac) {
    GroupCreateDialog dialog(manager);
    QSignalSpy changed(&dialog, &GroupDialog::GroupsChanged);
    dialog.show();
    dialog.NameEdit()->setText(QString::fromUtf8("経理部"));
    // The second of two devices named alike, and the one that reports a lower-case MAC.
    Check(dialog.Members(), kMacB);
    Check(dialog.Members(), kMacC);
    dialog.CreateButton()->click();

    EXPECT_TRUE(recorder.boxes.empty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(Members("経理部"), (std::set<std::string>{kMacB, kMacC}));
    EXPECT_FALSE(manager.IsMember("経理部", kMacA)) << "its namesake is not a member";
    EXPECT_TRUE(manager.IsMember("経理部", "0a:4b:56:00:00:03"));
}

TEST_F(GroupDialogs, CreateWithNoDeviceCheckedMakesAnEmptyGroup) {
    GroupCreateDialog dialog(manager);
    dialog.NameEdit()->setText(QStringLiteral("empty"));
    dialog.CreateButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_TRUE(manager.GroupExists("empty"));
    EXPECT_TRUE(Members("empty").empty());
}

TEST_F(GroupDialogs, CancelLeavesTheGroupsAlone) {
    GroupCreateDialog create(manager);
    QSignalSpy changed(&create, &GroupDialog::GroupsChanged);
    create.show();
    create.NameEdit()->setText(QStringLiteral("never"));
    create.reject();
    EXPECT_EQ(create.result(), QDialog::Rejected);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_TRUE(manager.GroupNames().empty());

    manager.SetGroup("kept", {kMacA});
    GroupDeleteDialog remove(manager);
    remove.show();
    remove.reject();
    EXPECT_EQ(remove.result(), QDialog::Rejected);
    EXPECT_TRUE(manager.GroupExists("kept"));
}

TEST_F(GroupDialogs, EditLoadsTheFirstGroupAndEachGroupChosen) {
    manager.SetGroup("B-team", {kMacB, kMacC});
    manager.SetGroup("A-team", {kMacA});
    GroupEditDialog dialog(manager);
    ASSERT_EQ(dialog.GroupList()->count(), 2);
    EXPECT_EQ(dialog.GroupList()->itemText(0), QStringLiteral("A-team")) << "names in ascending order";
    EXPECT_EQ(dialog.GroupList()->currentIndex(), 0);
    EXPECT_EQ(dialog.NameEdit()->text(), QStringLiteral("A-team"));
    EXPECT_EQ(CheckedRows(dialog.Members()), std::vector<std::string>{kMacA});
    for (QWidget* pControl : std::initializer_list<QWidget*>{dialog.GroupList(), dialog.NameEdit(),
                                                             dialog.Members(), dialog.ChangeButton()}) {
        EXPECT_TRUE(pControl->isEnabled());
    }

    dialog.GroupList()->setCurrentIndex(1);
    EXPECT_EQ(dialog.NameEdit()->text(), QStringLiteral("B-team"));
    EXPECT_EQ(CheckedRows(dialog.Members()), (std::vector<std::string>{kMacB, kMacC}))
        << "exactly the members are checked";
    dialog.GroupList()->setCurrentIndex(0);
    EXPECT_EQ(CheckedRows(dialog.Members()), std::vector<std::string>{kMacA});
}

TEST_F(GroupDialogs, EditKeepingTheNameChangesTheMembers) {
    manager.SetGroup("A-team", {kMacA});
    manager.SetGroup("B-team", {kMacB});
    GroupEditDialog dialog(manager);
    QSignalSpy changed(&dialog, &GroupDialog::GroupsChanged);
    dialog.show();
    Check(dialog.Members(), kMacA, false);
    Check(dialog.Members(), kMacC);
    dialog.ChangeButton()->click();

    EXPECT_TRUE(recorder.boxes.empty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(manager.GroupNames(), (std::vector<std::string>{"A-team", "B-team"}));
    EXPECT_EQ(Members("A-team"), std::set<std::string>{kMacC});
    EXPECT_EQ(Members("B-team"), std::set<std::string>{kMacB});
}

TEST_F(GroupDialogs, EditRefusesAnEmptyNameAndAnotherGroupsName) {
    manager.SetGroup("A-team", {kMacA});
    manager.SetGroup("B-team", {kMacB});
    GroupEditDialog dialog(manager);
    QSignalSpy changed(&dialog, &GroupDialog::GroupsChanged);
    dialog.show();
    Check(dialog.Members(), kMacC);

    dialog.NameEdit()->clear();
    dialog.ChangeButton()->click();
    dialog.NameEdit()->setText(QStringLiteral("B-team"));
    dialog.ChangeButton()->click();

    ASSERT_EQ(recorder.boxes.size(), 2u);
    EXPECT_EQ(recorder.boxes[0].text, KorvaneApp::Text(Zelt::Text::GroupNameMissing));
    EXPECT_EQ(recorder.boxes[0].icon, QMessageBox::Critical);
    EXPECT_EQ(recorder.boxes[1].text, KorvaneApp::Text(Zelt::Text::GroupNameTaken));
    EXPECT_EQ(recorder.boxes[1].icon, QMessageBox::NoIcon) << "the edit dialog tells 10006 without an icon";
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(Members("A-team"), std::set<std::string>{kMacA});
    EXPECT_EQ(Members("B-team"), std::set<std::string>{kMacB});
}

TEST_F(GroupDialogs, EditRenamesTheSelectedGroup) {
    manager.SetGroup("A-team", {kMacA});
    manager.SetGroup("B-team", {kMacB});
    GroupEditDialog dialog(manager);
    dialog.GroupList()->setCurrentIndex(1);
    dialog.NameEdit()->setText(QString::fromUtf8("総務"));
    Check(dialog.Members(), kMacA);
    dialog.ChangeButton()->click();

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(manager.GroupExists("B-team"));
    EXPECT_EQ(Members("総務"), (std::set<std::string>{kMacA, kMacB}));
    EXPECT_EQ(Members("A-team"), std::set<std::string>{kMacA}) << "the other group is not touched";
}

TEST_F(GroupDialogs, WithoutGroupsEditAndDeleteOfferOnlyCancel) {
    GroupEditDialog edit(manager);
    EXPECT_EQ(edit.GroupList()->count(), 0);
    for (QWidget* pControl : std::initializer_list<QWidget*>{edit.GroupList(), edit.NameEdit(),
                                                             edit.Members(), edit.ChangeButton()}) {
        EXPECT_FALSE(pControl->isEnabled());
    }
    GroupDeleteDialog remove(manager);
    EXPECT_EQ(remove.GroupList()->count(), 0);
    EXPECT_FALSE(remove.GroupList()->isEnabled());
    EXPECT_FALSE(remove.DeleteButton()->isEnabled());

    // Nothing happens even when the buttons are pressed anyway.
    QSignalSpy editChanged(&edit, &GroupDialog::GroupsChanged);
    QSignalSpy removeChanged(&remove, &GroupDialog::GroupsChanged);
    edit.NameEdit()->setText(QStringLiteral("x"));
    QMetaObject::invokeMethod(edit.ChangeButton(), "clicked");
    QMetaObject::invokeMethod(remove.DeleteButton(), "clicked");
    EXPECT_EQ(editChanged.count(), 0);
    EXPECT_EQ(removeChanged.count(), 0);
    EXPECT_TRUE(manager.GroupNames().empty());
    EXPECT_TRUE(recorder.boxes.empty());
}

TEST_F(GroupDialogs, DeleteRemovesTheChosenGroupAtOnceAndKeepsItsDevices) {
    manager.SetGroup("A-team", {kMacA});
    manager.SetGroup("B-team", {kMacA, kMacB});
    GroupDeleteDialog dialog(manager);
    QSignalSpy changed(&dialog, &GroupDialog::GroupsChanged);
    dialog.show();
    ASSERT_EQ(dialog.GroupList()->count(), 2);
    EXPECT_EQ(dialog.GroupList()->currentIndex(), 0) << "the first group is selected";
    EXPECT_TRUE(dialog.DeleteButton()->isEnabled());
    dialog.GroupList()->setCurrentIndex(1);
    dialog.DeleteButton()->click();

    EXPECT_TRUE(recorder.boxes.empty()) << "no confirmation";
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(manager.GroupNames(), std::vector<std::string>{"A-team"});
    EXPECT_EQ(manager.Macs(), (std::vector<std::string>{kMacA, kMacB, kMacC}));
}
