#pragma once

#include "support/StringTable.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace Korvanectl {

// A text of the string table in the language in force, its %s filled with the arguments in turn:
// Message(Zelt::Text::CliAdded, {name, mac}).
std::string Message(int nTextId, std::initializer_list<std::string_view> args = {});

} // namespace Korvanectl
