#pragma once

#include <functional>
#include <string_view>

namespace Zelt {

// The diagnostic trace of the network, discovery and protocol code. Silent unless the
// environment has KORVANE_TRACE=1 (then stderr) or a sink is installed. Each call is
// delivered as one whole line, also when several threads trace at once.
void DebugTrace(const char* pszFormat, ...) __attribute__((format(printf, 1, 2)));

using TraceSink = std::function<void(std::string_view line)>;

// Routes trace lines to a sink instead of the environment's choice; an empty sink restores it.
void SetTraceSink(TraceSink sink);

} // namespace Zelt
