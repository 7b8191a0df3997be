#pragma once

#include "support/XmlNode.h"

#include <iosfwd>
#include <string>
#include <string_view>

namespace Zelt {

// An XML document; as a node it is the document node, so selections run relative to it.
// Documents are not copied: copy the document element into another document instead.
class CXMLDocument : public CXMLNode {
public:
    CXMLDocument();
    CXMLDocument(const CXMLDocument&) = delete;
    CXMLDocument& operator=(const CXMLDocument&) = delete;
    CXMLDocument(CXMLDocument&&) noexcept = default;
    CXMLDocument& operator=(CXMLDocument&&) noexcept = default;
    ~CXMLDocument() = default;

    // Replaces the content by the parsed stream. Handles into the previous content stay valid
    // but no longer belong to this document. Documents with a DTD are refused: nothing this
    // program reads has one, and entity expansion is an attack surface.
    void Load(std::istream& input);
    void LoadFromBytes(std::string_view bytes);

    // Writes the XML declaration (version 1.0, the document's encoding) and the tree, unindented.
    void Save(std::ostream& output) const;
    std::string SaveToBytes() const;

    const std::string& GetEncoding() const { return m_encoding; }

    CXMLNode GetRootNode() const;
    bool HasRootNode() const;
    // Makes the element the document element. An element of another document is copied.
    void SetRootNode(const CXMLNode& element);
    CXMLNode CreateElement(std::string_view name);

private:
    std::string m_encoding = "UTF-8";
};

} // namespace Zelt
