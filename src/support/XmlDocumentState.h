#pragma once

#include <libxml/tree.h>

namespace Zelt::detail {

// The libxml2 document behind a CXMLDocument and all node handles into it. Handles count
// themselves in the _private field of the node they refer to, so that a subtree outside the
// document tree can be freed as soon as nothing refers into it.
struct DocumentState {
    explicit DocumentState(xmlDocPtr document);
    ~DocumentState();
    DocumentState(const DocumentState&) = delete;
    DocumentState& operator=(const DocumentState&) = delete;

    xmlDocPtr doc;
};

void RetainNode(xmlNodePtr node);
void ReleaseNode(xmlNodePtr node);
// Frees the tree that holds the node when that tree is not in the document and no handle
// refers to any of its nodes.
void FreeIfUnreferenced(xmlNodePtr node);

} // namespace Zelt::detail
