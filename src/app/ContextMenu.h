#pragma once

#include <initializer_list>

#include <QPoint>

class QWidget;

namespace KorvaneApp {

// Opens a context menu of the texts at a screen point: the chosen entry's code (the first code
// plus its position), or -1 when the menu was closed without a choice.
int ExecContextMenu(QWidget* pParent, const QPoint& globalPos, std::initializer_list<const char*> texts,
                    int nFirstCode);

} // namespace KorvaneApp
