#include "operations/SharedSettingsSaver.h"

#include "admin/SettingsLock.h"
#include "admin/TextFormat.h"
#include "operations/InfoResultApplier.h"
#include "protocol/KorvaneInfo.h"
#include "support/StringTable.h"
#include "support/Trace.h"

namespace Korvane {

void CSharedSettingsSaver::Record(const InfoResult& result) {
    std::vector<RecordedResult>& results = m_results[result.device.ReportedMac()];
    if (result.nCategory != ID_GETINFO_CATEGORY_STATUS) {
        results.clear();
    } else if (!results.empty() && results.back().nCategory == ID_GETINFO_CATEGORY_STATUS) {
        results.pop_back();
    }
    results.push_back({result.nMessage, result.nCategory, result.device, result.strErrorCode});
}

CSharedSettingsSaver::SaveResult CSharedSettingsSaver::Save(CKorvaneAdminInfoMgr& manager,
                                                            std::chrono::milliseconds lockWait) {
    const CSettingsLock lock(m_file.Path(), lockWait);
    if (!lock.IsHeld()) {
        return {lock.IsHeldByOther() ? Outcome::IN_USE : Outcome::FAILED, lock.RefusalText()};
    }
    Outcome outcome = Outcome::SAVED;
    if (m_file.Stamp() != m_stamp) {
        std::string strReason;
        if (!ReloadWithResults(manager, strReason)) {
            return {Outcome::FAILED, strReason};
        }
        outcome = Outcome::MERGED;
    }
    const SettingsSaveResult saved = m_file.Save(manager);
    if (!saved) {
        return {Outcome::FAILED, CTextFormat::FormatId(Zelt::Text::SettingsNotSaved, {saved.strReason})};
    }
    m_stamp = m_file.Stamp();
    m_results.clear();
    return {outcome, {}};
}

bool CSharedSettingsSaver::ReloadWithResults(CKorvaneAdminInfoMgr& manager, std::string& strReason) {
    CKorvaneAdminInfoMgr current;
    const SettingsLoadResult loaded = m_file.Load(current);
    // A damaged file is set aside by the save that follows; what cannot be read is left alone.
    if (loaded.outcome == SettingsLoadOutcome::NotUsable ||
        loaded.outcome == SettingsLoadOutcome::CannotOpen) {
        strReason = loaded.strReason;
        return false;
    }
    if (loaded.outcome == SettingsLoadOutcome::Damaged) {
        current = manager;
    }
    for (auto& [mac, results] : m_results) {
        for (RecordedResult& result : results) {
            CInfoResultApplier::Apply(
                current, InfoResult{result.nMessage, result.nCategory, result.device, result.strErrorCode});
        }
    }
    for (const auto& [mac, device] : manager.Devices()) {
        if (CManagedDevice* pCurrent = current.FindDevice(mac)) {
            pCurrent->SetStatusBits(device.GetStatusBits());
        }
    }
    Zelt::DebugTrace("settings changed by another program: read again, %zu device(s) updated again\n",
                     m_results.size());
    manager = std::move(current);
    return true;
}

} // namespace Korvane
