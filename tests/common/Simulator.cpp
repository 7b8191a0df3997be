#include "common/Simulator.h"

#include "common/ProcessRun.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

namespace KorvaneTesting {
namespace {

// Generous: a sanitizer build starting many devices is slow.
constexpr std::chrono::seconds kReadyTimeout{60};
constexpr int kControlTimeoutMs = 30000;
const char kReadyText[] = "korvane-sim: ready ";

std::string ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    std::string word;
    while (in >> word) {
        words.push_back(word);
    }
    return words;
}

} // namespace

Simulator::Simulator(const std::string& program, std::vector<std::string> args)
    : Simulator(std::move(args), [this, program](const std::vector<std::string>& fullArgs) {
          return StartChild(program, fullArgs);
      }) {}

Simulator::Simulator(std::vector<std::string> args, const Launcher& launcher) {
    std::string pattern = (std::filesystem::temp_directory_path() / "korvane-sim-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw SimulatorError("cannot create a temporary directory for korvane-sim");
    }
    directory_ = pattern;
    if (std::find(args.begin(), args.end(), "--control") == args.end()) {
        controlPath_ = directory_ + "/control.sock";
        args.push_back("--control");
        args.push_back(controlPath_);
    } else {
        controlPath_ = *(std::find(args.begin(), args.end(), "--control") + 1);
    }
    process_ = launcher(args);
    if (!process_.waitForOutput(kReadyText, kReadyTimeout)) {
        const std::string output = process_.output();
        process_.stop();
        stopped_ = true;
        std::filesystem::remove_all(directory_);
        throw SimulatorError("korvane-sim did not become ready; its output:\n" + output);
    }
    ConnectControl();
}

