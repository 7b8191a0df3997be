#include "protocol/AuthRequestParam.h"

namespace Korvane {

void CAuthRequestParam::AppendOwnParams(Zelt::CXMLDocument& document, Zelt::CXMLNode& root) const {
    AppendParam(document, root, "user", User());
    AppendParam(document, root, "passwd", Password());
}

} // namespace Korvane
