#pragma once

// Thin helpers over libxml2 for the simulator's documents: parsing, writing, XPath selection and
// text changes.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <libxml/tree.h>

namespace KorvaneSim {

struct XmlDocDeleter {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using XmlDocPtr = std::unique_ptr<xmlDoc, XmlDocDeleter>;

// Once per process: quiet libxml2 (errors are reported by the callers) and initialise it.
void InitXml();
// Frees the compiled XPath expressions and libxml2's global state at exit.
void ShutdownXml();

// Parses without network access and drops blank text nodes. Documents with a DTD are refused.
// Null with a reason in `error` on failure.
XmlDocPtr ParseXml(std::string_view text, std::string& error);

// UTF-8 with XML declaration, unindented.
std::string SerializeDocument(xmlDoc* doc);
// The node and its subtree on one line (line breaks in texts become character references).
std::string SerializeNodeOneLine(xmlNode* node);

// Evaluates the expression with `context` as context node (the document's root element when null)
// and returns the selected nodes in document order. Compiled expressions are cached. False with a
// reason for an invalid expression or a result that is not a node set.
bool SelectNodes(xmlDoc* doc, xmlNode* context, const std::string& xpath, std::vector<xmlNode*>& nodes,
                 std::string& error);

std::string NodeText(const xmlNode* node);
// Element: replaces its content by the text; attribute: its value; text or comment: its content.
void SetNodeText(xmlNode* node, const std::string& text);

xmlNode* FirstChildElement(xmlNode* parent, const char* name);
std::string ChildText(xmlNode* parent, const char* name);
std::string_view NodeName(const xmlNode* node);
// The attribute's value, or empty when absent.
std::string Attribute(xmlNode* element, const char* name);

bool IsValidUtf8(std::string_view text);

} // namespace KorvaneSim
