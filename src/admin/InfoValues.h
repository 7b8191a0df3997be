#pragma once

#include "support/XmlDocument.h"

#include <string>
#include <string_view>
#include <vector>

namespace Korvane {

// Reads values of a device information document ("korvaneinfo") by XPath relative to one of its
// elements, normally the document element. Nothing here throws: a document without an element,
// a path that selects nothing and an absent attribute all read as empty, which the value texts
// turn into "-".
class CInfoValues {
public:
    // Reads relative to the document element; a document without one reads as empty.
    explicit CInfoValues(const Zelt::CXMLDocument& document);
    // The text of the first node the path selects.
    std::string Text(std::string_view xpath) const;
    // The text, or the no-value text when it is empty.
    std::string TextOrNoValue(std::string_view xpath) const;
    // The named attribute of the first node the path selects.
    std::string Attribute(std::string_view xpath, std::string_view name) const;
    bool Exists(std::string_view xpath) const;
    size_t Count(std::string_view xpath) const;
    // One reader for each node the path selects, in document order.
    std::vector<CInfoValues> Each(std::string_view xpath) const;

    // "-": what stands wherever a value is missing.
    static std::string NoValue();
    static std::string OrNoValue(std::string text);
    // Device values are compared without regard to (ASCII) case.
    static bool SameText(std::string_view a, std::string_view b);

private:
    struct ElementTag {};
    // Reads relative to an element, such as one share folder (see Each). The tag keeps the
    // document overload unambiguous: a document is an element too.
    CInfoValues(Zelt::CXMLNode context, ElementTag);

    Zelt::CXMLNodeList Select(std::string_view xpath) const;

    Zelt::CXMLNode m_context;
};

} // namespace Korvane
