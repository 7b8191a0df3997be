#include "Farm.h"

#include "Control.h"
#include "HttpConnection.h"
#include "ProtocolConnection.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace KorvaneSim {

namespace {

// Older lines go once a device has this many, so a long demonstration cannot grow without bound.
constexpr std::size_t kLogLimit = 10000;
constexpr std::size_t kWakePacketSize = 102;

} // namespace

class Farm::FdHandler : public EventHandler {
public:
    explicit FdHandler(std::function<void(std::uint32_t)> callback) : callback_(std::move(callback)) {}
    void OnEvent(std::uint32_t events) override { callback_(events); }

private:
    std::function<void(std::uint32_t)> callback_;
};

Farm::Farm(Settings settings, ModelStore& models, std::vector<std::unique_ptr<Device>> devices)
    : settings_(std::move(settings)), models_(models), devices_(std::move(devices)) {}

Farm::~Farm() {
    control_.reset();
    for (auto& device : devices_) {
        AbortConnections(*device);
        CloseListener(device->protocolListener[0]);
        CloseListener(device->protocolListener[1]);
        CloseListener(device->httpListener[0]);
        CloseListener(device->httpListener[1]);
        CloseListener(device->wolSocket);
    }
    for (int fd : sharedSockets_) {
        Unwatch(fd);
        close(fd);
    }
    if (signalFd_ >= 0) {
        Unwatch(signalFd_);
        close(signalFd_);
    }
    if (spareFd_ >= 0) {
        close(spareFd_);
    }
}

void Farm::Watch(int fd, std::function<void(std::uint32_t)> callback) {
    auto handler = std::make_unique<FdHandler>(std::move(callback));
    loop_.Add(fd, EPOLLIN, handler.get());
    watched_[fd] = std::move(handler);
}

void Farm::Unwatch(int fd) {
    auto found = watched_.find(fd);
    if (found == watched_.end()) {
        return;
    }
    loop_.Remove(fd);
    // The handler may be the one running right now.
    loop_.DeleteLater(std::move(found->second));
    watched_.erase(found);
}

void Farm::CloseListener(int& fd) {
    if (fd >= 0) {
        Unwatch(fd);
        close(fd);
        fd = -1;
    }
}

bool Farm::Start(std::string& error) {
    // Signals arrive through the loop, so that shutdown runs the same path as "quit".
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    signalFd_ = signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
    if (signalFd_ < 0) {
        error = "signalfd: " + ErrnoText(errno);
        return false;
    }
    Watch(signalFd_, [this](std::uint32_t) {
        signalfd_siginfo info{};
        while (read(signalFd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            RequestStop(0);
        }
    });
    // Kept free so that a full descriptor table can still turn away connections (see Accept).
    spareFd_ = open("/dev/null", O_RDONLY | O_CLOEXEC);

    // Wake-on-LAN: one wildcard socket catches broadcasts, each device's own socket the datagrams sent
    // to its address (which also keeps other simulator processes from taking them).
    int wildcard = OpenUdpSocket(WildcardAddress(AF_INET, 0), settings_.wolPort, true, error);
    if (wildcard < 0) {
        error = "Wake-on-LAN socket: " + error;
        return false;
    }
    sharedSockets_.push_back(wildcard);
    Watch(wildcard, [this, wildcard](std::uint32_t) { OnWakeDatagram(wildcard); });

    if (settings_.discovery && !OpenDiscoverySockets(error)) {
        return false;
    }

    for (auto& devicePointer : devices_) {
        Device& device = *devicePointer;
        std::string reason;
        device.wolSocket = OpenUdpSocket(device.ipv4, settings_.wolPort, true, reason);
        if (device.wolSocket < 0) {
            error = device.Name() + ": " + reason;
            return false;
        }
        const int fd = device.wolSocket;
        Watch(fd, [this, fd](std::uint32_t) { OnWakeDatagram(fd); });
        if (!UpdateListeners(device, reason)) {
            error = device.Name() + ": " + reason;
            if (reason.find(ErrnoText(EACCES)) != std::string::npos && settings_.httpPort != 0 &&
                settings_.httpPort < 1024) {
                error += " (ports below 1024 need privileges: give --http-port N, or 0 for no web pages)";
            }
            return false;
        }
    }

    control_ = std::make_unique<ControlServer>(*this);
    if (!control_->Open(settings_.controlPath, error)) {
        return false;
    }
    for (const std::string& command : settings_.startCommands) {
        std::vector<std::string> output;
        std::string reason;
        if (!Execute(command, output, reason)) {
            error = "--exec " + command + ": " + reason;
            return false;
        }
    }
    return true;
}

int Farm::Run() {
    if (!loop_.Run()) {
        std::cerr << "korvane-sim: epoll_wait failed: " << ErrnoText(errno) << std::endl;
        return 1;
    }
    return exitCode_;
}

void Farm::RequestStop(int exitCode) {
    exitCode_ = exitCode;
    loop_.Stop();
}

bool Farm::OpenListener(Device& device, int family, bool http, std::string& error) {
    const int slot = family == AF_INET ? 0 : 1;
    int& fd = http ? device.httpListener[slot] : device.protocolListener[slot];
    if (fd >= 0) {
        return true;
    }
    const IpAddress& address = family == AF_INET ? device.ipv4 : *device.ipv6;
    const auto port = static_cast<std::uint16_t>(http ? settings_.httpPort : settings_.port);
    fd = OpenTcpListener(address, port, error);
    if (fd < 0) {
        return false;
    }
    const int listener = fd;
    Device* target = &device;
    Watch(listener, [this, target, listener, http](std::uint32_t) { Accept(*target, listener, http); });
    return true;
}

bool Farm::UpdateListeners(Device& device, std::string& error) {
    const bool on = device.power == Power::On;
    const bool protocol = on && device.knobs.mode != Mode::Refuse;
    const bool http = on && settings_.httpPort != 0;
    bool ok = true;
    for (int family : {AF_INET, AF_INET6}) {
        const int slot = family == AF_INET ? 0 : 1;
        if (family == AF_INET6 && !device.ipv6) {
            continue;
        }
        if (protocol) {
            ok = ok && OpenListener(device, family, false, error);
        } else {
            CloseListener(device.protocolListener[slot]);
        }
        if (http) {
            ok = ok && OpenListener(device, family, true, error);
        } else {
            CloseListener(device.httpListener[slot]);
        }
    }
    return ok;
}

void Farm::Accept(Device& device, int listener, bool http) {
    for (;;) {
        const int fd = accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if ((errno == EMFILE || errno == ENFILE) && spareFd_ >= 0) {
                // Out of descriptors: take the connection with the spare one and drop it, rather than
                // leaving it pending (the level-triggered listener would spin).
                close(spareFd_);
                const int dropped = accept(listener, nullptr, nullptr);
                if (dropped >= 0) {
                    close(dropped);
                }
                spareFd_ = open("/dev/null", O_RDONLY | O_CLOEXEC);
                std::cerr << "korvane-sim: out of file descriptors, connection dropped" << std::endl;
                continue;
            }
            return; // EAGAIN, or the client gave up already
        }
        Connection* connection = nullptr;
        if (http) {
            connection = new HttpConnection(*this, device, fd);
        } else {
            connection = new ProtocolConnection(*this, device, fd);
        }
        device.connections.insert(connection);
        // Read at once: a probe is often closed already, and its log line must not wait for the next
        // round, where a control command that the client sent after closing could overtake it.
        connection->OnEvent(EPOLLIN);
    }
}

