#pragma once

// A hosts file of the test's own for the lookups of the calling thread and of the threads it starts
// meanwhile: the thread moves into a mount namespace of its own where the file is mounted over
// /etc/hosts, so what a name resolves to no longer depends on the machine (Debian, for one, maps
// localhost to ::1 as well). The machine's /etc/hosts is never touched. Must be destroyed on the
// thread that created it, once the threads it started have ended (a thread that shares the
// namespace holds the way back). Needs root, like the test hosts.

#include <string>
#include <thread>

namespace KorvaneTesting {

class PrivateHostsFile {
public:
    // The lines of the hosts file ("127.0.0.1\tname\n"). Throws std::runtime_error with the reason.
    explicit PrivateHostsFile(const std::string& lines);
    ~PrivateHostsFile();
    PrivateHostsFile(const PrivateHostsFile&) = delete;
    PrivateHostsFile& operator=(const PrivateHostsFile&) = delete;

private:
    void Enter(const std::string& lines);
    void ReturnToWorkingDirectory();

    int previous_ = -1;
    int workingDirectory_ = -1;
    std::string file_;
    std::thread::id owner_;
};

} // namespace KorvaneTesting
