#include "protocol/InfoBounds.h"

#include "protocol/KorvaneErrors.h"
#include "support/Trace.h"
#include "support/XmlLoadCheck.h"

namespace Korvane {

void CInfoBounds::Check(const Zelt::CXMLNode& info) {
    const size_t nBytes = Zelt::CXmlLoadCheck::SerializedBytes(info);
    const size_t nDepth = Zelt::CXmlLoadCheck::Depth(info);
    if (nBytes > MAX_BYTES || nDepth > MAX_DEPTH) {
        Zelt::DebugTrace(
            "CInfoBounds::Check: information of %zu bytes, %zu levels refused (at most %zu, %zu).\n", nBytes,
            nDepth, MAX_BYTES, MAX_DEPTH);
        throw CInfoTooLarge();
    }
}

bool CInfoBounds::FitTogether(const Zelt::CXMLNode& stored, const Zelt::CXMLNode& fresh) {
    const size_t nBytes =
        Zelt::CXmlLoadCheck::SerializedBytes(stored) + Zelt::CXmlLoadCheck::SerializedBytes(fresh);
    const size_t nDepth = std::max(Zelt::CXmlLoadCheck::Depth(stored), Zelt::CXmlLoadCheck::Depth(fresh));
    if (nBytes > MAX_BYTES || nDepth > MAX_DEPTH) {
        Zelt::DebugTrace("CInfoBounds::FitTogether: %zu bytes, %zu levels together; not taken.\n", nBytes,
                         nDepth);
        return false;
    }
    return true;
}

} // namespace Korvane