Simulator::~Simulator() {
    // A simulator that does not end cleanly on SIGTERM has crashed or, in a sanitizer build, reported
    // an error: fail the test that used it, or the report would go unseen.
    const bool stoppingHere = !stopped_;
    const int result = Stop();
    if (stoppingHere && result != 0) {
        ADD_FAILURE() << "korvane-sim ended with " << result << " when stopped; its output:\n" << Output();
    }
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

Simulator::Process Simulator::StartChild(const std::string& program, const std::vector<std::string>& args) {
    const std::string logPath = directory_ + "/output.log";
    std::vector<std::string> command{program};
    command.insert(command.end(), args.begin(), args.end());
    pid_t pid = -1;
    try {
        pid = StartLogged(command, logPath);
    } catch (const std::runtime_error& error) {
        throw SimulatorError(error.what());
    }

    // Shared between the callbacks: the exit status once the child has been reaped.
    auto status = std::make_shared<std::optional<int>>();
    auto reap = [pid, status](bool block) {
        if (status->has_value()) {
            return true;
        }
        int raw = 0;
        pid_t done;
        while ((done = waitpid(pid, &raw, block ? 0 : WNOHANG)) < 0 && errno == EINTR) {
        }
        if (done != pid) {
            return false;
        }
        *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -WTERMSIG(raw);
        return true;
    };
    Process process;
    process.pid = pid;
    process.output = [logPath] { return ReadWholeFile(logPath); };
    process.waitForOutput = [logPath, reap](const std::string& text, std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            const bool ended = reap(false);
            if (ReadWholeFile(logPath).find(text) != std::string::npos) {
                return true;
            }
            if (ended || std::chrono::steady_clock::now() >= deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    };
    process.stop = [pid, status, reap] {
        if (!reap(false)) {
            kill(pid, SIGTERM);
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (!reap(false) && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            if (!status->has_value()) {
                kill(pid, SIGKILL);
                reap(true);
            }
        }
        return status->value();
    };
    return process;
}

void Simulator::ConnectControl() {
    sockaddr_un address{};
    if (controlPath_.size() >= sizeof address.sun_path) {
        throw SimulatorError("control socket path too long: " + controlPath_);
    }
    address.sun_family = AF_UNIX;
    controlPath_.copy(address.sun_path, controlPath_.size());
    controlFd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (controlFd_ < 0 || connect(controlFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        const std::string reason = std::strerror(errno);
        CloseControl();
        throw SimulatorError("cannot connect to the control socket " + controlPath_ + ": " + reason);
    }
}

void Simulator::CloseControl() {
    if (controlFd_ >= 0) {
        close(controlFd_);
        controlFd_ = -1;
    }
    controlBuffer_.clear();
}

std::vector<std::string> Simulator::Control(const std::string& command) {
    if (command.find('\n') != std::string::npos) {
        throw SimulatorError("a control command is one line: " + command);
    }
    std::lock_guard lock(controlMutex_);
    if (controlFd_ < 0) {
        ConnectControl();
    }
    const std::string line = command + "\n";
    std::size_t sent = 0;
    while (sent < line.size()) {
        const ssize_t n = send(controlFd_, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            CloseControl();
            throw SimulatorError("control socket write failed for: " + command);
        }
        sent += static_cast<std::size_t>(n);
    }
    std::vector<std::string> result;
    for (;;) {
        const std::size_t newline = controlBuffer_.find('\n');
        if (newline != std::string::npos) {
            std::string reply = controlBuffer_.substr(0, newline);
            controlBuffer_.erase(0, newline + 1);
            if (reply.rfind("- ", 0) == 0) {
                result.push_back(reply.substr(2));
                continue;
            }
            if (reply == "OK") {
                return result;
            }
            if (reply.rfind("ERR", 0) == 0) {
                throw SimulatorError("korvane-sim: " + command + ": " + reply);
            }
            CloseControl();
            throw SimulatorError("korvane-sim: unexpected control reply to " + command + ": " + reply);
        }
        pollfd fd{controlFd_, POLLIN, 0};
        const int ready = poll(&fd, 1, kControlTimeoutMs);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        char chunk[4096];
        const ssize_t n = ready > 0 ? recv(controlFd_, chunk, sizeof chunk, 0) : -1;
        if (n <= 0) {
            CloseControl();
            throw SimulatorError("korvane-sim: no reply to " + command + (ready == 0 ? " (time-out)" : ""));
        }
        controlBuffer_.append(chunk, static_cast<std::size_t>(n));
    }
}

std::vector<SimulatedDevice> Simulator::Devices() {
    std::vector<SimulatedDevice> devices;
    for (const std::string& line : Control("list")) {
        const std::vector<std::string> words = Words(line);
        if (words.size() < 8) {
            throw SimulatorError("korvane-sim: unexpected list line: " + line);
        }
        SimulatedDevice device;
        device.index = std::stoi(words[0]);
        device.ipv4 = words[1];
        device.ipv6 = words[2] == "-" ? std::string() : words[2];
        device.mac = words[3];
        device.hostname = words[4];
        device.family = words[5];
        device.power = words[6];
        // The product name is the rest of the line.
        std::size_t position = 0;
        for (int i = 0; i < 7; ++i) {
            position = line.find(' ', position) + 1;
        }
        device.model = line.substr(position);
        devices.push_back(device);
    }
    return devices;
}

std::map<std::string, std::string> Simulator::Show(const std::string& device) {
    std::map<std::string, std::string> values;
    for (const std::string& line : Control("show " + device)) {
        const std::size_t space = line.find(' ');
        values[line.substr(0, space)] = space == std::string::npos ? std::string() : line.substr(space + 1);
    }
    return values;
}

std::vector<std::string> Simulator::Log(const std::string& device) {
    return Control("log " + device);
}

void Simulator::ClearLog(const std::string& device) {
    Control("log " + device + " clear");
}

void Simulator::Set(const std::string& device, const std::string& knob, const std::string& value) {
    Control("set " + device + " " + knob + " " + value);
}

std::string Simulator::InfoGet(const std::string& device, const std::string& xpath) {
    const std::vector<std::string> values = InfoGetAll(device, xpath);
    if (values.empty()) {
        throw SimulatorError("korvane-sim: " + xpath + " selects nothing on device " + device);
    }
    return values.front();
}

std::vector<std::string> Simulator::InfoGetAll(const std::string& device, const std::string& xpath) {
    std::vector<std::string> values = Control("info " + device + " get " + xpath);
    // The simulator writes line breaks as \n and backslashes as \\ to keep one value per line.
    for (std::string& value : values) {
        std::string plain;
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '\\' && i + 1 < value.size()) {
                const char next = value[++i];
                plain.push_back(next == 'n' ? '\n' : next == 'r' ? '\r' : next);
            } else {
                plain.push_back(value[i]);
            }
        }
        value = std::move(plain);
    }
    return values;
}

void Simulator::InfoSet(const std::string& device, const std::string& xpath, const std::string& value) {
    Control("info " + device + " set " + xpath + " " + value);
}

SimulatedDeviceState Simulator::State(const std::string& device) {
    SimulatedDeviceState state;
    for (const std::string& line : Control("state " + device)) {
        if (line.rfind("power ", 0) == 0) {
            state.power = line.substr(6);
        } else if (line.rfind("melody ", 0) == 0) {
            state.melody = line.substr(7) == "on";
        } else if (line.rfind("firmware ", 0) == 0) {
            // "firmware NAME SIZE MD5": the name may contain blanks, so take the last two words first.
            const std::size_t md5Start = line.rfind(' ');
            const std::size_t sizeStart = line.rfind(' ', md5Start - 1);
            state.hasFirmware = true;
            state.firmwareMd5 = line.substr(md5Start + 1);
            state.firmwareSize = std::stoull(line.substr(sizeStart + 1, md5Start - sizeStart - 1));
            state.firmwareName = line.substr(9, sizeStart >= 9 ? sizeStart - 9 : 0);
        }
    }
    return state;
}

void Simulator::Wake(const std::string& device) {
    Control("wake " + device);
}

void Simulator::PowerOff(const std::string& device) {
    Control("poweroff " + device);
}

int Simulator::Stop() {
    if (!stopped_) {
        {
            std::lock_guard lock(controlMutex_);
            CloseControl();
        }
        stopResult_ = process_.stop();
        stopped_ = true;
    }
    return stopResult_;
}

std::string Simulator::Output() const {
    return process_.output();
}

} // namespace KorvaneTesting
