#pragma once

#include "support/XmlNode.h"

#include <cstddef>
#include <string_view>
#include <unordered_set>

namespace Zelt {

// Whether a document would load: CXMLDocument's own size limit and the limits libxml2's parser
// keeps (how deeply elements nest, how long one text is, how much it interns: names and some short
// texts). Writers of files that the program reads back check what they write here, against the
// limits the load itself uses, so that nothing they save is refused when it is read.
class CXmlLoadCheck {
public:
    // Larger than any device response or settings file can sensibly be.
    static constexpr size_t MAX_DOCUMENT_BYTES = 64 * 1024 * 1024;

    enum Verdict { LOADS, TOO_LARGE, TOO_DEEP, TEXT_TOO_LONG, TOO_MANY_NAMES };

    // For a document of nDocumentBytes serialised.
    explicit CXmlLoadCheck(size_t nDocumentBytes);

    // Takes in a tree of the document whose element lies nLevelsAbove levels below the document
    // element's level (0 for the document element). The trees must live until Result.
    void Add(const CXMLNode& element, size_t nLevelsAbove);
    Verdict Result() const;

    // The levels of elements in the tree, the element's own included.
    static size_t Depth(const CXMLNode& element);
    // The size of the tree's serialisation, as CXMLDocument::SaveToBytes writes it.
    static size_t SerializedBytes(const CXMLNode& element);

private:
    void Intern(std::string_view text);
    void CheckText(std::string_view text);

    size_t m_nDocumentBytes;
    bool m_bCountInterned;
    size_t m_nDepth = 0;
    bool m_bTextTooLong = false;
    size_t m_nInternedBytes = 0;
    std::unordered_set<std::string_view> m_interned;
};

} // namespace Zelt
