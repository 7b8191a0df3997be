#pragma once

#include <string_view>

struct _xmlXPathCompExpr;

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
};

} // namespace Zelt
