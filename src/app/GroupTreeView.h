#pragma once

#include "admin/AdminInfoMgr.h"

#include <optional>
#include <string>

#include <QTreeWidget>

namespace KorvaneApp {

// The left pane: the root "すべての KORVANE" and one item per group. It decides which devices
// the list shows and hands its context menu's commands to the main window.
class GroupTreeView : public QTreeWidget {
    Q_OBJECT
public:
    explicit GroupTreeView(QWidget* pParent = nullptr);

    // Root and groups anew; the root is expanded and selected.
    void Rebuild(const Korvane::CKorvaneAdminInfoMgr& manager);
    // The selected group; none for the root or no selection (all devices).
    std::optional<std::string> SelectedGroup() const;

signals:
    void GroupSelectionChanged();
    // A batch code 200-204 for the selected group.
    void ContextCommand(int nCode);

protected:
    void mousePressEvent(QMouseEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;
};

} // namespace KorvaneApp
