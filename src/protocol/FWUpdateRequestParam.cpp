#include "protocol/FWUpdateRequestParam.h"

namespace Korvane {

CFWUpdateRequestParam::CFWUpdateRequestParam(std::string strFileName, std::string strAuthKey,
                                             int nWaitMillisec, double dVersion)
    : CFWUpdateRequestParamBase(std::move(strFileName)),
      CRequestParam(std::move(strAuthKey), nWaitMillisec, dVersion) {}

void CFWUpdateRequestParam::AppendOwnParams(Zelt::CXMLDocument& document, Zelt::CXMLNode& root) const {
    AppendParam(document, root, "name", FileName());
}

} // namespace Korvane
