#include "protocol/MelodyRequestParam.h"

namespace Korvane {

const std::map<std::string, int>& CMelodyRequestParamBase::MelodyTable() {
    static const std::map<std::string, int> table = {{"on", MELODY_ON}, {"off", MELODY_OFF}};
    return table;
}

void CMelodyRequestParam::AppendOwnParams(Zelt::CXMLDocument& document, Zelt::CXMLNode& root) const {
    AppendParamsNaming(document, root, "command", MelodyTable(), Command());
}

} // namespace Korvane
