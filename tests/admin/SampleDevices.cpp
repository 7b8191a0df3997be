#include "SampleDevices.h"

#include "support/XmlDocument.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace AdminTesting {

std::string SampleDocument(const std::string& family) {
    const char* pszSource = std::getenv("KORVANE_SOURCE_DIR");
    if (pszSource == nullptr || *pszSource == '\0') {
        throw std::runtime_error("KORVANE_SOURCE_DIR is not set; run the tests through ctest");
    }
    std::ifstream file(std::string(pszSource) + "/tools/korvane-sim/models/" + family + ".xml",
                       std::ios::binary);
    if (!file) {
        throw std::runtime_error("no sample document " + family);
    }
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void SetInfoText(Korvane::CKorvaneInfo& device, const std::string& path, const std::string& text) {
    Zelt::CXMLNode node = device.GetRootNode().SingleSelectNode(path);
    node.SetText(text);
}

Korvane::CManagedDevice SampleDevice(const std::string& family, const std::string& mac,
                                     const std::string& name, const std::string& ipv4) {
    Zelt::CXMLDocument document;
    document.LoadFromBytes(SampleDocument(family));
    for (Zelt::CXMLNode node : document.GetRootNode().SelectNodes("network/tcpip/*/mac")) {
        node.SetText(mac);
    }
    document.GetRootNode().SingleSelectNode("network/host/name").SetText(name);
    document.GetRootNode()
        .SingleSelectNode("network/tcpip[not(@family='inet6')]/lan/ipsetting/ip")
        .SetText(ipv4);
    Korvane::CManagedDevice device;
    device.TakeFreshInfo(document.GetRootNode());
    return device;
}

} // namespace AdminTesting
