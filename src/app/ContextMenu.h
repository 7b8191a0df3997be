#pragma once

#include <QPoint>

class QWidget;

namespace KorvaneApp {

// Opens a context menu of the commands of the context codes nFirstCode .. nFirstCode + nCount - 1
// at a screen point: the chosen entry's code, or -1 when the menu was closed without a choice.
int ExecContextMenu(QWidget* pParent, const QPoint& globalPos, int nFirstCode, int nCount);

} // namespace KorvaneApp
