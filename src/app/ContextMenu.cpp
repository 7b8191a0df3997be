#include "ContextMenu.h"

#include <QMenu>

namespace KorvaneApp {

int ExecContextMenu(QWidget* pParent, const QPoint& globalPos, std::initializer_list<const char*> texts,
                    int nFirstCode) {
    QMenu menu(pParent);
    int nCode = nFirstCode;
    for (const char* pszText : texts) {
        menu.addAction(QString::fromUtf8(pszText))->setData(nCode++);
    }
    const QAction* pChosen = menu.exec(globalPos);
    return pChosen != nullptr ? pChosen->data().toInt() : -1;
}

} // namespace KorvaneApp
