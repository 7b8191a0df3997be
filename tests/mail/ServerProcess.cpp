#include "ServerProcess.h"

#include <algorithm>
#include <arpa/inet.h>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace MailTesting {

namespace {

sockaddr_in LoopbackAddress(const std::string& address, uint16_t port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    if (inet_pton(AF_INET, address.c_str(), &result.sin_addr) != 1) {
        throw std::invalid_argument("not an IPv4 address: " + address);
    }
    return result;
}

bool Connects(const std::string& address, uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in target = LoopbackAddress(address, port);
    const bool connected = connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0;
    close(fd);
    return connected;
}

// Only async-signal-safe calls: the test process may have threads.
[[noreturn]] void ExecInChild(const char* program, char* const* argv, const char* logPath) {
    setpgid(0, 0);
    for (int signal : {SIGPIPE, SIGTERM, SIGINT, SIGHUP}) {
        std::signal(signal, SIG_DFL);
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    const int input = open("/dev/null", O_RDONLY);
    const int log = open(logPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (input < 0 || log < 0 || dup2(input, STDIN_FILENO) < 0 || dup2(log, STDOUT_FILENO) < 0 ||
        dup2(log, STDERR_FILENO) < 0) {
        _exit(126);
    }
    execv(program, argv);
    _exit(127);
}

} // namespace

std::unique_ptr<KorvaneTesting::HostProcess> StartServerProcess(const std::string& program,
                                                                const std::vector<std::string>& args,
                                                                const std::string& logPath) {
    std::vector<std::string> command{program};
    command.insert(command.end(), args.begin(), args.end());
    std::vector<char*> argv(command.size() + 1, nullptr); // built before the fork
    std::transform(command.begin(), command.end(), argv.begin(), [](std::string& arg) { return arg.data(); });
    const pid_t pid = fork();
    if (pid < 0) {
        throw std::runtime_error("cannot start " + program);
    }
    if (pid == 0) {
        ExecInChild(program.c_str(), argv.data(), logPath.c_str());
    }
    setpgid(pid, pid); // also from here, so that a stop right away reaches the group
    return std::make_unique<KorvaneTesting::HostProcess>(pid, logPath);
}

uint16_t FreeTcpPort(const std::string& address) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local = LoopbackAddress(address, 0);
    socklen_t length = sizeof local;
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        close(fd);
        throw std::runtime_error("no free port on " + address);
    }
    close(fd);
    return ntohs(local.sin_port);
}

bool WaitForListener(const std::string& address, uint16_t port, KorvaneTesting::HostProcess& process,
                     std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (Connects(address, port)) {
            return true;
        }
        if (!process.Running()) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

} // namespace MailTesting
