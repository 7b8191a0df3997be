#include "JsonSchema.h"

#include <cstdlib>
#include <fstream>
#include <regex>
#include <stdexcept>

namespace KorvaneTesting {
namespace {

// The text between the first pair of backticks.
std::string Quoted(const std::string& text) {
    const size_t nOpen = text.find('`');
    return text.substr(nOpen + 1, text.find('`', nOpen + 1) - nOpen - 1);
}

std::vector<std::string> Alternatives(const std::string& type) {
    std::vector<std::string> alternatives;
    size_t nStart = 0;
    for (size_t nOr; (nOr = type.find(" or ", nStart)) != std::string::npos; nStart = nOr + 4) {
        alternatives.push_back(type.substr(nStart, nOr - nStart));
    }
    alternatives.push_back(type.substr(nStart));
    return alternatives;
}

} // namespace

JsonSchema JsonSchema::FromDocs() {
    const char* pszSource = std::getenv("KORVANE_SOURCE_DIR");
    if (pszSource == nullptr) {
        throw std::runtime_error("KORVANE_SOURCE_DIR is not set; run the tests through ctest");
    }
    std::ifstream page(std::string(pszSource) + "/docs/json.md");
    const std::regex row(R"(\| (.+?) \| (.*?) \|.*)");
    JsonSchema schema;
    std::string section;
    for (std::string line; std::getline(page, line);) {
        std::smatch cells;
        if (line.starts_with("## ") || line.starts_with("### ")) {
            section = line == "## Commands" ? "commands" : line.starts_with("### `") ? Quoted(line) : "";
        } else if (!section.empty() && std::regex_match(line, cells, row) && cells[1] != "key" &&
                   cells[1] != "command" && cells[1] != "---") {
            schema.AddRow(section, cells[1], cells[2]);
        }
    }
    return schema;
}

void JsonSchema::AddRow(const std::string& object, const std::string& key, const std::string& type) {
    Object& table = m_objects[object];
    if (object == "commands") {
        m_commands[key] = type;
        m_objects.erase(object);
    } else if (key.starts_with("all of ")) {
        table.keys.insert(m_objects.at(Quoted(key)).keys.begin(), m_objects.at(Quoted(key)).keys.end());
    } else if (key.starts_with("`<")) {
        table.otherKeysType = type;
    } else {
        table.keys[Quoted(key)] = {type, key.find("†") != std::string::npos};
    }
}

std::string JsonSchema::CommandType(const std::string& command) const {
    for (const auto& [cell, type] : m_commands) {
        if (cell.find(command) != std::string::npos) {
            return type;
        }
    }
    throw std::runtime_error("docs/json.md names no command " + command);
}

std::set<std::string> JsonSchema::Unseen() const {
    std::set<std::string> unseen;
    for (const auto& [name, object] : m_objects) {
        if (!m_seen.contains(name)) {
            unseen.insert(name);
        }
    }
    return unseen;
}

std::vector<std::string> JsonSchema::Problems(const nlohmann::json& value, const std::string& type) {
    return Check(value, type, "$", m_seen);
}

// The value conforms to one alternative; otherwise the problems of the closest one of the value's
// own kind (object, array) are the telling ones.
std::vector<std::string> JsonSchema::Check(const nlohmann::json& value, const std::string& type,
                                           const std::string& where, std::set<std::string>& seen) const {
    std::vector<std::string> telling;
    bool bTellingOwnKind = false;
    for (const std::string& alternative : Alternatives(type)) {
        std::set<std::string> seenHere;
        const std::vector<std::string> found = CheckOne(value, alternative, where, seenHere);
        if (found.empty()) {
            seen.insert(seenHere.begin(), seenHere.end());
            return {};
        }
        const bool bOwnKind = alternative.starts_with("`") == value.is_object() &&
                              alternative.starts_with("array") == value.is_array();
        if (telling.empty() || (bOwnKind && (!bTellingOwnKind || found.size() < telling.size()))) {
            telling = found;
            bTellingOwnKind = bOwnKind;
        }
    }
    return telling;
}

std::vector<std::string> JsonSchema::CheckOne(const nlohmann::json& value, const std::string& type,
                                              const std::string& where, std::set<std::string>& seen) const {
    std::vector<std::string> problems;
    const auto object = m_objects.find(type.starts_with("`") ? Quoted(type) : std::string());
    if (type.starts_with("array of ") && value.is_array()) {
        for (size_t nAt = 0; nAt < value.size(); ++nAt) {
            for (const std::string& problem :
                 Check(value[nAt], type.substr(9), where + "[" + std::to_string(nAt) + "]", seen)) {
                problems.push_back(problem);
            }
        }
    } else if (object != m_objects.end() && value.is_object()) {
        for (const auto& [key, member] : object->second.keys) {
            if (!value.contains(key) && !member.second) {
                problems.push_back(where + " lacks " + key);
            }
        }
        for (const auto& [key, member] : value.items()) {
            const auto documented = object->second.keys.find(key);
            const std::string memberType = documented != object->second.keys.end()
                                               ? documented->second.first
                                               : object->second.otherKeysType;
            const std::vector<std::string> found =
                memberType.empty()
                    ? std::vector<std::string>{where + "." + key + " is not in the table of " + type}
                    : Check(member, memberType, where + "." + key, seen);
            problems.insert(problems.end(), found.begin(), found.end());
        }
        seen.insert(object->first);
    } else if (!((type == "string" && value.is_string() && value != "" && value != "-") ||
                 (type == "number" && value.is_number()) || (type == "boolean" && value.is_boolean()) ||
                 (type == "null" && value.is_null()))) {
        problems.push_back(where + " = " + value.dump().substr(0, 80) + " is no " + type);
    }
    return problems;
}

} // namespace KorvaneTesting
