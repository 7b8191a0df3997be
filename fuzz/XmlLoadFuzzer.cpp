// Arbitrary bytes as a device response or settings file: loading must fail cleanly or give a
// document that can be walked, edited and saved again.
#include "support/XmlDocument.h"
#include "support/XmlError.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Zelt::CXMLDocument document;
    try {
        document.LoadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const Zelt::CXMLError&) {
        return 0;
    }
    for (Zelt::CXMLNode& node : document.SelectNodes("//*|//@*")) {
        node.GetName();
        node.GetText();
    }
    Zelt::CXMLDocument copy;
    copy.SetRootNode(document.GetRootNode());
    copy.GetRootNode().SetText(document.GetRootNode().GetText());
    Zelt::CXMLDocument reread;
    reread.LoadFromBytes(copy.SaveToBytes());
    return 0;
}
