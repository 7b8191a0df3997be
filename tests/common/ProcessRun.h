#pragma once

#include <string>
#include <vector>

namespace KorvaneTesting {

struct ProcessResult {
    int exitCode = -1; // -1 when the process did not exit normally
    std::string out;
    std::string err;
};

// Runs a program to its end with the given arguments and standard input, collecting both
// output streams.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& input = std::string());

} // namespace KorvaneTesting
