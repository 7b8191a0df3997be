#pragma once

// The simulator proper: all devices of the process, their sockets, Wake-on-LAN and discovery, the
// request handling of the device protocol and the control commands, on one event loop.

#include "Device.h"
#include "EventLoop.h"
#include "Model.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace KorvaneSim {

struct Settings {
    std::uint16_t port = 51055;    // device protocol (TCP)
    std::uint16_t wolPort = 51055; // Wake-on-LAN (UDP)
    int httpPort = 80;             // web pages; 0: none
    std::string controlPath;
    std::string modelsDirectory; // empty: built-in models
    bool discovery = false;
    std::uint16_t discoveryPort = 51054;
    std::array<std::uint16_t, 2> legacyDiscoveryPorts{65, 51065}; // qrx, qrx-alt; 0: not served
    bool verbose = false;
    std::vector<std::string> startCommands; // --exec, run before the ready line
};

// What a device does once its answer has gone out.
enum class PostAction { None, PowerOff, Reboot };

struct Reply {
    std::string document; // the final response document
    bool ok = false;      // result "OK"
    PostAction post = PostAction::None;
};

// Builds the response documents: root "korvaneResponse" with "result" and "response".
std::string ResponseDocument(const char* result, const std::function<void(xmlNode* response)>& fill = {});
std::string ErrorDocument(const std::string& code);

class Farm {
public:
    Farm(Settings settings, ModelStore& models, std::vector<std::unique_ptr<Device>> devices);
    ~Farm();
    Farm(const Farm&) = delete;
    Farm& operator=(const Farm&) = delete;

    // Binds every socket and runs the start commands; false with the reason.
    bool Start(std::string& error);
    // Serves until SIGINT, SIGTERM or the control command "quit"; the exit code.
    int Run();

    EventLoop& Loop() { return loop_; }
    const Settings& GetSettings() const { return settings_; }
    const ModelStore& Models() const { return models_; }
    std::vector<std::unique_ptr<Device>>& Devices() { return devices_; }

    // Device protocol: the answer to a complete request (firmware image only for FWUPDATE).
    Reply HandleRequest(Device& device, xmlDoc* request, const std::string& word,
                        const FirmwareRecord* image);
    // Runs the power transition; `answering` (the connection that carries the answer) is kept open.
    void RunPostAction(Device& device, PostAction action, Connection* answering = nullptr);

    void AddLog(Device& device, std::string line);

    // Executes one control command line; false with the reason (the text after "ERR ").
    bool Execute(const std::string& line, std::vector<std::string>& output, std::string& error);
    // Executes a configuration directive for one device ("key value ..."); false with the reason.
    bool ExecuteDeviceDirective(Device& device, const std::string& key, const std::string& rest,
                                std::string& error);

    // Power transitions.
    void PowerOn(Device& device);
    void PowerOff(Device& device, Connection* keep = nullptr);
    void Reboot(Device& device, Connection* keep = nullptr);

    // Rewrites the nodes of an overrides.txt key with the value.
    void SetOverride(Device& device, const std::string& key, const std::string& value);

    // Opens or closes the device's listeners to match its power state and mode; false with the reason
    // when a socket cannot be opened.
    bool UpdateListeners(Device& device, std::string& error);

    void RequestStop(int exitCode);

private:
    class FdHandler;
    void Watch(int fd, std::function<void(std::uint32_t)> callback);
    void Unwatch(int fd);
    void Accept(Device& device, int listener, bool http);
    void AbortConnections(Device& device, Connection* keep = nullptr);
    void CloseListener(int& fd);
    bool OpenListener(Device& device, int family, bool http, std::string& error);

    void OnWakeDatagram(int fd);
    // Discovery (Discovery.cpp).
    bool OpenDiscoverySockets(std::string& error);
    void OnDiscoveryDatagrams(int fd, Discovery protocol, std::uint16_t port);
    void HandleDiscoveryDatagram(Discovery protocol, const IpAddress& from, std::uint16_t port,
                                 const unsigned char* data, std::size_t size);
    void SendDiscoveryReply(Device& device, Discovery protocol, const IpAddress& to, const std::string& reply,
                            int copies);
    bool IsDeviceAddress(const IpAddress& address) const;

    Device* FindDevice(const std::string& name);
    bool SelectDevices(const std::string& name, std::vector<Device*>& selected, std::string& error);

    Settings settings_;
    ModelStore& models_;
    EventLoop loop_;
    std::vector<std::unique_ptr<Device>> devices_;
    std::unordered_map<int, std::unique_ptr<FdHandler>> watched_;
    std::vector<int> sharedSockets_; // Wake-on-LAN and discovery sockets on the wildcard address
    int signalFd_ = -1;
    int spareFd_ = -1;
    int exitCode_ = 0;
    std::unique_ptr<class ControlServer> control_;
};

} // namespace KorvaneSim
