#include "GroupTreeView.h"

#include "AppText.h"
#include "ContextMenu.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMouseEvent>

namespace KorvaneApp {
namespace {

constexpr int kGroupRole = Qt::UserRole;

} // namespace

GroupTreeView::GroupTreeView(QWidget* pParent) : QTreeWidget(pParent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &GroupTreeView::GroupSelectionChanged);
}

void GroupTreeView::Rebuild(const Korvane::CKorvaneAdminInfoMgr& manager) {
    QSignalBlocker blocker(this);
    clear();
    auto* pRoot = new QTreeWidgetItem(this, QStringList{Text(Zelt::Text::AllDevicesGroup)});
    for (const std::string& name : manager.GroupNames()) {
        auto* pGroup = new QTreeWidgetItem(pRoot, QStringList{Qs(name)});
        pGroup->setData(0, kGroupRole, Qs(name));
    }
    pRoot->setExpanded(true);
    setCurrentItem(pRoot);
    blocker.unblock();
    emit GroupSelectionChanged();
}

std::optional<std::string> GroupTreeView::SelectedGroup() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (selected.isEmpty() || selected.front()->parent() == nullptr) {
        return std::nullopt;
    }
    return Std(selected.front()->data(0, kGroupRole).toString());
}

// A right click leaves the selection alone: the batch menu works on the selected group, not
// on the item under the cursor.
void GroupTreeView::mousePressEvent(QMouseEvent* pEvent) {
    if (pEvent->button() == Qt::RightButton) {
        pEvent->accept();
        return;
    }
    QTreeWidget::mousePressEvent(pEvent);
}

void GroupTreeView::contextMenuEvent(QContextMenuEvent* pEvent) {
    if (selectedItems().isEmpty()) {
        return;
    }
    const int nCode = ExecContextMenu(this, pEvent->globalPos(), 200, 5);
    if (nCode >= 0) {
        emit ContextCommand(nCode);
    }
}

} // namespace KorvaneApp
