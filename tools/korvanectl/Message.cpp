#include "Message.h"

#include "admin/TextFormat.h"

namespace Korvanectl {

std::string Message(int nTextId, std::initializer_list<std::string_view> args) {
    return Korvane::CTextFormat::FormatId(nTextId, args);
}

} // namespace Korvanectl
