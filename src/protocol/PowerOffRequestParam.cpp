#include "protocol/PowerOffRequestParam.h"

namespace Korvane {

void CPowerOffRequestParam::AppendOwnParams(Zelt::CXMLDocument& document, Zelt::CXMLNode& root) const {
    AppendParam(document, root, "network", Network() ? "TRUE" : "FALSE");
}

} // namespace Korvane
