#pragma once

#include "support/XmlDocument.h"

#include <string_view>

namespace Zelt {

// The number of nodes that match the path relative to the document element. An XML failure
// (no document element, a bad path) is rethrown when bThrow is set and counts 0 otherwise.
int CountNodes(const CXMLDocument& document, std::string_view xpath, bool bThrow);

// Puts a deep copy of newNode, which may belong to another document, in the place of oldNode.
// oldNode leaves the tree.
void ReplaceNode(const CXMLNode& oldNode, const CXMLNode& newNode);

} // namespace Zelt
