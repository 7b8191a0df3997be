#include "admin/SettingsXml.h"

#include "support/XmlError.h"

#include <algorithm>

namespace Korvane::SettingsXml {

Zelt::CXMLNode AppendElement(Zelt::CXMLDocument& document, Zelt::CXMLNode parent, std::string_view name,
                             std::string_view text) {
    Zelt::CXMLNode element = parent.AppendChild(document.CreateElement(name));
    if (!text.empty()) {
        element.SetText(text);
    }
    return element;
}

std::optional<Zelt::CXMLNode> FirstNode(const Zelt::CXMLNode& node, std::string_view path) {
    const Zelt::CXMLNodeList nodes = node.SelectNodes("(" + std::string(path) + ")[1]");
    if (nodes.empty()) {
        return std::nullopt;
    }
    return nodes.front();
}

std::optional<std::string> OptionalText(const Zelt::CXMLNode& node, std::string_view path) {
    const std::optional<Zelt::CXMLNode> first = FirstNode(node, path);
    if (!first) {
        return std::nullopt;
    }
    return first->GetText();
}

std::string TextOrEmpty(const Zelt::CXMLNode& node, std::string_view path) {
    return OptionalText(node, path).value_or(std::string());
}

std::optional<std::string> OptionalAttribute(const Zelt::CXMLNode& element, std::string_view name) {
    try {
        return element.GetAttributeValue(name);
    } catch (const Zelt::CXMLError&) {
        return std::nullopt;
    }
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    // Not std::tolower: the user's locale must not change what a keyword means.
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char x, char y) { return lower(x) == lower(y); });
}

} // namespace Korvane::SettingsXml
