#include "support/XmlDocumentState.h"

#include <cstdint>

namespace Zelt::detail {
namespace {

uintptr_t HandleCount(xmlNodePtr node) {
    return reinterpret_cast<uintptr_t>(node->_private);
}

void SetHandleCount(xmlNodePtr node, uintptr_t count) {
    node->_private = reinterpret_cast<void*>(count);
}

xmlNodePtr TopOf(xmlNodePtr node) {
    while (node->parent != nullptr) {
        node = node->parent;
    }
    return node;
}

bool AnyReferenced(xmlAttrPtr attribute) {
    for (; attribute != nullptr; attribute = attribute->next) {
        if (HandleCount(reinterpret_cast<xmlNodePtr>(attribute)) != 0) {
            return true;
        }
        for (xmlNodePtr child = attribute->children; child != nullptr; child = child->next) {
            if (HandleCount(child) != 0) {
                return true;
            }
        }
    }
    return false;
}

bool NodeOrAttributesReferenced(xmlNodePtr node) {
    if (HandleCount(node) != 0) {
        return true;
    }
    return node->type == XML_ELEMENT_NODE && AnyReferenced(node->properties);
}

// Walks the tree without recursion: detached trees may be deep.
bool SubtreeReferenced(xmlNodePtr top) {
    if (top->type == XML_ATTRIBUTE_NODE) {
        return AnyReferenced(reinterpret_cast<xmlAttrPtr>(top));
    }
    xmlNodePtr node = top;
    while (true) {
        if (NodeOrAttributesReferenced(node)) {
            return true;
        }
        if (node->children != nullptr && node->type != XML_ENTITY_REF_NODE) {
            node = node->children;
            continue;
        }
        while (node != top && node->next == nullptr) {
            node = node->parent;
        }
        if (node == top) {
            return false;
        }
        node = node->next;
    }
}

} // namespace

DocumentState::DocumentState(xmlDocPtr document) : doc(document) {}

DocumentState::~DocumentState() {
    xmlFreeDoc(doc);
}

void RetainNode(xmlNodePtr node) {
    SetHandleCount(node, HandleCount(node) + 1);
}

void ReleaseNode(xmlNodePtr node) {
    SetHandleCount(node, HandleCount(node) - 1);
    if (HandleCount(node) == 0) {
        FreeIfUnreferenced(node);
    }
}

void FreeIfUnreferenced(xmlNodePtr node) {
    xmlNodePtr top = TopOf(node);
    if (top->type == XML_DOCUMENT_NODE || SubtreeReferenced(top)) {
        return;
    }
    if (top->type == XML_ATTRIBUTE_NODE) {
        xmlFreeProp(reinterpret_cast<xmlAttrPtr>(top));
    } else {
        xmlFreeNode(top);
    }
}

} // namespace Zelt::detail
