#pragma once

#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

namespace KorvaneTesting {

// docs/json.md read as the schema of korvanectl's JSON: its command table and the key table of each
// object ("### `name`"). A type is string, number, boolean, null, "array of " a type or an object's
// name in backticks; alternatives are joined by " or ".
class JsonSchema {
public:
    // The page in the source tree (KORVANE_SOURCE_DIR, which ctest sets).
    static JsonSchema FromDocs();

    // The type in the command table's row whose command cell contains the text.
    std::string CommandType(const std::string& command) const;
    // What in the value does not conform to the type, one line each (a string "" or "-", which
    // stand for no value, included); empty when it conforms.
    std::vector<std::string> Problems(const nlohmann::json& value, const std::string& type);
    // The objects of the page that no value checked so far conformed to.
    std::set<std::string> Unseen() const;

private:
    struct Object {
        std::map<std::string, std::pair<std::string, bool>> keys; // key → type, whether optional (†)
        std::string otherKeysType;                                // "`<column key>`": any further key
    };

    void AddRow(const std::string& object, const std::string& key, const std::string& type);
    std::vector<std::string> Check(const nlohmann::json& value, const std::string& type,
                                   const std::string& where, std::set<std::string>& seen) const;
    std::vector<std::string> CheckOne(const nlohmann::json& value, const std::string& type,
                                      const std::string& where, std::set<std::string>& seen) const;

    std::map<std::string, Object> m_objects;
    std::map<std::string, std::string> m_commands;
    std::set<std::string> m_seen;
};

} // namespace KorvaneTesting
