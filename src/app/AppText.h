#pragma once

#include "support/StringTable.h"

#include <string>
#include <string_view>

#include <QString>

namespace KorvaneApp {

// The string table's text of an id, for a widget.
inline QString Text(int nId) {
    const std::string_view text = Zelt::CStringTable::Text(nId);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline QString Qs(const std::string& text) {
    return QString::fromStdString(text);
}

inline std::string Std(const QString& text) {
    return text.toStdString();
}

} // namespace KorvaneApp
