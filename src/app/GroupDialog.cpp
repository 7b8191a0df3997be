#include "GroupDialog.h"

#include "AppText.h"
#include "CommandTable.h"
#include "admin/CellText.h"
#include "admin/GroupRules.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace KorvaneApp {
namespace {

// The member list's columns: header text, the device list's column whose text they show, width.
struct MemberColumn {
    int nHeaderId;
    const char* pszKey;
    int nWidth;
};

constexpr MemberColumn kMemberColumns[] = {
    {Zelt::Text::ColumnName, "host", 150},
    {Zelt::Text::ColumnIpv4Address, "ip", 100},
    {Zelt::Text::ColumnIpv6Address, "ipv6", 150},
    {Zelt::Text::ColumnProduct, "productname", 100},
};

QDialogButtonBox* Buttons(QDialog* pDialog, QPushButton* pAction) {
    auto* pButtons = new QDialogButtonBox(pDialog);
    pButtons->addButton(pAction, QDialogButtonBox::ActionRole);
    QPushButton* pCancel = pButtons->addButton(Text(Zelt::Text::ButtonCancel), QDialogButtonBox::RejectRole);
    QObject::connect(pCancel, &QPushButton::clicked, pDialog, &QDialog::reject);
    pAction->setDefault(true);
    return pButtons;
}

} // namespace

GroupMemberList::GroupMemberList(Korvane::CKorvaneAdminInfoMgr& manager, QWidget* pParent)
    : QTreeWidget(pParent), m_manager(manager) {
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAllColumnsShowFocus(true);
    QStringList headers;
    for (const MemberColumn& column : kMemberColumns) {
        headers << Text(column.nHeaderId);
    }
    setHeaderLabels(headers);
    for (int i = 0; i < static_cast<int>(std::size(kMemberColumns)); ++i) {
        setColumnWidth(i, kMemberColumns[i].nWidth);
    }
    header()->setStretchLastSection(false);
    for (const auto& [mac, device] : manager.Devices()) {
        auto* pRow = new QTreeWidgetItem(this);
        for (int i = 0; i < static_cast<int>(std::size(kMemberColumns)); ++i) {
            pRow->setText(i, Qs(Korvane::CCellText::CellText(kMemberColumns[i].pszKey, device)));
        }
        pRow->setFlags(pRow->flags() | Qt::ItemIsUserCheckable);
        pRow->setCheckState(0, Qt::Unchecked);
        pRow->setData(0, KEY_ROLE, QVariant::fromValue(manager.DeviceKey(mac)));
        pRow->setData(0, MAC_ROLE, Qs(mac));
    }
}

void GroupMemberList::CheckMembersOf(const std::string& group) {
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* pRow = topLevelItem(i);
        const bool bMember = m_manager.IsMember(group, Std(pRow->data(0, MAC_ROLE).toString()));
        pRow->setCheckState(0, bMember ? Qt::Checked : Qt::Unchecked);
    }
}

std::vector<std::string> GroupMemberList::CheckedMacs() const {
    std::vector<std::string> macs;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        const QTreeWidgetItem* pRow = topLevelItem(i);
        if (pRow->checkState(0) == Qt::Checked) {
            macs.push_back(Std(pRow->data(0, MAC_ROLE).toString()));
        }
    }
    return macs;
}

QTreeWidgetItem* GroupMemberList::RowOf(const std::string& mac) const {
    const QString key = Qs(Korvane::CKorvaneAdminInfoMgr::NormalizeMac(mac));
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (topLevelItem(i)->data(0, MAC_ROLE).toString() == key) {
            return topLevelItem(i);
        }
    }
    return nullptr;
}

void GroupNameList::Fill(const Korvane::CKorvaneAdminInfoMgr& manager, QComboBox* pList) {
    // Names are kept as the store has them; the list shows them.
    m_names = manager.GroupNames();
    pList->clear();
    for (const std::string& name : m_names) {
        pList->addItem(Qs(name));
    }
}

std::optional<std::string> GroupNameList::Selected(const QComboBox* pList) const {
    const int nIndex = pList->currentIndex();
    if (nIndex < 0 || nIndex >= static_cast<int>(m_names.size())) {
        return std::nullopt;
    }
    return m_names[static_cast<size_t>(nIndex)];
}

GroupDialog::GroupDialog(Korvane::CKorvaneAdminInfoMgr& manager, QWidget* pParent)
    : QDialog(pParent), m_manager(manager) {}

void GroupDialog::Tell(int nMessageId, bool bStop) {
    QMessageBox box(bStop ? QMessageBox::Critical : QMessageBox::NoIcon, QStringLiteral("KORVANE Admin"),
                    Text(nMessageId), QMessageBox::Ok, this);
    box.exec();
}

void GroupDialog::Changed() {
    emit GroupsChanged();
    accept();
}

