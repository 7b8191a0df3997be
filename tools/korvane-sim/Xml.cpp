#include "Xml.h"

#include <cstring>
#include <list>
#include <unordered_map>

#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlsave.h>
#include <libxml/xpath.h>

namespace KorvaneSim {
namespace {

void SilentGenericError(void*, const char*, ...) {}
void SilentStructuredError(void*, xmlErrorPtr) {}

// Small LRU cache of compiled XPath expressions: the control interface and the per-device rewrites
// use the same few paths again and again.
class XPathCache {
public:
    ~XPathCache() { Clear(); }

    xmlXPathCompExprPtr Get(const std::string& text) {
        auto found = index_.find(text);
        if (found != index_.end()) {
            order_.splice(order_.begin(), order_, found->second);
            return found->second->second;
        }
        xmlXPathCompExprPtr compiled = xmlXPathCompile(reinterpret_cast<const xmlChar*>(text.c_str()));
        if (compiled == nullptr) {
            return nullptr;
        }
        order_.emplace_front(text, compiled);
        index_[text] = order_.begin();
        if (order_.size() > kLimit) {
            xmlXPathFreeCompExpr(order_.back().second);
            index_.erase(order_.back().first);
            order_.pop_back();
        }
        return compiled;
    }

    void Clear() {
        for (auto& entry : order_) {
            xmlXPathFreeCompExpr(entry.second);
        }
        order_.clear();
        index_.clear();
    }

private:
    static constexpr std::size_t kLimit = 512;
    using Entry = std::pair<std::string, xmlXPathCompExprPtr>;
    std::list<Entry> order_;
    std::unordered_map<std::string, std::list<Entry>::iterator> index_;
};

XPathCache& Cache() {
    static XPathCache cache;
    return cache;
}

std::string FromXmlChars(xmlChar* text) {
    if (text == nullptr) {
        return std::string();
    }
    std::string result(reinterpret_cast<const char*>(text));
    xmlFree(text);
    return result;
}

} // namespace

void InitXml() {
    xmlInitParser();
    xmlSetGenericErrorFunc(nullptr, SilentGenericError);
    xmlSetStructuredErrorFunc(nullptr, SilentStructuredError);
}

void ShutdownXml() {
    Cache().Clear();
    xmlCleanupParser();
}

XmlDocPtr ParseXml(std::string_view text, std::string& error) {
    // Requests are bounded by the framing already; this also keeps int conversions safe.
    if (text.size() > 64u * 1024u * 1024u) {
        error = "document too large";
        return nullptr;
    }
    XmlDocPtr doc(
        xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, nullptr,
                      XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (!doc) {
        const xmlError* last = xmlGetLastError();
        error = last != nullptr && last->message != nullptr ? last->message : "not well-formed";
        while (!error.empty() && (error.back() == '\n' || error.back() == ' ')) {
            error.pop_back();
        }
        return nullptr;
    }
    if (doc->intSubset != nullptr || doc->extSubset != nullptr) {
        error = "document type declarations are not accepted";
        return nullptr;
    }
    if (xmlDocGetRootElement(doc.get()) == nullptr) {
        error = "no document element";
        return nullptr;
    }
    return doc;
}

std::string SerializeDocument(xmlDoc* doc) {
    xmlChar* buffer = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(doc, &buffer, &size, "UTF-8", 0);
    std::string result(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(size));
    xmlFree(buffer);
    return result;
}

std::string SerializeNodeOneLine(xmlNode* node) {
    xmlBuffer* buffer = xmlBufferCreate();
    xmlNodeDump(buffer, node->doc, node, 0, 0);
    std::string raw(reinterpret_cast<const char*>(xmlBufferContent(buffer)),
                    static_cast<std::size_t>(xmlBufferLength(buffer)));
    xmlBufferFree(buffer);
    std::string result;
    result.reserve(raw.size());
    for (char c : raw) {
        if (c == '\n') {
            result += "&#10;";
        } else if (c == '\r') {
            result += "&#13;";
        } else {
            result.push_back(c);
        }
    }
    return result;
}

bool SelectNodes(xmlDoc* doc, xmlNode* context, const std::string& xpath, std::vector<xmlNode*>& nodes,
                 std::string& error) {
    nodes.clear();
    xmlXPathCompExprPtr compiled = Cache().Get(xpath);
    if (compiled == nullptr) {
        error = "invalid XPath: " + xpath;
        return false;
    }
    xmlXPathContextPtr xpathContext = xmlXPathNewContext(doc);
    xpathContext->node = context != nullptr ? context : xmlDocGetRootElement(doc);
    xmlXPathObjectPtr result = xmlXPathCompiledEval(compiled, xpathContext);
    bool ok = true;
    if (result == nullptr) {
        error = "XPath cannot be evaluated: " + xpath;
        ok = false;
    } else if (result->type != XPATH_NODESET) {
        error = "XPath does not select nodes: " + xpath;
        ok = false;
    } else if (result->nodesetval != nullptr) {
        for (int i = 0; i < result->nodesetval->nodeNr; ++i) {
            nodes.push_back(result->nodesetval->nodeTab[i]);
        }
    }
    xmlXPathFreeObject(result);
    xmlXPathFreeContext(xpathContext);
    return ok;
}

std::string NodeText(const xmlNode* node) {
    return FromXmlChars(xmlNodeGetContent(node));
}

void SetNodeText(xmlNode* node, const std::string& text) {
    const xmlChar* value = reinterpret_cast<const xmlChar*>(text.c_str());
    switch (node->type) {
    case XML_ELEMENT_NODE: {
        // xmlNodeSetContent reads entity references in element content, so escape first.
        xmlChar* escaped = xmlEncodeSpecialChars(node->doc, value);
        xmlNodeSetContent(node, escaped);
        xmlFree(escaped);
        break;
    }
    case XML_ATTRIBUTE_NODE:
        xmlSetNsProp(node->parent, node->ns, node->name, value);
        break;
    default:
        xmlNodeSetContent(node, value);
        break;
    }
}

xmlNode* FirstChildElement(xmlNode* parent, const char* name) {
    if (parent == nullptr) {
        return nullptr;
    }
    for (xmlNode* child = parent->children; child != nullptr; child = child->next) {
        if (child->type == XML_ELEMENT_NODE &&
            std::strcmp(reinterpret_cast<const char*>(child->name), name) == 0) {
            return child;
        }
    }
    return nullptr;
}

std::string ChildText(xmlNode* parent, const char* name) {
    xmlNode* child = FirstChildElement(parent, name);
    return child != nullptr ? NodeText(child) : std::string();
}

std::string_view NodeName(const xmlNode* node) {
    return node->name != nullptr ? std::string_view(reinterpret_cast<const char*>(node->name))
                                 : std::string_view();
}

std::string Attribute(xmlNode* element, const char* name) {
    return FromXmlChars(xmlGetProp(element, reinterpret_cast<const xmlChar*>(name)));
}

bool IsValidUtf8(std::string_view text) {
    if (text.find('\0') != std::string_view::npos) {
        return false;
    }
    return xmlCheckUTF8(reinterpret_cast<const unsigned char*>(std::string(text).c_str())) != 0;
}

} // namespace KorvaneSim
