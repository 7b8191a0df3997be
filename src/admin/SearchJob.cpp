#include "admin/SearchJob.h"

#include "protocol/KorvaneInfoList.h"

namespace Korvane {

SearchResult CSearchJob::Run(const Zelt::CancelEventPtr& cancelEvent, const FoundSink& found) {
    CKorvaneInfoList list;
    const int nResult = list.Update(cancelEvent, [&found](int nOutcome, CKorvaneInfo& session) {
        if (nOutcome == REPORT_INFO_FETCHED) {
            found(CManagedDevice(session));
        }
    });
    switch (nResult) {
    case DISCOVERY_OK:
        return SEARCH_SUCCEEDED;
    case DISCOVERY_FAILED:
        return SEARCH_FAILED;
    default:
        return SEARCH_CANCELLED;
    }
}

} // namespace Korvane
