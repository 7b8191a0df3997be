#pragma once

#include <string_view>

struct _xmlDoc;
struct _xmlXPathCompExpr;
struct _xmlXPathContext;

namespace Zelt {

// Process-wide and per-thread set-up of libxml2 that every user of the XML layer relies on.
class CXmlLibrary {
public:
    // Initialises the parser once per process and, once per calling thread, routes libxml2's
    // diagnostics into nowhere: hostile input must not flood stderr.
    static void EnsureInitialized();

    // The compiled form of an XPath expression, compiled once per thread and then reused;
    // nullptr when the expression is invalid.
    static _xmlXPathCompExpr* CompiledXPath(std::string_view expression);
    // The calling thread's XPath context, set to evaluate in the document. One context serves
    // every document of the thread: making one registers the whole function library, which
    // costs more than most queries.
    static _xmlXPathContext* XPathContextFor(_xmlDoc* document);
};

} // namespace Zelt
