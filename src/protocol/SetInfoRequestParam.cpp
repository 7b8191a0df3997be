#include "protocol/SetInfoRequestParam.h"

namespace Korvane {

void CSetInfoRequestParam::AppendOwnParams(Zelt::CXMLDocument& document, Zelt::CXMLNode& root) const {
    Zelt::CXMLDocument infoNode;
    infoNode.LoadFromBytes(InfoNode());
    AppendParam(document, root, "infonode", "").AppendChild(infoNode.GetRootNode());
}

} // namespace Korvane
