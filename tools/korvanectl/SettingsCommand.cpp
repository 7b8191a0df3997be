#include "AdminCommands.h"
#include "Arguments.h"
#include "Message.h"
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
        err << "korvanectl settings: " << Message(Zelt::Text::CliNoSettingsFileAt, {file.Path().string()})
            << '\n';
        return 1;
    }
    std::string scrambled;
    if (!input.IsOpen() || !input.ReadAll(Korvane::CSettingsFile::MAX_FILE_BYTES, scrambled)) {
        throw CommandError(input.Reason());
    }
    const std::optional<std::string> key = Korvane::CSettingsKey::ForCurrentUser();
    if (!key) {
        throw CommandError(Message(Zelt::Text::CliUserUnknown));
    }
    Zelt::CDecodeStr decoder;
    out << TerminalText::Xml(decoder.Convert(scrambled, *key));
    return 0;
}

// Only settings that were read whole are exported: a backup of defaults would hide the loss.
int Export(const std::optional<std::string>& settingsPath, const std::string& target, std::ostream& err) {
    StoreAccess store(settingsPath, StoreAccess::READ, err);
    if (store.LoadOutcome() != Korvane::SettingsLoadOutcome::Loaded) {
        throw CommandError(Message(store.LoadOutcome() == Korvane::SettingsLoadOutcome::NoFile
                                       ? Zelt::Text::CliNotExportedMissing
                                       : Zelt::Text::CliNotExportedDamaged,
                                   {store.File().Path().string()}));
    }
    std::error_code error;
    if (std::filesystem::equivalent(target, store.File().Path(), error)) {
        throw CommandError(Message(Zelt::Text::CliNotExportedSelf, {target}));
    }
    const Korvane::SettingsSaveResult written = Korvane::CSettingsFile::Export(target, store.Manager());
    if (!written) {
        throw CommandError(Message(Zelt::Text::CliExportFailed, {target, written.strReason}));
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
        throw UsageError(Message(Zelt::Text::CliNeedsAction, {"settings", "path|dump|export|import"}));
    }
    const std::string& action = positionals.front();
    if (action != "path" && action != "dump" && action != "export" && action != "import") {
        throw UsageError(Message(Zelt::Text::CliUnknownAction, {"settings", action}));
    }
    const bool bTakesFile = action == "export" || action == "import";
    if (positionals.size() != (bTakesFile ? 2u : 1u)) {
        throw UsageError(bTakesFile ? Message(Zelt::Text::CliNeedsExactlyOne, {"settings " + action, "FILE"})
                                    : Message(Zelt::Text::CliTakesNoArguments, {"settings " + action}));
    }
    if (args.Flag("json") && action != "path") {
        throw UsageError(Message(Zelt::Text::CliJsonOnlyWithPath));
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
    return std::make_unique<FunctionCommand>("settings", Message(Zelt::Text::CliSummarySettings),
                                             Message(Zelt::Text::CliUsageSettings), RunSettings);
}

} // namespace Korvanectl
