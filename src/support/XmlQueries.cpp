#include "support/XmlQueries.h"

#include "support/XmlDocumentState.h"
#include "support/XmlError.h"

namespace Zelt {

int CountNodes(const CXMLDocument& document, std::string_view xpath, bool bThrow) {
    try {
        return static_cast<int>(document.GetRootNode().SelectNodes(xpath).size());
    } catch (const CXMLError&) {
        if (bThrow) {
            throw;
        }
        return 0;
    }
}

void ReplaceNode(const CXMLNode& oldNode, const CXMLNode& newNode) {
    oldNode.GetParent(); // throws when the old node is in no tree
    const bool replaceable = !newNode.IsEmpty() && newNode.Node()->type != XML_ATTRIBUTE_NODE &&
                             newNode.Node()->type != XML_DOCUMENT_NODE;
    xmlNodePtr copy = replaceable ? xmlDocCopyNode(newNode.Node(), oldNode.State()->doc, 1) : nullptr;
    if (copy == nullptr) {
        throw CXMLError("CloneChild Error!\n");
    }
    xmlNodePtr old = xmlReplaceNode(oldNode.Node(), copy);
    detail::FreeIfUnreferenced(old);
}

} // namespace Zelt
