#include "StoreAccess.h"

#include "Message.h"

#include <ostream>

namespace Korvanectl {
namespace {

Korvane::CSettingsFile OpenFile(const std::optional<std::string>& settingsPath) {
    return settingsPath ? Korvane::CSettingsFile(*settingsPath) : Korvane::CSettingsFile();
}

} // namespace

StoreAccess::StoreAccess(const std::optional<std::string>& settingsPath, Mode mode, std::ostream& err)
    : m_file(OpenFile(settingsPath)) {
    if (mode == CHANGE) {
        m_lock = std::make_unique<Korvane::CSettingsLock>(m_file.Path());
        if (!m_lock->IsHeld()) {
            throw CommandError(m_lock->IsHeldByOther()
                                   ? Message(Zelt::Text::CliSettingsHeldByDesktop, {m_lock->RefusalText()})
                                   : m_lock->RefusalText());
        }
    }
    m_loadedStamp = m_file.Stamp();
    const Korvane::SettingsLoadResult loaded = m_file.Load(m_manager);
    m_loadOutcome = loaded.outcome;
    // Neither is the program's to replace: the command stops before it could save.
    if (loaded.outcome == Korvane::SettingsLoadOutcome::NotUsable ||
        loaded.outcome == Korvane::SettingsLoadOutcome::CannotOpen) {
        throw CommandError(loaded.strReason);
    }
    if (loaded.outcome == Korvane::SettingsLoadOutcome::Damaged) {
        err << "korvanectl: "
            << Message(Zelt::Text::CliSettingsDamaged, {m_file.Path().string(), loaded.strReason}) << '\n';
    }
}

void StoreAccess::Save() {
    Save(m_manager);
}

void StoreAccess::Save(const Korvane::CKorvaneAdminInfoMgr& manager) {
    const Korvane::SettingsSaveResult saved = m_file.Save(manager);
    if (!saved) {
        throw CommandError(Message(Zelt::Text::SettingsNotSaved, {saved.strReason}));
    }
}

} // namespace Korvanectl
