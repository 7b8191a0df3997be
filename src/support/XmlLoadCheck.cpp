#include "support/XmlLoadCheck.h"

#include "support/XmlError.h"

#include <algorithm>
#include <memory>

#include <libxml/parserInternals.h>
#include <libxml/xmlsave.h>

namespace Zelt {
namespace {

// The parser interns texts of up to three bytes and blank texts shorter than 60 bytes besides
// names; counting them all errs on the safe side.
constexpr size_t kShortText = 3;
constexpr size_t kShortBlankText = 59;

std::string_view Text(const xmlChar* pText) {
    return pText == nullptr ? std::string_view() : std::string_view(reinterpret_cast<const char*>(pText));
}

bool IsBlank(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

// The next node of a depth-first walk that stays inside the subtree of top; nLevel follows it.
xmlNodePtr NextInTree(xmlNodePtr node, xmlNodePtr top, size_t& nLevel) {
    if (node->type == XML_ELEMENT_NODE && node->children != nullptr) {
        ++nLevel;
        return node->children;
    }
    while (node != top) {
        if (node->next != nullptr) {
            return node->next;
        }
        node = node->parent;
        --nLevel;
    }
    return nullptr;
}

int CountWrite(void* pContext, const char*, int nLength) {
    *static_cast<size_t*>(pContext) += static_cast<size_t>(nLength);
    return nLength;
}

struct SaveContextCloser {
    void operator()(xmlSaveCtxtPtr context) const { xmlSaveClose(context); }
};

} // namespace

CXmlLoadCheck::CXmlLoadCheck(size_t nDocumentBytes)
    : m_nDocumentBytes(nDocumentBytes),
      // Everything interned appears in the text at least once, followed by one more character
      // (counted here for its terminator); the parser's pools hold about twice the limit before
      // it refuses, which covers the few names it interns on its own. So a document no longer
      // than the limit needs no count.
      m_bCountInterned(nDocumentBytes > XML_MAX_DICTIONARY_LIMIT) {}

void CXmlLoadCheck::Add(const CXMLNode& element, size_t nLevelsAbove) {
    xmlNodePtr top = element.Node();
    size_t nLevel = nLevelsAbove + 1;
    for (xmlNodePtr node = top; node != nullptr; node = NextInTree(node, top, nLevel)) {
        Intern(Text(node->name));
        if (node->type != XML_ELEMENT_NODE) {
            CheckText(Text(node->content));
            continue;
        }
        m_nDepth = std::max(m_nDepth, nLevel);
        if (node->ns != nullptr) {
            Intern(Text(node->ns->prefix));
        }
        for (xmlNsPtr ns = node->nsDef; ns != nullptr; ns = ns->next) {
            Intern(Text(ns->prefix));
            Intern(Text(ns->href));
        }
        for (xmlAttrPtr attribute = node->properties; attribute != nullptr; attribute = attribute->next) {
            Intern(Text(attribute->name));
            for (xmlNodePtr value = attribute->children; value != nullptr; value = value->next) {
                CheckText(Text(value->content));
            }
        }
    }
}

void CXmlLoadCheck::CheckText(std::string_view text) {
    m_bTextTooLong = m_bTextTooLong || text.size() > XML_MAX_TEXT_LENGTH;
    if (text.size() <= kShortText || (text.size() <= kShortBlankText && IsBlank(text))) {
        Intern(text);
    }
}

void CXmlLoadCheck::Intern(std::string_view text) {
    if (m_bCountInterned && !text.empty() && m_interned.insert(text).second) {
        m_nInternedBytes += text.size() + 1;
    }
}

CXmlLoadCheck::Verdict CXmlLoadCheck::Result() const {
    if (m_nDocumentBytes > MAX_DOCUMENT_BYTES) {
        return TOO_LARGE;
    }
    if (m_nDepth > xmlParserMaxDepth) {
        return TOO_DEEP;
    }
    if (m_bTextTooLong) {
        return TEXT_TOO_LONG;
    }
    return m_nInternedBytes > XML_MAX_DICTIONARY_LIMIT ? TOO_MANY_NAMES : LOADS;
}

size_t CXmlLoadCheck::Depth(const CXMLNode& element) {
    size_t nDepth = 0;
    size_t nLevel = 1;
    for (xmlNodePtr node = element.Node(); node != nullptr; node = NextInTree(node, element.Node(), nLevel)) {
        if (node->type == XML_ELEMENT_NODE) {
            nDepth = std::max(nDepth, nLevel);
        }
    }
    return nDepth;
}

size_t CXmlLoadCheck::SerializedBytes(const CXMLNode& element) {
    size_t nBytes = 0;
    std::unique_ptr<xmlSaveCtxt, SaveContextCloser> context(
        xmlSaveToIO(CountWrite, nullptr, &nBytes, "UTF-8", XML_SAVE_AS_XML));
    if (!context || xmlSaveTree(context.get(), element.Node()) < 0) {
        throw CXMLError("Save XMLfile Error!\n");
    }
    context.reset();
    return nBytes;
}

} // namespace Zelt
