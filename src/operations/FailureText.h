#pragma once

#include <exception>
#include <string>

namespace Korvane {

// The words a user reads for a failed exchange with a device, the same in every command and in
// the desktop program: what failed, where (the device's address and port, once a connection was
// tried) and why (the system's reason), in the program's language. Class and function names stay
// in the trace.
class CFailureText {
public:
    // Empty for no failure.
    static std::string Of(const std::exception_ptr& failure);
    // The failure of a Wake-on-LAN packet (sent to the broadcast, not to a device).
    static std::string OfWakeOnLan(const std::exception_ptr& failure);
};

} // namespace Korvane
