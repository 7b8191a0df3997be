#include "Model.h"

#include "ModelData.h"

#include <algorithm>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace KorvaneSim {
namespace {

const char* const kKnownKeys[] = {"mac",   "hostname", "description", "ipv4",  "ipv6",
                                  "model", "firmware", "power",       "status"};
// The preferred cycle of the default device set; other families follow in name order.
const char* const kPreferredFamilies[] = {"qrx-x", "qrx-h", "qrx-xv"};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Lines without comments ("#" to the end of the line) and surrounding blanks, with their numbers;
// blank lines are left out.
std::vector<std::pair<int, std::string>> MeaningfulLines(const std::string& content) {
    std::vector<std::pair<int, std::string>> lines;
    std::istringstream in(content);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::size_t hash = line.find('#');
        if (hash != std::string::npos) {
            line.erase(hash);
        }
        const std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos) {
            continue;
        }
        const std::size_t last = line.find_last_not_of(" \t\r");
        lines.emplace_back(number, line.substr(first, last - first + 1));
    }
    return lines;
}

} // namespace

void ModelStore::Load(const std::string& directory) {
    documents_.clear();
    families_.clear();
    overrides_.clear();
    categories_.clear();
    warnings_.clear();

    std::map<std::string, std::string> files;
    if (directory.empty()) {
        for (std::size_t i = 0; i < kEmbeddedFileCount; ++i) {
            files[kEmbeddedFiles[i].name] =
                std::string(reinterpret_cast<const char*>(kEmbeddedFiles[i].data), kEmbeddedFiles[i].size);
        }
        if (files.empty()) {
            throw std::runtime_error("this build has no device models; give --models DIR");
        }
    } else {
        DIR* dir = opendir(directory.c_str());
        if (dir == nullptr) {
            throw std::runtime_error("cannot open the model directory " + directory);
        }
        while (dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (EndsWith(name, ".xml") || name == "overrides.txt" || name == "categories.txt") {
                files[name] = ReadFile(directory + "/" + name);
            }
        }
        closedir(dir);
    }

    for (const auto& [name, content] : files) {
        if (EndsWith(name, ".xml")) {
            AddDocument(name, content);
        }
    }
    if (documents_.empty()) {
        throw std::runtime_error("no model documents (*.xml) found");
    }
    if (files.count("overrides.txt") == 0) {
        throw std::runtime_error("overrides.txt is missing from the models");
    }
    if (files.count("categories.txt") == 0) {
        throw std::runtime_error("categories.txt is missing from the models");
    }
    ParseOverrides(files["overrides.txt"]);
    ParseCategories(files["categories.txt"]);

    for (const char* family : kPreferredFamilies) {
        if (documents_.count(family) != 0) {
            families_.push_back(family);
        }
    }
    for (const auto& entry : documents_) {
        if (std::find(families_.begin(), families_.end(), entry.first) == families_.end()) {
            families_.push_back(entry.first);
        }
    }
}

void ModelStore::AddDocument(const std::string& name, const std::string& content) {
    std::string error;
    XmlDocPtr doc = ParseXml(content, error);
    if (!doc) {
        throw std::runtime_error("model " + name + ": " + error);
    }
    if (NodeName(xmlDocGetRootElement(doc.get())) != "korvaneinfo") {
        throw std::runtime_error("model " + name + ": the document element is not korvaneinfo");
    }
    documents_[name.substr(0, name.size() - 4)] = std::move(doc);
}

void ModelStore::ParseOverrides(const std::string& content) {
    for (const auto& [number, line] : MeaningfulLines(content)) {
        const std::size_t space = line.find_first_of(" \t");
        if (space == std::string::npos) {
            throw std::runtime_error("overrides.txt:" + std::to_string(number) + ": expected 'key xpath'");
        }
        OverrideRule rule{line.substr(0, space), line.substr(line.find_first_not_of(" \t", space))};
        if (std::find_if(std::begin(kKnownKeys), std::end(kKnownKeys),
                         [&](const char* known) { return rule.key == known; }) == std::end(kKnownKeys)) {
            warnings_.push_back("overrides.txt:" + std::to_string(number) + ": unknown key " + rule.key +
                                " (ignored)");
            continue;
        }
        // Check the expression against the first document now rather than on every device.
        std::vector<xmlNode*> nodes;
        std::string error;
        xmlDoc* doc = documents_.begin()->second.get();
        if (!SelectNodes(doc, nullptr, rule.xpath, nodes, error)) {
            throw std::runtime_error("overrides.txt:" + std::to_string(number) + ": " + error);
        }
        overrides_.push_back(std::move(rule));
    }
}

void ModelStore::ParseCategories(const std::string& content) {
    for (const auto& [number, line] : MeaningfulLines(content)) {
        std::istringstream words(line);
        std::string name;
        words >> name;
        CategoryRule& rule = categories_[name];
        std::string element;
        bool any = false;
        while (words >> element) {
            any = true;
            const std::size_t slash = element.find('/');
            if (element == "*") {
                rule.all = true;
            } else if (slash == std::string::npos) {
                rule.wholeElements.insert(element);
            } else if (slash == 0 || slash + 1 == element.size() ||
                       element.find('/', slash + 1) != std::string::npos) {
                throw std::runtime_error("categories.txt:" + std::to_string(number) + ": bad entry " +
                                         element);
            } else {
                rule.parts[element.substr(0, slash)].insert(element.substr(slash + 1));
            }
        }
        if (!any) {
            throw std::runtime_error("categories.txt:" + std::to_string(number) + ": category " + name +
                                     " names no element");
        }
    }
}

void CategoryRule::Merge(const CategoryRule& other) {
    all = all || other.all;
    wholeElements.insert(other.wholeElements.begin(), other.wholeElements.end());
    for (const auto& [element, children] : other.parts) {
        parts[element].insert(children.begin(), children.end());
    }
}

XmlDocPtr ModelStore::NewDocument(const std::string& family) const {
    auto found = documents_.find(family);
    if (found == documents_.end()) {
        return nullptr;
    }
    return XmlDocPtr(xmlCopyDoc(found->second.get(), 1));
}

std::vector<std::string> ModelStore::OverridePaths(const std::string& key) const {
    std::vector<std::string> paths;
    for (const OverrideRule& rule : overrides_) {
        if (rule.key == key) {
            paths.push_back(rule.xpath);
        }
    }
    return paths;
}

const CategoryRule* ModelStore::Category(const std::string& name) const {
    auto found = categories_.find(name);
    return found != categories_.end() ? &found->second : nullptr;
}

} // namespace KorvaneSim
