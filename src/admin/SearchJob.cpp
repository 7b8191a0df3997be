#include "admin/SearchJob.h"

#include "admin/TextFormat.h"
#include "protocol/KorvaneInfoList.h"
#include "support/TextIds.h"

#include <cstdio>

namespace Korvane {

SearchOutcome CSearchJob::Run(const Zelt::CancelEventPtr& cancelEvent, const FoundSink& found) {
    CKorvaneInfoList list;
    const int nResult = list.Update(cancelEvent, [&found](int nOutcome, CKorvaneInfo& session) {
        if (nOutcome == REPORT_INFO_FETCHED) {
            found(CManagedDevice(session));
        }
    });
    switch (nResult) {
    case DISCOVERY_OK:
        return {SEARCH_SUCCEEDED, list.Duration()};
    case DISCOVERY_FAILED:
        return {SEARCH_FAILED, list.Duration()};
    default:
        return {SEARCH_CANCELLED, list.Duration()};
    }
}

std::string CSearchJob::DurationText(std::chrono::milliseconds duration) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", static_cast<double>(duration.count()) / 1000.0);
    return CTextFormat::FormatId(Zelt::Text::SearchFinished, {seconds});
}

} // namespace Korvane
