#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct _xmlNode;

namespace Zelt {

namespace detail {
struct DocumentState;
}

class CXMLNode;
using CXMLNodeList = std::vector<CXMLNode>;

// A shared handle to one node of a document. Copies share the node. A handle keeps its
// document's memory alive; a node that is in no tree any more (removed, replaced, or created
// and never inserted) is freed when the last handle to it, or to anything below it, goes.
// Texts, names and paths are UTF-8. Every failure throws CXMLError and changes nothing.
class CXMLNode {
public:
    CXMLNode() = default;
    CXMLNode(const CXMLNode& other);
    CXMLNode(CXMLNode&& other) noexcept;
    CXMLNode& operator=(const CXMLNode& other);
    CXMLNode& operator=(CXMLNode&& other) noexcept;
    ~CXMLNode();

    bool IsEmpty() const { return m_node == nullptr; }
    bool IsSameNode(const CXMLNode& other) const { return m_node == other.m_node; }

    // XPath 1.0 relative to this node. SingleSelectNode throws when nothing matches and
    // returns the first match in document order otherwise.
    CXMLNode SingleSelectNode(std::string_view xpath) const;
    CXMLNodeList SelectNodes(std::string_view xpath) const;

    std::string GetText() const;
    void SetText(std::string_view text);
    std::string GetAttributeValue(std::string_view name) const;
    void SetAttributeValue(std::string_view name, std::string_view value);
    std::string GetName() const;
    CXMLNode GetParent() const;
    bool HasChildNodes() const noexcept;

    // Moves a node of the same document to the end of this node's children. A node of another
    // document is left where it is and a deep copy of it is appended instead. Returns the
    // inserted node.
    CXMLNode AppendChild(const CXMLNode& child);
    CXMLNode RemoveChild(const CXMLNode& child);
    // A copy of this node, with its subtree when bDeep, that belongs to the same document
    // but to no tree.
    CXMLNode CloneChild(bool bDeep) const;

protected:
    CXMLNode(std::shared_ptr<detail::DocumentState> state, _xmlNode* node);

    const std::shared_ptr<detail::DocumentState>& State() const { return m_state; }
    _xmlNode* Node() const { return m_node; }
    void Reset(std::shared_ptr<detail::DocumentState> state, _xmlNode* node);

    // Gives a handle to any node of this node's document.
    CXMLNode HandleTo(_xmlNode* node) const { return CXMLNode(m_state, node); }
    // A node of this document that is, or is a copy of, the given node; nullptr on failure.
    _xmlNode* AdoptedNode(const CXMLNode& node) const;

private:
    void Release();

    std::shared_ptr<detail::DocumentState> m_state;
    _xmlNode* m_node = nullptr;

    friend class CXMLDocument;
    friend class CXmlLoadCheck;
    friend void ReplaceNode(const CXMLNode& oldNode, const CXMLNode& newNode);
};

} // namespace Zelt
