#include "admin/InfoValues.h"

#include "support/StringTable.h"
#include "support/XmlError.h"

#include <algorithm>
#include <utility>

namespace Korvane {
namespace {

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

Zelt::CXMLNode DocumentElementOf(const Zelt::CXMLDocument& document) {
    return document.HasRootNode() ? document.GetRootNode() : Zelt::CXMLNode();
}

} // namespace

CInfoValues::CInfoValues(const Zelt::CXMLDocument& document) : m_context(DocumentElementOf(document)) {}

CInfoValues::CInfoValues(Zelt::CXMLNode context, ElementTag) : m_context(std::move(context)) {}

Zelt::CXMLNodeList CInfoValues::Select(std::string_view xpath) const {
    if (m_context.IsEmpty()) {
        return {};
    }
    try {
        return m_context.SelectNodes(xpath);
    } catch (const Zelt::CXMLError&) {
        return {};
    }
}

std::string CInfoValues::Text(std::string_view xpath) const {
    const Zelt::CXMLNodeList nodes = Select(xpath);
    return nodes.empty() ? std::string() : nodes.front().GetText();
}

std::string CInfoValues::TextOrNoValue(std::string_view xpath) const {
    return OrNoValue(Text(xpath));
}

std::string CInfoValues::Attribute(std::string_view xpath, std::string_view name) const {
    const Zelt::CXMLNodeList nodes = Select(xpath);
    if (nodes.empty()) {
        return std::string();
    }
    try {
        return nodes.front().GetAttributeValue(name);
    } catch (const Zelt::CXMLError&) {
        return std::string();
    }
}

bool CInfoValues::Exists(std::string_view xpath) const {
    return !Select(xpath).empty();
}

size_t CInfoValues::Count(std::string_view xpath) const {
    return Select(xpath).size();
}

std::vector<CInfoValues> CInfoValues::Each(std::string_view xpath) const {
    std::vector<CInfoValues> readers;
    for (Zelt::CXMLNode& node : Select(xpath)) {
        readers.push_back(CInfoValues(std::move(node), ElementTag{}));
    }
    return readers;
}

std::string CInfoValues::NoValue() {
    return std::string(Zelt::CStringTable::Text(Zelt::Text::NoValue));
}

std::string CInfoValues::OrNoValue(std::string text) {
    return text.empty() ? NoValue() : std::move(text);
}

bool CInfoValues::SameText(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

} // namespace Korvane