void Farm::AbortConnections(Device& device, Connection* keep) {
    const std::set<Connection*> connections = device.connections;
    for (Connection* connection : connections) {
        if (connection != keep) {
            connection->Abort();
        }
    }
}

void Farm::AddLog(Device& device, std::string line) {
    if (settings_.verbose) {
        std::cerr << "korvane-sim: " << device.index << " " << device.Name() << ": " << line << std::endl;
    }
    device.log.push_back(std::move(line));
    if (device.log.size() > kLogLimit) {
        device.log.pop_front();
    }
}

void Farm::SetOverride(Device& device, const std::string& key, const std::string& value) {
    for (const std::string& xpath : models_.OverridePaths(key)) {
        std::vector<xmlNode*> nodes;
        std::string error;
        if (SelectNodes(device.doc.get(), nullptr, xpath, nodes, error)) {
            for (xmlNode* node : nodes) {
                SetNodeText(node, value);
            }
        }
    }
}

void Farm::PowerOn(Device& device) {
    if (device.rebootTimer) {
        loop_.CancelTimer(*device.rebootTimer);
        device.rebootTimer.reset();
    }
    device.power = Power::On;
    SetOverride(device, "power", "ON");
    std::string error;
    if (!UpdateListeners(device, error)) {
        std::cerr << "korvane-sim: " << device.Name() << ": cannot listen again: " << error << std::endl;
    }
}

void Farm::PowerOff(Device& device, Connection* keep) {
    if (device.rebootTimer) {
        loop_.CancelTimer(*device.rebootTimer);
        device.rebootTimer.reset();
    }
    device.power = Power::Off;
    device.melody = false;
    device.authKeys.clear();
    SetOverride(device, "power", "OFF");
    std::string error;
    UpdateListeners(device, error);
    AbortConnections(device, keep);
}

void Farm::Reboot(Device& device, Connection* keep) {
    if (device.rebootTimer) {
        loop_.CancelTimer(*device.rebootTimer);
    }
    device.power = Power::Rebooting;
    device.melody = false;
    device.authKeys.clear();
    std::string error;
    UpdateListeners(device, error);
    AbortConnections(device, keep);
    Device* target = &device;
    device.rebootTimer = loop_.AddTimer(std::chrono::seconds(device.knobs.rebootSeconds), [this, target] {
        target->rebootTimer.reset();
        PowerOn(*target);
    });
}

void Farm::RunPostAction(Device& device, PostAction action, Connection* answering) {
    switch (action) {
    case PostAction::None:
        break;
    case PostAction::PowerOff:
        PowerOff(device, answering);
        break;
    case PostAction::Reboot:
        Reboot(device, answering);
        break;
    }
}

void Farm::OnWakeDatagram(int fd) {
    unsigned char packet[1500];
    for (;;) {
        const ssize_t size = recv(fd, packet, sizeof packet, 0);
        if (size < 0) {
            return;
        }
        // A magic packet: six 0xFF, then the MAC sixteen times. Anything else is ignored.
        if (static_cast<std::size_t>(size) < kWakePacketSize) {
            continue;
        }
        bool valid = std::memcmp(packet, "\xFF\xFF\xFF\xFF\xFF\xFF", 6) == 0;
        for (int copy = 1; valid && copy < 16; ++copy) {
            valid = std::memcmp(packet + 6, packet + 6 + copy * 6, 6) == 0;
        }
        if (!valid) {
            continue;
        }
        for (auto& device : devices_) {
            if (std::memcmp(device->macBytes.data(), packet + 6, 6) == 0) {
                AddLog(*device, "wol");
                if (device->power == Power::Off) {
                    PowerOn(*device);
                }
            }
        }
    }
}

} // namespace KorvaneSim
