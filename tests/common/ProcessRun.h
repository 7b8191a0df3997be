#pragma once

#include <string>
#include <sys/types.h>
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

// Starts the command (the program first) with its standard input from /dev/null, stdout and stderr
// into the log file, default signal dispositions and no blocked signals, whatever the test process
// did with them; in a process group of its own when asked, so that a signal to the group reaches
// the program's children too. Throws std::runtime_error with the reason when it cannot start.
pid_t StartLogged(const std::vector<std::string>& command, const std::string& logPath,
                  bool bOwnGroup = false);

} // namespace KorvaneTesting
