#pragma once

// The control interface: a UNIX stream socket with a line protocol. Each command line gets zero or
// more result lines, each starting with "- ", then "OK" or "ERR <reason>". See README.md for the
// commands.

#include "EventLoop.h"

#include <string>

namespace KorvaneSim {

class Farm;

class ControlServer {
public:
    explicit ControlServer(Farm& farm) : farm_(farm) {}
    ~ControlServer();
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    // Listens on the path (an old socket file there is replaced); false with the reason.
    bool Open(const std::string& path, std::string& error);

private:
    class Client;
    class Listener;

    Farm& farm_;
    std::string path_;
    int fd_ = -1;
    std::unique_ptr<EventHandler> listener_;
};

} // namespace KorvaneSim
