#pragma once

// The device models: one information document per model family (root "korvaneinfo"), the list of
// values rewritten per device (overrides.txt) and the top-level elements each GETINFO category
// returns (categories.txt). Built into the program, or read from a directory with --models.

#include "Xml.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace KorvaneSim {

struct OverrideRule {
    std::string key; // mac, hostname, description, ipv4, ipv6, model, firmware, power, status
    std::string xpath;
};

// What a category (or a union of categories) takes from the document: the whole document, or
// top-level elements, each whole (no children listed) or with only the named children.
struct CategoryRule {
    bool all = false;
    std::map<std::string, std::set<std::string>> parts;
    std::set<std::string> wholeElements;

    void Merge(const CategoryRule& other);
};

class ModelStore {
public:
    // Loads from the directory, or from the built-in files when the directory is empty. Throws
    // std::runtime_error naming the file and line of a problem.
    void Load(const std::string& directory);

    // Families in the order the default devices cycle through them.
    const std::vector<std::string>& Families() const { return families_; }
    bool HasFamily(const std::string& family) const { return documents_.count(family) != 0; }
    // A fresh copy of the family's document.
    XmlDocPtr NewDocument(const std::string& family) const;

    // The XPaths of a key (empty when overrides.txt does not name it).
    std::vector<std::string> OverridePaths(const std::string& key) const;
    const std::vector<OverrideRule>& Overrides() const { return overrides_; }
    // Null for a category that categories.txt does not know.
    const CategoryRule* Category(const std::string& name) const;

    // Warnings collected while loading (unknown keys and the like), for stderr.
    const std::vector<std::string>& Warnings() const { return warnings_; }

private:
    void AddDocument(const std::string& name, const std::string& content);
    void ParseOverrides(const std::string& content);
    void ParseCategories(const std::string& content);

    std::map<std::string, XmlDocPtr> documents_;
    std::vector<std::string> families_;
    std::vector<OverrideRule> overrides_;
    std::map<std::string, CategoryRule> categories_;
    std::vector<std::string> warnings_;
};

} // namespace KorvaneSim
