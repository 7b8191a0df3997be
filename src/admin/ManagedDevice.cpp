#include "admin/ManagedDevice.h"

#include "support/XmlError.h"

namespace Korvane {

std::string CManagedDevice::ReportedMac() const {
    try {
        return GetRootNode().SingleSelectNode("network/tcpip/lan/mac").GetText();
    } catch (const Zelt::CXMLError&) {
        return std::string();
    }
}

} // namespace Korvane
