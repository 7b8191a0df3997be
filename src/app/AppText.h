#pragma once

#include "support/StringTable.h"

#include <string>
#include <string_view>

#include <QString>
#include <QTextDocument>

namespace KorvaneApp {

// The string table's text of an id, for a widget.
inline QString Text(int nId) {
    const std::string_view text = Zelt::CStringTable::Text(nId);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A dialog's window title: what it is, then the program.
inline QString DialogTitle(const QString& name) {
    return name + QStringLiteral(" - KORVANE Admin");
}

inline QString Qs(const std::string& text) {
    return QString::fromStdString(text);
}

inline std::string Std(const QString& text) {
    return text.toStdString();
}

// A tooltip that shows the text as it is: Qt takes a tooltip that looks like markup for rich text.
inline QString PlainToolTip(const QString& text) {
    return text.isEmpty() ? text : Qt::convertFromPlainText(text);
}

} // namespace KorvaneApp
