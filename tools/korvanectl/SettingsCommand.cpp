#include "AdminCommands.h"
#include "Arguments.h"
#include "StoreAccess.h"
#include "TerminalText.h"
#include "admin/SettingsKey.h"
#include "support/RegularFile.h"
#include "support/ScrambleStr.h"

#include <fcntl.h>
#include <ostream>

namespace Korvanectl {
namespace {

int RunSettings(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, {"settings"}, {});
    if (args.Positionals().size() != 1) {
        throw UsageError("settings needs an action: path or dump");
    }
    const Korvane::CSettingsFile file =
        args.Value("settings") ? Korvane::CSettingsFile(*args.Value("settings")) : Korvane::CSettingsFile();
    const std::string& action = args.Positionals().front();
    if (action == "path") {
        out << file.Path().string() << '\n';
        return 0;
    }
    if (action != "dump") {
        throw UsageError("unknown settings action \"" + action + "\"");
    }
    Zelt::CRegularFile input(file.Path(), O_RDONLY);
    if (input.GetStatus() == Zelt::CRegularFile::ABSENT) {
        err << "korvanectl settings: there is no settings file at " << file.Path() << '\n';
        return 1;
    }
    std::string scrambled;
    if (!input.IsOpen() || !input.ReadAll(Korvane::CSettingsFile::MAX_FILE_BYTES, scrambled)) {
        throw CommandError(input.Reason());
    }
    const std::optional<std::string> key = Korvane::CSettingsKey::ForCurrentUser();
    if (!key) {
        throw CommandError("the user's identity is not known, so the settings cannot be read");
    }
    Zelt::CDecodeStr decoder;
    out << TerminalText::Xml(decoder.Convert(scrambled, *key));
    return 0;
}

} // namespace

std::unique_ptr<Command> MakeSettingsCommand() {
    return std::make_unique<FunctionCommand>(
        "settings", "show where the settings are, or their content",
        "usage: korvanectl settings path|dump [--settings FILE]\n"
        "path: the settings file; dump: its content, unscrambled (passwords included).\n",
        RunSettings);
}

} // namespace Korvanectl
