#pragma once

#include "admin/AdminInfoMgr.h"
#include "admin/InfoColumnTable.h"

#include <optional>
#include <string>
#include <vector>

#include <QTreeWidget>

namespace KorvaneApp {

// The right pane: one row per device, one column per visible information column. Rows carry the
// device's compact key and its MAC; the texts, icons, colours and sort orders come from the core.
class InfoListView : public QTreeWidget {
    Q_OBJECT
public:
    InfoListView(Korvane::CKorvaneAdminInfoMgr& manager, Korvane::InfoColumnTable& columns, double dScaleX,
                 QWidget* pParent = nullptr);

    // The visible columns; the first header shows the down arrow (nothing is sorted).
    void CreateColumns();
    // After the column selection dialog: headers replaced, added or removed in place, and the
    // visible keys stored in the settings.
    void RecreateColumns();
    // All managed devices (no group) or the group's members, the rows deleted first.
    void ShowDevices(const std::optional<std::string>& group);
    // The same without deleting: a device that left the group keeps its row until the next show.
    void RefreshDevices(const std::optional<std::string>& group);
    void RemoveRow(const std::string& mac);
    // The MACs of the selected rows and of all rows, both in row order (the first selected is the topmost).
    std::vector<std::string> SelectedMacs() const;
    std::vector<std::string> RowMacs() const;
    // A header click: the first click on a column sorts descending, the next ascending.
    void SortByColumn(int nColumn);

    static constexpr int MAC_ROLE = Qt::UserRole + 1;
    static constexpr int KEY_ROLE = Qt::UserRole;

signals:
    void RowClicked();
    void DeletePressed();
    // A code 100-111 for the selected devices.
    void ContextCommand(int nCode);

protected:
    void keyPressEvent(QKeyEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;

private:
    void Fill(const std::optional<std::string>& group);
    QTreeWidgetItem* RowOf(uint32_t nKey) const;
    void PaintRow(QTreeWidgetItem* pRow, const Korvane::CManagedDevice& device) const;
    void SetHeaders(const std::vector<Korvane::InfoColumn>& visible);

    Korvane::CKorvaneAdminInfoMgr& m_manager;
    Korvane::InfoColumnTable& m_columns;
    double m_dScaleX;
    // The one header with a sort mark, and whether the mark is the down arrow (descending).
    int m_nMarkedColumn = 0;
    bool m_bMarkDown = true;
};

} // namespace KorvaneApp
