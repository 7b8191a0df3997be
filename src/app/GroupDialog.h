#pragma once

#include "admin/AdminInfoMgr.h"

#include <optional>
#include <string>
#include <vector>

#include <QDialog>
#include <QTreeWidget>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace KorvaneApp {

// The member list of the group dialogs: one row with a check box per managed device, in the
// store's order, with its name, IPv4 and IPv6 addresses and product name. Rows carry the device's
// compact key and its MAC; a checked row is a member.
class GroupMemberList : public QTreeWidget {
public:
    GroupMemberList(Korvane::CKorvaneAdminInfoMgr& manager, QWidget* pParent = nullptr);

    // Checks exactly the rows of the group's members.
    void CheckMembersOf(const std::string& group);
    // The MACs of the checked rows, in row order.
    std::vector<std::string> CheckedMacs() const;
    QTreeWidgetItem* RowOf(const std::string& mac) const;

    static constexpr int KEY_ROLE = Qt::UserRole;
    static constexpr int MAC_ROLE = Qt::UserRole + 1;

private:
    const Korvane::CKorvaneAdminInfoMgr& m_manager;
};

// The group names of the store in a drop-down list, in the store's order.
class GroupNameList {
public:
    void Fill(const Korvane::CKorvaneAdminInfoMgr& manager, QComboBox* pList);
    // The selected group's name; none when nothing is selected.
    std::optional<std::string> Selected(const QComboBox* pList) const;

private:
    std::vector<std::string> m_names;
};

// The three group dialogs share this: each runs modally and ends with Accepted only when it
// changed the groups (it then emits GroupsChanged). Afterwards the main window rebuilds the group
// tree, which selects the root, and shows all devices.
class GroupDialog : public QDialog {
    Q_OBJECT
public:
    GroupDialog(Korvane::CKorvaneAdminInfoMgr& manager, QWidget* pParent);

signals:
    void GroupsChanged();

protected:
    // Shows a message of the string table; bStop chooses the stop icon over none.
    void Tell(int nMessageId, bool bStop);
    void Changed();

    Korvane::CKorvaneAdminInfoMgr& m_manager;
};

// "グループの新規作成 - KORVANE Admin": a name and the members of a new group.
class GroupCreateDialog : public GroupDialog {
    Q_OBJECT
public:
    explicit GroupCreateDialog(Korvane::CKorvaneAdminInfoMgr& manager, QWidget* pParent = nullptr);

    QLineEdit* NameEdit() const { return m_pName; }
    GroupMemberList* Members() const { return m_pMembers; }
    QPushButton* CreateButton() const { return m_pCreate; }

private:
    void Create();

    QLineEdit* m_pName;
    GroupMemberList* m_pMembers;
    QPushButton* m_pCreate;
};

// "グループの編集 - KORVANE Admin": renames a group and changes its members.
class GroupEditDialog : public GroupDialog {
    Q_OBJECT
public:
    explicit GroupEditDialog(Korvane::CKorvaneAdminInfoMgr& manager, QWidget* pParent = nullptr);

    QComboBox* GroupList() const { return m_pGroups; }
    QLineEdit* NameEdit() const { return m_pName; }
    GroupMemberList* Members() const { return m_pMembers; }
    QPushButton* ChangeButton() const { return m_pChange; }

private:
    void LoadSelected();
    void Change();

    QComboBox* m_pGroups;
    GroupNameList m_names;
    QLineEdit* m_pName;
    GroupMemberList* m_pMembers;
    QPushButton* m_pChange;
};

// "グループの削除 - KORVANE Admin": deletes the chosen group at once; its devices stay managed.
class GroupDeleteDialog : public GroupDialog {
    Q_OBJECT
public:
    explicit GroupDeleteDialog(Korvane::CKorvaneAdminInfoMgr& manager, QWidget* pParent = nullptr);

    QComboBox* GroupList() const { return m_pGroups; }
    QPushButton* DeleteButton() const { return m_pDelete; }

private:
    void Delete();

    QComboBox* m_pGroups;
    GroupNameList m_names;
    QPushButton* m_pDelete;
};

} // namespace KorvaneApp
