#include "AdminCommands.h"
#include "Arguments.h"
#include "StoreAccess.h"
#include "TerminalText.h"
#include "admin/SettingsKey.h"
#include "support/RegularFile.h"
#include "support/ScrambleStr.h"

#include <fcntl.h>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <ostream>

namespace Korvanectl {
namespace {

int Dump(const Korvane::CSettingsFile& file, std::ostream& out, std::ostream& err) {
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

// Only settings that were read whole are exported: a backup of defaults would hide the loss.
int Export(const std::optional<std::string>& settingsPath, const std::string& target, std::ostream& err) {
    StoreAccess store(settingsPath, StoreAccess::READ, err);
    if (store.LoadOutcome() != Korvane::SettingsLoadOutcome::Loaded) {
        throw CommandError("nothing was exported: " + store.File().Path().string() +
                           (store.LoadOutcome() == Korvane::SettingsLoadOutcome::NoFile
                                ? " does not exist"
                                : " could not be read whole"));
    }
    std::error_code error;
    if (std::filesystem::equivalent(target, store.File().Path(), error)) {
        throw CommandError("nothing was exported: " + target + " is the settings file itself");
    }
    const Korvane::SettingsSaveResult written = Korvane::CSettingsFile::Export(target, store.Manager());
    if (!written) {
        throw CommandError("the settings could not be exported to " + target + ": " + written.strReason);
    }
    return 0;
}

// The file is checked before the settings are locked, so that a refused file changes nothing.
int Import(const std::optional<std::string>& settingsPath, const std::string& source, std::ostream& err) {
    Korvane::CKorvaneAdminInfoMgr imported;
    const Korvane::SettingsLoadResult read = Korvane::CSettingsFile::ReadExport(source, imported);
    if (read.outcome != Korvane::SettingsLoadOutcome::Loaded) {
        throw CommandError(read.strReason);
    }
    StoreAccess store(settingsPath, StoreAccess::CHANGE, err);
    store.Save(imported);
    return 0;
}

int RunSettings(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, {"settings"}, {"json"});
    const std::vector<std::string>& positionals = args.Positionals();
    if (positionals.empty()) {
        throw UsageError("settings needs an action: path, dump, export or import");
    }
    const std::string& action = positionals.front();
    if (action != "path" && action != "dump" && action != "export" && action != "import") {
        throw UsageError("unknown settings action \"" + action + "\"");
    }
    const bool bTakesFile = action == "export" || action == "import";
    if (positionals.size() != (bTakesFile ? 2u : 1u)) {
        throw UsageError(bTakesFile ? "settings " + action + " needs one FILE"
                                    : "settings " + action + " takes no FILE");
    }
    if (args.Flag("json") && action != "path") {
        throw UsageError("--json goes with settings path only");
    }
    if (action == "export") {
        return Export(args.Value("settings"), positionals[1], err);
    }
    if (action == "import") {
        return Import(args.Value("settings"), positionals[1], err);
    }
    const Korvane::CSettingsFile file =
        args.Value("settings") ? Korvane::CSettingsFile(*args.Value("settings")) : Korvane::CSettingsFile();
    if (action == "path") {
        out << (args.Flag("json") ? TerminalText::Json({{"path", file.Path().string()}})
                                  : file.Path().string())
            << '\n';
        return 0;
    }
    return Dump(file, out, err);
}

} // namespace

std::unique_ptr<Command> MakeSettingsCommand() {
    return std::make_unique<FunctionCommand>(
        "settings", "show where the settings are or their content; export and import them",
        "usage: korvanectl settings path [--json] [--settings FILE]\n"
        "       korvanectl settings dump [--settings FILE]\n"
        "       korvanectl settings export|import FILE [--settings FILE]\n"
        "path: the settings file (--json: {\"path\": PATH}); dump: its content, unscrambled (passwords "
        "included).\n"
        "export FILE: writes the settings to FILE as plain XML (mode 0600, passwords included),\n"
        "  which any user on any machine can import: a backup that survives a reinstall.\n"
        "import FILE: replaces the settings with an exported FILE, after checking that it loads;\n"
        "  a damaged or foreign file is refused and the settings stay as they were.\n",
        RunSettings);
}

} // namespace Korvanectl