GroupCreateDialog::GroupCreateDialog(Korvane::CKorvaneAdminInfoMgr& manager, QWidget* pParent)
    : GroupDialog(manager, pParent), m_pName(new QLineEdit(this)),
      m_pMembers(new GroupMemberList(manager, this)),
      m_pCreate(new QPushButton(CommandTable::PlainText(ID_GROUP_CREATE), this)) {
    setWindowTitle(DialogTitle(Text(Zelt::Text::TitleGroupCreate)));
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(new QLabel(Text(Zelt::Text::GroupCreatePrompt), this));
    pLayout->addWidget(new QLabel(Text(Zelt::Text::GroupNameLabel), this));
    pLayout->addWidget(m_pName);
    pLayout->addWidget(new QLabel(Text(Zelt::Text::GroupMembersLabel), this));
    pLayout->addWidget(m_pMembers, 1);
    pLayout->addWidget(Buttons(this, m_pCreate));
    resize(540, 400);
    connect(m_pCreate, &QPushButton::clicked, this, &GroupCreateDialog::Create);
}

void GroupCreateDialog::Create() {
    const std::string name = Std(m_pName->text());
    if (const int nMessage = Korvane::CGroupRules::CheckCreate(m_manager, name); nMessage != 0) {
        Tell(nMessage, true);
        return;
    }
    // A group without members is allowed.
    m_manager.SetGroup(name, m_pMembers->CheckedMacs());
    Changed();
}

GroupEditDialog::GroupEditDialog(Korvane::CKorvaneAdminInfoMgr& manager, QWidget* pParent)
    : GroupDialog(manager, pParent), m_pGroups(new QComboBox(this)), m_pName(new QLineEdit(this)),
      m_pMembers(new GroupMemberList(manager, this)),
      m_pChange(new QPushButton(Text(Zelt::Text::ButtonChange), this)) {
    setWindowTitle(DialogTitle(CommandTable::Tooltip(ID_GROUP_EDIT)));
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(new QLabel(Text(Zelt::Text::GroupEditPrompt), this));
    pLayout->addWidget(new QLabel(Text(Zelt::Text::GroupToEditLabel), this));
    pLayout->addWidget(m_pGroups);
    pLayout->addWidget(new QLabel(Text(Zelt::Text::GroupNewNameLabel), this));
    pLayout->addWidget(m_pName);
    pLayout->addWidget(new QLabel(Text(Zelt::Text::GroupMembersLabel), this));
    pLayout->addWidget(m_pMembers, 1);
    pLayout->addWidget(Buttons(this, m_pChange));
    resize(540, 440);

    m_names.Fill(manager, m_pGroups);
    const bool bAny = m_pGroups->count() > 0;
    for (QWidget* pControl : std::initializer_list<QWidget*>{m_pGroups, m_pName, m_pMembers, m_pChange}) {
        pControl->setEnabled(bAny);
    }
    if (bAny) {
        m_pGroups->setCurrentIndex(0);
        LoadSelected();
    }
    connect(m_pGroups, &QComboBox::currentIndexChanged, this, &GroupEditDialog::LoadSelected);
    connect(m_pChange, &QPushButton::clicked, this, &GroupEditDialog::Change);
}

void GroupEditDialog::LoadSelected() {
    const std::string group = m_names.Selected(m_pGroups).value_or(std::string());
    m_pName->setText(Qs(group));
    m_pMembers->CheckMembersOf(group);
}

void GroupEditDialog::Change() {
    const std::optional<std::string> selected = m_names.Selected(m_pGroups);
    if (!selected) {
        return;
    }
    const std::string& oldName = *selected;
    const std::string newName = Std(m_pName->text());
    if (const int nMessage = Korvane::CGroupRules::CheckEdit(m_manager, oldName, newName); nMessage != 0) {
        // Only the empty name is told with the stop icon here.
        Tell(nMessage, nMessage == Zelt::Text::GroupNameMissing);
        return;
    }
    m_manager.RenameGroup(oldName, newName, m_pMembers->CheckedMacs());
    Changed();
}

GroupDeleteDialog::GroupDeleteDialog(Korvane::CKorvaneAdminInfoMgr& manager, QWidget* pParent)
    : GroupDialog(manager, pParent), m_pGroups(new QComboBox(this)),
      m_pDelete(new QPushButton(CommandTable::PlainText(ID_GROUP_DELETE), this)) {
    setWindowTitle(DialogTitle(CommandTable::Tooltip(ID_GROUP_DELETE)));
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(new QLabel(Text(Zelt::Text::GroupDeletePrompt), this));
    pLayout->addWidget(m_pGroups);
    pLayout->addWidget(Buttons(this, m_pDelete));
    setMinimumWidth(320);

    m_names.Fill(manager, m_pGroups);
    const bool bAny = m_pGroups->count() > 0;
    m_pGroups->setEnabled(bAny);
    m_pDelete->setEnabled(bAny);
    if (bAny) {
        m_pGroups->setCurrentIndex(0);
    }
    connect(m_pDelete, &QPushButton::clicked, this, &GroupDeleteDialog::Delete);
}

void GroupDeleteDialog::Delete() {
    const std::optional<std::string> group = m_names.Selected(m_pGroups);
    if (!group || !m_manager.DeleteGroup(*group)) {
        return;
    }
    Changed();
}

} // namespace KorvaneApp
