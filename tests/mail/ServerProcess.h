#pragma once

#include "hosts/TestNetwork.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace MailTesting {

// Starts a server program in the foreground of a process group of its own, with stdin from
// /dev/null and stdout and stderr to the log file. The result stops the whole group when it goes.
std::unique_ptr<KorvaneTesting::HostProcess> StartServerProcess(const std::string& program,
                                                                const std::vector<std::string>& args,
                                                                const std::string& logPath);

// A TCP port on the address that nothing listens on right now.
uint16_t FreeTcpPort(const std::string& address);

// Waits until the address and port take connections; false when the process ends first or the time
// runs out.
bool WaitForListener(const std::string& address, uint16_t port, KorvaneTesting::HostProcess& process,
                     std::chrono::milliseconds timeout);

} // namespace MailTesting
