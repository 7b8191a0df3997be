#include "support/XmlNode.h"

#include "support/XmlDocumentState.h"
#include "support/XmlError.h"
#include "support/XmlLibrary.h"
#include "support/XmlText.h"

#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

namespace Zelt {
namespace {

const xmlChar* AsXmlChars(const std::string& text) {
    return reinterpret_cast<const xmlChar*>(text.c_str());
}

std::string TakeXmlString(xmlChar* text) {
    if (text == nullptr) {
        return std::string();
    }
    std::string result(reinterpret_cast<const char*>(text));
    xmlFree(text);
    return result;
}

bool CanBeChild(xmlNodePtr node) {
    switch (node->type) {
    case XML_ELEMENT_NODE:
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
        return true;
    default:
        return false;
    }
}

bool IsAncestorOrSelf(xmlNodePtr candidate, xmlNodePtr node) {
    for (; node != nullptr; node = node->parent) {
        if (node == candidate) {
            return true;
        }
    }
    return false;
}

// Links without xmlAddChild, which merges adjacent text nodes and would free a node that a
// handle still refers to.
void LinkAsLastChild(xmlNodePtr parent, xmlNodePtr child) {
    child->parent = parent;
    child->next = nullptr;
    child->prev = parent->last;
    if (parent->last != nullptr) {
        parent->last->next = child;
    } else {
        parent->children = child;
    }
    parent->last = child;
}

void RemoveAllChildren(xmlNodePtr parent) {
    while (xmlNodePtr child = parent->children) {
        xmlUnlinkNode(child);
        detail::FreeIfUnreferenced(child);
    }
}

std::string NodeName(xmlNodePtr node) {
    switch (node->type) {
    case XML_TEXT_NODE:
        return "#text";
    case XML_CDATA_SECTION_NODE:
        return "#cdata-section";
    case XML_COMMENT_NODE:
        return "#comment";
    case XML_DOCUMENT_NODE:
        return "#document";
    default:
        break;
    }
    if (node->name == nullptr) {
        throw CXMLError("GetName Error!\n");
    }
    std::string name(reinterpret_cast<const char*>(node->name));
    const bool hasPrefix = (node->type == XML_ELEMENT_NODE || node->type == XML_ATTRIBUTE_NODE) &&
                           node->ns != nullptr && node->ns->prefix != nullptr;
    if (hasPrefix) {
        name = reinterpret_cast<const char*>(node->ns->prefix) + (":" + name);
    }
    return name;
}

} // namespace

CXMLNode::CXMLNode(std::shared_ptr<detail::DocumentState> state, xmlNodePtr node)
    : m_state(std::move(state)), m_node(node) {
    if (m_node != nullptr) {
        detail::RetainNode(m_node);
    }
}

CXMLNode::CXMLNode(const CXMLNode& other) : CXMLNode(other.m_state, other.m_node) {}

CXMLNode::CXMLNode(CXMLNode&& other) noexcept : m_state(std::move(other.m_state)), m_node(other.m_node) {
    other.m_node = nullptr;
}

CXMLNode& CXMLNode::operator=(const CXMLNode& other) {
    if (this != &other) {
        Reset(other.m_state, other.m_node);
    }
    return *this;
}

CXMLNode& CXMLNode::operator=(CXMLNode&& other) noexcept {
    if (this != &other) {
        Release();
        m_state = std::move(other.m_state);
        m_node = other.m_node;
        other.m_node = nullptr;
    }
    return *this;
}

CXMLNode::~CXMLNode() {
    Release();
}

void CXMLNode::Release() {
    // The node goes first: freeing a detached tree needs the document that owns its names.
    if (m_node != nullptr) {
        detail::ReleaseNode(m_node);
        m_node = nullptr;
    }
    m_state.reset();
}

void CXMLNode::Reset(std::shared_ptr<detail::DocumentState> state, xmlNodePtr node) {
    if (node != nullptr) {
        detail::RetainNode(node);
    }
    Release();
    m_state = std::move(state);
    m_node = node;
}

CXMLNode CXMLNode::SingleSelectNode(std::string_view xpath) const {
    static constexpr const char* kError = "SingleSelectNode Error!\n";
    if (m_node == nullptr) {
        throw CXMLError(kError);
    }
    CXMLNodeList nodes;
    try {
        nodes = SelectNodes(xpath);
    } catch (const CXMLError&) {
        throw CXMLError(kError);
    }
    if (nodes.empty()) {
        throw CXMLError(kError);
    }
    return nodes.front();
}

CXMLNodeList CXMLNode::SelectNodes(std::string_view xpath) const {
    static constexpr const char* kError = "SelectNodes Error!\n";
    xmlXPathCompExprPtr expression = CXmlLibrary::CompiledXPath(xpath);
    xmlXPathContextPtr context = m_node != nullptr ? CXmlLibrary::XPathContextFor(m_state->doc) : nullptr;
    if (expression == nullptr || context == nullptr) {
        throw CXMLError(kError);
    }
    context->node = m_node;
    xmlXPathObjectPtr result = xmlXPathCompiledEval(expression, context);
    if (result == nullptr || result->type != XPATH_NODESET) {
        xmlXPathFreeObject(result);
        throw CXMLError(kError);
    }
    CXMLNodeList nodes;
    if (xmlNodeSetPtr set = result->nodesetval) {
        nodes.reserve(static_cast<size_t>(set->nodeNr));
        for (int i = 0; i < set->nodeNr; ++i) {
            // Namespace nodes are copies that XPath makes up; they are not part of the tree.
            if (set->nodeTab[i]->type != XML_NAMESPACE_DECL) {
                nodes.push_back(HandleTo(set->nodeTab[i]));
            }
        }
    }
    xmlXPathFreeObject(result);
    return nodes;
}

std::string CXMLNode::GetText() const {
    if (m_node == nullptr) {
        throw CXMLError("GetText Error!\n");
    }
    return TakeXmlString(xmlNodeGetContent(m_node));
}

void CXMLNode::SetText(std::string_view text) {
    static constexpr const char* kError = "SetText Error!\n";
    if (m_node == nullptr) {
        throw CXMLError(kError);
    }
    const std::string content = CXmlText::Sanitized(text);
    switch (m_node->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE: {
        xmlNodePtr textNode = nullptr;
        if (!content.empty()) {
            textNode = xmlNewDocTextLen(m_state->doc, AsXmlChars(content), static_cast<int>(content.size()));
            if (textNode == nullptr) {
                throw CXMLError(kError);
            }
        }
        RemoveAllChildren(m_node);
        if (textNode != nullptr) {
            LinkAsLastChild(m_node, textNode);
        }
        return;
    }
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
        xmlNodeSetContentLen(m_node, AsXmlChars(content), static_cast<int>(content.size()));
        return;
    default:
        throw CXMLError(kError);
    }
}

std::string CXMLNode::GetAttributeValue(std::string_view name) const {
    static constexpr const char* kError = "GetAttributeValue Error!\n";
    if (m_node == nullptr || m_node->type != XML_ELEMENT_NODE) {
        throw CXMLError(kError);
    }
    const std::string attributeName(name);
    xmlAttrPtr attribute = xmlHasProp(m_node, AsXmlChars(attributeName));
    if (attribute == nullptr || attribute->type != XML_ATTRIBUTE_NODE) {
        throw CXMLError(kError);
    }
    return TakeXmlString(xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(attribute)));
}

