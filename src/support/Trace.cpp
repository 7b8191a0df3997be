#include "support/Trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace Zelt {
namespace {

std::mutex& TraceMutex() {
    static std::mutex mutex;
    return mutex;
}

TraceSink& InstalledSink() {
    static TraceSink sink;
    return sink;
}

bool TraceToStderr() {
    static const bool enabled = [] {
        const char* value = std::getenv("KORVANE_TRACE");
        return value != nullptr && std::strcmp(value, "1") == 0;
    }();
    return enabled;
}

std::string FormatLine(const char* pszFormat, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, pszFormat, copy);
    va_end(copy);
    if (length <= 0) {
        return std::string("\n");
    }
    std::string line(static_cast<size_t>(length), '\0');
    std::vsnprintf(line.data(), line.size() + 1, pszFormat, args);
    if (line.back() != '\n') {
        line.push_back('\n');
    }
    return line;
}

} // namespace

void DebugTrace(const char* pszFormat, ...) {
    std::lock_guard lock(TraceMutex());
    const bool toSink = static_cast<bool>(InstalledSink());
    if (!toSink && !TraceToStderr()) {
        return;
    }
    va_list args;
    va_start(args, pszFormat);
    const std::string line = FormatLine(pszFormat, args);
    va_end(args);
    if (toSink) {
        InstalledSink()(line);
    } else {
        std::fwrite(line.data(), 1, line.size(), stderr);
    }
}

void SetTraceSink(TraceSink sink) {
    std::lock_guard lock(TraceMutex());
    InstalledSink() = std::move(sink);
}

} // namespace Zelt
