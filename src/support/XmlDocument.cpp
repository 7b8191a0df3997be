#include "support/XmlDocument.h"

#include "support/XmlDocumentState.h"
#include "support/XmlError.h"
#include "support/XmlLibrary.h"
#include "support/XmlLoadCheck.h"
#include "support/XmlText.h"

#include <climits>
#include <istream>
#include <memory>
#include <ostream>

#include <libxml/parser.h>
#include <libxml/xmlsave.h>

namespace Zelt {
namespace {

constexpr size_t kStreamChunkBytes = 1024;

constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

xmlDocPtr NewEmptyDocument() {
    CXmlLibrary::EnsureInitialized();
    xmlDocPtr doc = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
    if (doc == nullptr) {
        throw CXMLError("CreateInstance XMLDoc Error!\n");
    }
    return doc;
}

xmlDocPtr ParseDocument(std::string_view bytes) {
    static constexpr const char* kError = "Load XMLfile Error!\n";
    if (bytes.empty() || bytes.size() > CXmlLoadCheck::MAX_DOCUMENT_BYTES) {
        throw CXMLError(kError);
    }
    CXmlLibrary::EnsureInitialized();
    xmlDocPtr doc =
        xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, kParseOptions);
    if (doc == nullptr) {
        throw CXMLError(kError);
    }
    if (doc->intSubset != nullptr || doc->extSubset != nullptr || xmlDocGetRootElement(doc) == nullptr) {
        xmlFreeDoc(doc);
        throw CXMLError(kError);
    }
    return doc;
}

struct SaveContextCloser {
    void operator()(xmlSaveCtxtPtr context) const { xmlSaveClose(context); }
};
struct BufferFreer {
    void operator()(xmlBufferPtr buffer) const { xmlBufferFree(buffer); }
};

} // namespace

CXMLDocument::CXMLDocument() {
    xmlDocPtr doc = NewEmptyDocument();
    Reset(std::make_shared<detail::DocumentState>(doc), reinterpret_cast<xmlNodePtr>(doc));
}

void CXMLDocument::Load(std::istream& input) {
    std::string bytes;
    char chunk[kStreamChunkBytes];
    while (input.read(chunk, sizeof chunk) || input.gcount() > 0) {
        bytes.append(chunk, static_cast<size_t>(input.gcount()));
        if (bytes.size() > CXmlLoadCheck::MAX_DOCUMENT_BYTES) {
            throw CXMLError("Load XMLfile Error!\n");
        }
    }
    LoadFromBytes(bytes);
}

void CXMLDocument::LoadFromBytes(std::string_view bytes) {
    xmlDocPtr doc = ParseDocument(bytes);
    Reset(std::make_shared<detail::DocumentState>(doc), reinterpret_cast<xmlNodePtr>(doc));
}

void CXMLDocument::Save(std::ostream& output) const {
    const std::string bytes = SaveToBytes();
    if (!output.write(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
        throw CXMLError("CIStream Write Error!\n");
    }
}

std::string CXMLDocument::SaveToBytes() const {
    static constexpr const char* kError = "Save XMLfile Error!\n";
    std::unique_ptr<xmlBuffer, BufferFreer> buffer(xmlBufferCreate());
    if (!buffer) {
        throw CXMLError(kError);
    }
    // The text arrives in small pieces; a buffer grown to the exact size each time copies a large
    // document over and over.
    xmlBufferSetAllocationScheme(buffer.get(), XML_BUFFER_ALLOC_DOUBLEIT);
    {
        std::unique_ptr<xmlSaveCtxt, SaveContextCloser> context(
            xmlSaveToBuffer(buffer.get(), m_encoding.c_str(), XML_SAVE_AS_XML));
        if (!context || xmlSaveDoc(context.get(), State()->doc) < 0) {
            throw CXMLError(kError);
        }
    }
    return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                       static_cast<size_t>(xmlBufferLength(buffer.get())));
}

CXMLNode CXMLDocument::GetRootNode() const {
    xmlNodePtr root = xmlDocGetRootElement(State()->doc);
    if (root == nullptr) {
        throw CXMLError("GetRootNode Error!\n");
    }
    return HandleTo(root);
}

bool CXMLDocument::HasRootNode() const {
    return xmlDocGetRootElement(State()->doc) != nullptr;
}

void CXMLDocument::SetRootNode(const CXMLNode& element) {
    static constexpr const char* kError = "SetRootNode Error!\n";
    xmlDocPtr doc = State()->doc;
    if (element.IsEmpty() || element.Node()->type != XML_ELEMENT_NODE) {
        throw CXMLError(kError);
    }
    xmlNodePtr newRoot = AdoptedNode(element);
    if (newRoot == nullptr) {
        throw CXMLError(kError);
    }
    CXMLNode keepAlive = HandleTo(newRoot);
    if (newRoot == xmlDocGetRootElement(doc)) {
        return;
    }
    xmlNodePtr formerParent = newRoot->parent;
    xmlUnlinkNode(newRoot);
    if (formerParent != nullptr) {
        detail::FreeIfUnreferenced(formerParent);
    }
    xmlNodePtr oldRoot = xmlDocSetRootElement(doc, newRoot);
    if (oldRoot != nullptr) {
        detail::FreeIfUnreferenced(oldRoot);
    }
}

CXMLNode CXMLDocument::CreateElement(std::string_view name) {
    static constexpr const char* kError = "CreateElement Error!\n";
    const std::string elementName(name);
    if (!CXmlText::IsValidName(elementName)) {
        throw CXMLError(kError);
    }
    xmlNodePtr element =
        xmlNewDocNode(State()->doc, nullptr, reinterpret_cast<const xmlChar*>(elementName.c_str()), nullptr);
    if (element == nullptr) {
        throw CXMLError(kError);
    }
    return HandleTo(element);
}

} // namespace Zelt
