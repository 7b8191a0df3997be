#pragma once

#include "support/XmlDocument.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

// Small element and text helpers shared by the parts of the settings file.
namespace Korvane::SettingsXml {

// The children of "window/size", in the order of the window numbers.
constexpr std::array<const char*, 6> WINDOW_NUMBER_NAMES = {"x", "y", "h", "w", "h1", "w1"};

// Per device: the addresses its password is approved for ("address" children), and those it
// turned up at without approval ("ipv4", "ipv6").
constexpr const char* APPROVED_ADDRESSES = "approvedaddresses";
constexpr const char* UNAPPROVED_ADDRESSES = "unapprovedaddresses";
constexpr const char* LAST_UPDATE = "lastupdate";
// In "appsettings", after "mail": "ja" or "en", left out while the program follows the system.
constexpr const char* LANGUAGE = "language";

// Appends a new element of the document to parent; its text only when the text is not empty,
// so that an empty value is an empty element.
Zelt::CXMLNode AppendElement(Zelt::CXMLDocument& document, Zelt::CXMLNode parent, std::string_view name,
                             std::string_view text = {});

// The first node the path selects in document order, nullopt when it selects nothing. Asked as
// "(path)[1]", which lets libxml2 stop at the first match instead of collecting them all: many
// times faster over a thousand device documents that are not in the cache.
std::optional<Zelt::CXMLNode> FirstNode(const Zelt::CXMLNode& node, std::string_view path);

// The text of the first node the path selects, nullopt when it selects nothing.
std::optional<std::string> OptionalText(const Zelt::CXMLNode& node, std::string_view path);

// The text of the first node the path selects, empty when it selects nothing.
std::string TextOrEmpty(const Zelt::CXMLNode& node, std::string_view path);

std::optional<std::string> OptionalAttribute(const Zelt::CXMLNode& element, std::string_view name);

// ASCII letters compared without regard to case, as stored keywords are compared.
bool EqualsNoCase(std::string_view a, std::string_view b);

} // namespace Korvane::SettingsXml
