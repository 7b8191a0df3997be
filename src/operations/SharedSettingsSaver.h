#pragma once

#include "admin/SettingsFile.h"
#include "operations/InfoResult.h"

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace Korvane {

// Saves the store of a long-running program (korvanectl monitor) into a settings file that other
// programs change meanwhile. The settings lock is taken only while saving. When the file changed
// since this program last read or wrote it, it is read again and the update results this program
// applied since are applied to it once more, with the alert bits the program evaluated; the store
// then becomes that, so nothing another program saved (a device added or removed, a password, a
// group, the mail settings) is lost.
class CSharedSettingsSaver {
public:
    enum class Outcome {
        SAVED,  // the file was as last seen; the store was written
        MERGED, // the file had changed; the results were applied to it and it was written
        IN_USE, // another program holds the settings: nothing written, results kept
        FAILED, // the file could not be read again or written: nothing written, results kept
    };
    struct SaveResult {
        Outcome outcome;
        std::string strReason; // for IN_USE and FAILED, the text to show
    };

    // The stamp of the file as it was before the store was loaded from it.
    CSharedSettingsSaver(CSettingsFile& file, SettingsFileStamp loaded) : m_file(file), m_stamp(loaded) {}

    // Every result applied to the store since the last save.
    void Record(const InfoResult& result);
    SaveResult Save(CKorvaneAdminInfoMgr& manager, std::chrono::milliseconds lockWait);

private:
    struct RecordedResult {
        int nMessage;
        int nCategory;
        CManagedDevice device;
        std::string strErrorCode;
    };

    // Reads the file again into a fresh store with this program's results; false with a reason
    // when it cannot be read.
    bool ReloadWithResults(CKorvaneAdminInfoMgr& manager, std::string& strReason);

    CSettingsFile& m_file;
    SettingsFileStamp m_stamp;
    // Per device: the last full update's result and the last status update's after it, which
    // together give what all of them gave.
    std::map<std::string, std::vector<RecordedResult>> m_results;
};

} // namespace Korvane
