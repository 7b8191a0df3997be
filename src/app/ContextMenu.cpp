#include "ContextMenu.h"

#include "CommandTable.h"

#include <QMenu>

namespace KorvaneApp {

int ExecContextMenu(QWidget* pParent, const QPoint& globalPos, int nFirstCode, int nCount) {
    QMenu menu(pParent);
    for (int nCode = nFirstCode; nCode < nFirstCode + nCount; ++nCode) {
        menu.addAction(CommandTable::PlainText(CommandTable::CommandOfContextCode(nCode)))->setData(nCode);
    }
    const QAction* pChosen = menu.exec(globalPos);
    return pChosen != nullptr ? pChosen->data().toInt() : -1;
}

} // namespace KorvaneApp
