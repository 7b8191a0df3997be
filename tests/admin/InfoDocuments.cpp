#include "InfoDocuments.h"

#include "SampleDevices.h"

namespace AdminTesting {

Korvane::CManagedDevice DeviceWithInfo(std::string_view xml) {
    Korvane::CManagedDevice device;
    device.LoadFromBytes(xml);
    return device;
}

Korvane::CManagedDevice SampleInfoDevice(const std::string& family) {
    return DeviceWithInfo(SampleDocument(family));
}

void RemoveInfoNodes(Korvane::CKorvaneInfo& device, const std::string& path) {
    for (const Zelt::CXMLNode& node : device.GetRootNode().SelectNodes(path)) {
        node.GetParent().RemoveChild(node);
    }
}

} // namespace AdminTesting
