#pragma once

#include "support/Language.h"

#include <QStringList>

namespace KorvaneApp {

// The start of the desktop program: one copy per user, the settings (the damaged-file message),
// the main window, shown or only in the tray. Run returns the process's exit code.
class KorvaneManagerApp {
public:
    static int Run(const QStringList& arguments);

    // The marker of the running copy: $XDG_RUNTIME_DIR/korvane-admin, or a folder of the user's
    // own under /tmp.
    static QString InstanceMarkerPath();
    // The texts are Japanese: a CJK font when the system has one, so that no text falls back
    // glyph by glyph (and the detail report's columns line up).
    static void UseJapaneseFont();
    // Every text in the language from now on, Qt's own (standard buttons, file dialogs) included:
    // Japanese takes Qt's translations from the system, English needs none. False when they
    // cannot be loaded; the program's own texts follow all the same.
    static bool UseLanguage(Zelt::Language language);
};

} // namespace KorvaneApp
