#include "common/ProcessRun.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace KorvaneTesting {
namespace {

struct Pipe {
    int read = -1;
    int write = -1;
    Pipe() {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) {
            throw std::runtime_error("pipe2 failed");
        }
        read = fds[0];
        write = fds[1];
    }
    ~Pipe() {
        CloseRead();
        CloseWrite();
    }
    void CloseRead() {
        if (read >= 0) {
            close(read);
            read = -1;
        }
    }
    void CloseWrite() {
        if (write >= 0) {
            close(write);
            write = -1;
        }
    }
};

pid_t Spawn(const std::string& program, const std::vector<std::string>& args, Pipe& in, Pipe& out,
            Pipe& err) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in.read, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out.write, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err.write, STDERR_FILENO);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int result = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) {
        throw std::runtime_error("cannot start " + program);
    }
    return pid;
}

// Feeds the input and drains both outputs together, so that neither side can block the other.
void Exchange(Pipe& in, Pipe& out, Pipe& err, const std::string& input, ProcessResult& result) {
    size_t written = 0;
    if (input.empty()) {
        in.CloseWrite();
    }
    std::signal(SIGPIPE, SIG_IGN);
    while (out.read >= 0 || err.read >= 0) {
        std::array<pollfd, 3> fds = {pollfd{out.read, POLLIN, 0}, pollfd{err.read, POLLIN, 0},
                                     pollfd{in.write, POLLOUT, 0}};
        if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) {
            break;
        }
        if (fds[2].revents != 0) {
            const ssize_t n = write(in.write, input.data() + written, input.size() - written);
            written += n > 0 ? static_cast<size_t>(n) : 0;
            if (n < 0 || written == input.size()) {
                in.CloseWrite();
            }
        }
        for (auto [pipe, text] : {std::pair{&out, &result.out}, std::pair{&err, &result.err}}) {
            const pollfd& fd = pipe == &out ? fds[0] : fds[1];
            if (fd.revents != 0) {
                char buffer[4096];
                const ssize_t n = read(pipe->read, buffer, sizeof buffer);
                if (n > 0) {
                    text->append(buffer, static_cast<size_t>(n));
                } else {
                    pipe->CloseRead();
                }
            }
        }
    }
}

} // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& input) {
    Pipe in, out, err;
    const pid_t pid = Spawn(program, args, in, out, err);
    in.CloseRead();
    out.CloseWrite();
    err.CloseWrite();
    ProcessResult result;
    Exchange(in, out, err, input, result);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

pid_t StartLogged(const std::vector<std::string>& command, const std::string& logPath, bool bOwnGroup) {
    std::vector<char*> argv;
    for (const std::string& arg : command) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigset_t none;
    sigemptyset(&defaults);
    for (int signal : {SIGPIPE, SIGTERM, SIGINT, SIGHUP}) {
        sigaddset(&defaults, signal);
    }
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK |
                                              (bOwnGroup ? POSIX_SPAWN_SETPGROUP : 0));
    pid_t pid = -1;
    const int result = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) {
        throw std::runtime_error("cannot start " + command.front() + ": " + std::strerror(result));
    }
    return pid;
}

} // namespace KorvaneTesting
