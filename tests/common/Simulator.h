#pragma once

// Runs korvane-sim (simulated KORVANE devices) for a test and drives it through its control socket.
//
//   Simulator sim({"--count", "3", "--base", "127.0.42.1", "--http-port", "0"});
//   sim.Set(0, "busy", "on");
//   ... talk to 127.0.42.1:51055 ...
//   EXPECT_EQ(sim.Log(0).back().rfind("request GETINFO ", 0), 0u);
//
// The constructor returns once the simulator printed its ready line (every device listens); the
// destructor stops it, and fails the current test when the simulator does not end with exit code 0
// (a crash, or a sanitizer report) unless Stop was called before. Devices are named as the control interface
// names them: index ("0"), IPv4 or IPv6 address, MAC address or host name. Failures throw SimulatorError,
// which carries the simulator's output.
//
// The path of the program comes from the test's CMake (KORVANE_SIM_PATH, see tests/sim); the
// constructors that take a path work without it.

#include "hosts/TestNetwork.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <sys/types.h>
#include <vector>

namespace KorvaneTesting {

class SimulatorError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One line of the control command "list".
struct SimulatedDevice {
    int index = 0;
    std::string ipv4;
    std::string ipv6; // empty when the device has none
    std::string mac;  // as the device reports it (some in lower case)
    std::string hostname;
    std::string family; // model document: qrx-x, qrx-h, qrx-xv
    std::string power;  // on, off, rebooting
    std::string model;  // product name
};

// The control command "state".
struct SimulatedDeviceState {
    std::string power; // on, off, rebooting
    bool melody = false;
    bool hasFirmware = false; // an image was accepted by FWUPDATE
    std::string firmwareName;
    std::uint64_t firmwareSize = 0;
    std::string firmwareMd5; // lower-case hexadecimal
};

class Simulator {
public:
#ifdef KORVANE_SIM_PATH
    explicit Simulator(std::vector<std::string> args)
        : Simulator(std::string(KORVANE_SIM_PATH), std::move(args)) {}
    Simulator(TestNetwork& network, const TestHost& host, std::vector<std::string> args)
        : Simulator(network, host, std::string(KORVANE_SIM_PATH), std::move(args)) {}
#endif
    // Runs the program as a child process of the test.
    Simulator(const std::string& program, std::vector<std::string> args);
    // Runs the program inside a test host. The network owns the process: destroy the Simulator
    // before the network.
    Simulator(TestNetwork& network, const TestHost& host, const std::string& program,
              std::vector<std::string> args)
        : Simulator(std::move(args), [&network, &host, program](const std::vector<std::string>& fullArgs) {
              HostProcess& process = network.StartIn(host, program, fullArgs);
              return Process{
                  process.Pid(),
                  [&process](const std::string& text, std::chrono::milliseconds timeout) {
                      return process.WaitForOutput(text, timeout);
                  },
                  [&process] { return process.Output(); },
                  [&process] { return process.Stop(std::chrono::seconds(10)); },
              };
          }) {}
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Sends one control command; returns its result lines (without their "- " prefix). Throws
    // SimulatorError when the simulator answers ERR or the control socket fails.
    std::vector<std::string> Control(const std::string& command);

    std::vector<SimulatedDevice> Devices();
    // The "show" lines of a device as a map (password, knobs, ...).
    std::map<std::string, std::string> Show(const std::string& device);
    std::vector<std::string> Log(const std::string& device);
    void ClearLog(const std::string& device);
    void Set(const std::string& device, const std::string& knob, const std::string& value);
    // The text of the first node the XPath selects (relative to korvaneinfo, line breaks restored);
    // throws when it selects nothing.
    std::string InfoGet(const std::string& device, const std::string& xpath);
    std::vector<std::string> InfoGetAll(const std::string& device, const std::string& xpath);
    void InfoSet(const std::string& device, const std::string& xpath, const std::string& value);
    SimulatedDeviceState State(const std::string& device);
    void Wake(const std::string& device);
    void PowerOff(const std::string& device);

    // The same with the device index.
    std::map<std::string, std::string> Show(int index) {
        return Show(std::to_string(index));
    }
    std::vector<std::string> Log(int index) {
        return Log(std::to_string(index));
    }
    void ClearLog(int index) {
        ClearLog(std::to_string(index));
    }
    void Set(int index, const std::string& knob, const std::string& value) {
        Set(std::to_string(index), knob, value);
    }
    std::string InfoGet(int index, const std::string& xpath) {
        return InfoGet(std::to_string(index), xpath);
    }
    std::vector<std::string> InfoGetAll(int index, const std::string& xpath) {
        return InfoGetAll(std::to_string(index), xpath);
    }
    void InfoSet(int index, const std::string& xpath, const std::string& value) {
        InfoSet(std::to_string(index), xpath, value);
    }
    SimulatedDeviceState State(int index) {
        return State(std::to_string(index));
    }
    void Wake(int index) {
        Wake(std::to_string(index));
    }
    void PowerOff(int index) {
        PowerOff(std::to_string(index));
    }

    // SIGTERM, then waits; the exit code (minus the signal number when a signal ended it). Later calls
    // return the same value.
    int Stop();
    // What the simulator wrote to stdout and stderr so far.
    std::string Output() const;
    const std::string& ControlPath() const {
        return controlPath_;
    }
    pid_t Pid() const {
        return process_.pid;
    }

private:
    struct Process {
        pid_t pid = -1;
        std::function<bool(const std::string&, std::chrono::milliseconds)> waitForOutput;
        std::function<std::string()> output;
        std::function<int()> stop;
    };
    using Launcher = std::function<Process(const std::vector<std::string>& args)>;

    Simulator(std::vector<std::string> args, const Launcher& launcher);
    Process StartChild(const std::string& program, const std::vector<std::string>& args);
    void ConnectControl();
    void CloseControl();

    std::string directory_; // temporary: control socket and (for a child process) its output
    std::string controlPath_;
    Process process_;
    bool stopped_ = false;
    int stopResult_ = 0;
    std::mutex controlMutex_;
    int controlFd_ = -1;
    std::string controlBuffer_;
};

} // namespace KorvaneTesting
