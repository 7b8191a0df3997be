#include "InfoListView.h"

#include "AppText.h"
#include "ContextMenu.h"
#include "SortMarkStyle.h"
#include "admin/CellText.h"
#include "admin/SortRules.h"
#include "admin/StatusEvaluation.h"

#include <algorithm>

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>

namespace KorvaneApp {
namespace {

const QColor kUnreachableBackground(204, 204, 204);
const QColor kAlertText(255, 0, 0);

QIcon StateIcon(int nIndex) {
    switch (nIndex) {
    case 1:
        return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
    case 2:
        return QApplication::style()->standardIcon(QStyle::SP_MessageBoxCritical);
    default:
        return QIcon(":/images/state-normal.svg");
    }
}

} // namespace

InfoListView::InfoListView(Korvane::CKorvaneAdminInfoMgr& manager, Korvane::InfoColumnTable& columns,
                           double dScaleX, QWidget* pParent)
    : QTreeWidget(pParent), m_manager(manager), m_columns(columns), m_dScaleX(dScaleX) {
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setIconSize(QSize(16, 16));
    header()->setSectionsMovable(true);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(true);
    auto* pMarkStyle = new SortMarkStyle();
    pMarkStyle->setParent(header());
    header()->setStyle(pMarkStyle);
    connect(header(), &QHeaderView::sectionClicked, this, &InfoListView::SortByColumn);
    connect(this, &QTreeWidget::itemClicked, this, &InfoListView::RowClicked);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &InfoListView::RowClicked);
}

void InfoListView::SetHeaders(const std::vector<Korvane::InfoColumn>& visible) {
    setColumnCount(static_cast<int>(visible.size()));
    QStringList labels;
    for (const Korvane::InfoColumn& column : visible) {
        labels << Text(column.headerTextId);
    }
    setHeaderLabels(labels);
    for (int i = 0; i < static_cast<int>(visible.size()); ++i) {
        setColumnWidth(i, static_cast<int>(visible[static_cast<size_t>(i)].width * m_dScaleX));
    }
}

void InfoListView::CreateColumns() {
    SetHeaders(m_columns.VisibleColumns());
    m_nMarkedColumn = 0;
    m_bMarkDown = true;
    header()->setSortIndicator(0, Qt::DescendingOrder);
}

void InfoListView::RecreateColumns() {
    const std::vector<Korvane::InfoColumn> visible = m_columns.VisibleColumns();
    SetHeaders(visible);
    m_manager.m_columnKeys = m_columns.VisibleKeys();
}

void InfoListView::ShowDevices(const std::optional<std::string>& group) {
    clear();
    Fill(group);
}

void InfoListView::RefreshDevices(const std::optional<std::string>& group) {
    Fill(group);
}

void InfoListView::Fill(const std::optional<std::string>& group) {
    const std::vector<Korvane::InfoColumn> visible = m_columns.VisibleColumns();
    for (const auto& [mac, device] : m_manager.Devices()) {
        if (group && !m_manager.IsMember(*group, mac)) {
            continue;
        }
        const uint32_t nKey = m_manager.DeviceKey(mac);
        QTreeWidgetItem* pRow = RowOf(nKey);
        if (pRow == nullptr) {
            pRow = new QTreeWidgetItem(this);
            pRow->setData(0, KEY_ROLE, static_cast<qulonglong>(nKey));
            pRow->setData(0, MAC_ROLE, Qs(mac));
        }
        for (int i = 0; i < static_cast<int>(visible.size()); ++i) {
            const QString text =
                Qs(Korvane::CCellText::CellText(visible[static_cast<size_t>(i)].key, device));
            pRow->setText(i, text);
            // A narrow column cuts long names and descriptions; the tooltip has them whole.
            pRow->setToolTip(i, PlainToolTip(text));
        }
        pRow->setIcon(0, StateIcon(Korvane::CCellText::StateIconIndex(device)));
        PaintRow(pRow, device);
    }
}

// Grey for a device that could not be reached at the last update, red text for one whose own
// condition is caution or error.
void InfoListView::PaintRow(QTreeWidgetItem* pRow, const Korvane::CManagedDevice& device) const {
    const bool bUnreachable = (device.GetStatusBits() & Korvane::STATUS_BIT_UNREACHABLE) != 0;
    const bool bAlert = Korvane::CStatusEvaluation::ConditionState(device) != Korvane::CONDITION_NORMAL;
    for (int i = 0; i < columnCount(); ++i) {
        pRow->setBackground(i, bUnreachable ? QBrush(kUnreachableBackground) : QBrush());
        pRow->setForeground(i, bAlert ? QBrush(kAlertText) : QBrush());
    }
}

QTreeWidgetItem* InfoListView::RowOf(uint32_t nKey) const {
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* pRow = topLevelItem(i);
        if (pRow->data(0, KEY_ROLE).toULongLong() == nKey) {
            return pRow;
        }
    }
    return nullptr;
}

void InfoListView::RemoveRow(const std::string& mac) {
    delete RowOf(m_manager.DeviceKey(mac));
}

std::vector<std::string> InfoListView::SelectedMacs() const {
    std::vector<std::string> macs;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (const QTreeWidgetItem* pRow = topLevelItem(i); pRow->isSelected()) {
            macs.push_back(Std(pRow->data(0, MAC_ROLE).toString()));
        }
    }
    return macs;
}

std::vector<std::string> InfoListView::RowMacs() const {
    std::vector<std::string> macs;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        macs.push_back(Std(topLevelItem(i)->data(0, MAC_ROLE).toString()));
    }
    return macs;
}

void InfoListView::SortByColumn(int nColumn) {
    m_bMarkDown = !(nColumn == m_nMarkedColumn && m_bMarkDown);
    m_nMarkedColumn = nColumn;
    header()->setSortIndicator(nColumn, m_bMarkDown ? Qt::DescendingOrder : Qt::AscendingOrder);
    const std::optional<Korvane::SortRule> rule =
        m_columns.SortRuleOfVisibleColumn(static_cast<size_t>(nColumn));
    if (!rule) {
        return;
    }
    QList<QTreeWidgetItem*> rows;
    while (topLevelItemCount() > 0) {
        rows.append(takeTopLevelItem(0));
    }
    std::stable_sort(rows.begin(), rows.end(), [&](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        return Korvane::CSortRules::Compare(*rule, Std(a->text(nColumn)), Std(b->text(nColumn)),
                                            m_bMarkDown) < 0;
    });
    addTopLevelItems(rows);
}

void InfoListView::keyPressEvent(QKeyEvent* pEvent) {
    if (pEvent->key() == Qt::Key_Delete) {
        emit DeletePressed();
        return;
    }
    QTreeWidget::keyPressEvent(pEvent);
}

void InfoListView::contextMenuEvent(QContextMenuEvent* pEvent) {
    if (selectedItems().isEmpty()) {
        return;
    }
    const int nCode = ExecContextMenu(this, pEvent->globalPos(), 100, 12);
    if (nCode >= 0) {
        emit ContextCommand(nCode);
    }
}

} // namespace KorvaneApp