void CXMLNode::SetAttributeValue(std::string_view name, std::string_view value) {
    static constexpr const char* kError = "SetAttributeValue Error!\n";
    const std::string attributeName(name);
    if (m_node == nullptr || m_node->type != XML_ELEMENT_NODE || !CXmlText::IsValidName(attributeName)) {
        throw CXMLError(kError);
    }
    const std::string content = CXmlText::Sanitized(value);
    if (xmlSetProp(m_node, AsXmlChars(attributeName), AsXmlChars(content)) == nullptr) {
        throw CXMLError(kError);
    }
}

std::string CXMLNode::GetName() const {
    if (m_node == nullptr) {
        throw CXMLError("GetName Error!\n");
    }
    return NodeName(m_node);
}

CXMLNode CXMLNode::GetParent() const {
    // An attribute belongs to its element but is not its child, so it has no parent.
    if (m_node == nullptr || m_node->parent == nullptr || m_node->type == XML_ATTRIBUTE_NODE) {
        throw CXMLError("GetParent Error!\n");
    }
    return HandleTo(m_node->parent);
}

bool CXMLNode::HasChildNodes() const noexcept {
    return m_node != nullptr && m_node->type != XML_ENTITY_REF_NODE && m_node->children != nullptr;
}

xmlNodePtr CXMLNode::AdoptedNode(const CXMLNode& node) const {
    if (node.m_state == m_state) {
        return node.m_node;
    }
    return xmlDocCopyNode(node.m_node, m_state->doc, 1);
}

CXMLNode CXMLNode::AppendChild(const CXMLNode& child) {
    static constexpr const char* kError = "AppendChild Error!\n";
    const bool parentAccepts = m_node != nullptr && m_node->type == XML_ELEMENT_NODE;
    if (!parentAccepts || child.m_node == nullptr || !CanBeChild(child.m_node) ||
        IsAncestorOrSelf(child.m_node, m_node)) {
        throw CXMLError(kError);
    }
    xmlNodePtr inserted = AdoptedNode(child);
    if (inserted == nullptr) {
        throw CXMLError(kError);
    }
    xmlNodePtr formerParent = inserted->parent;
    xmlUnlinkNode(inserted);
    LinkAsLastChild(m_node, inserted);
    CXMLNode result = HandleTo(inserted);
    if (formerParent != nullptr) {
        detail::FreeIfUnreferenced(formerParent);
    }
    return result;
}

CXMLNode CXMLNode::RemoveChild(const CXMLNode& child) {
    if (m_node == nullptr || child.m_node == nullptr || child.m_state != m_state ||
        child.m_node->parent != m_node || child.m_node->type == XML_ATTRIBUTE_NODE) {
        throw CXMLError("RemoveChild Error!\n");
    }
    xmlUnlinkNode(child.m_node);
    return child;
}

CXMLNode CXMLNode::CloneChild(bool bDeep) const {
    static constexpr const char* kError = "CloneChild Error!\n";
    if (m_node == nullptr || m_node->type == XML_DOCUMENT_NODE) {
        throw CXMLError(kError);
    }
    // Mode 2 copies the attributes but not the children.
    xmlNodePtr copy = xmlDocCopyNode(m_node, m_state->doc, bDeep ? 1 : 2);
    if (copy == nullptr) {
        throw CXMLError(kError);
    }
    return HandleTo(copy);
}

} // namespace Zelt
