#include "hosts/PrivateHostsFile.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sched.h>
#include <stdexcept>
#include <sys/mount.h>
#include <unistd.h>

namespace KorvaneTesting {
namespace {

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

} // namespace

PrivateHostsFile::PrivateHostsFile(const std::string& lines) : owner_(std::this_thread::get_id()) {
    previous_ = open("/proc/thread-self/ns/mnt", O_RDONLY | O_CLOEXEC);
    if (previous_ < 0) {
        Fail("cannot open the thread's mount namespace");
    }
    // Entering a mount namespace moves the thread to its root; this brings it back.
    workingDirectory_ = open(".", O_PATH | O_CLOEXEC);
    try {
        Enter(lines);
    } catch (...) {
        setns(previous_, CLONE_NEWNS);
        ReturnToWorkingDirectory();
        close(previous_);
        if (!file_.empty()) {
            std::remove(file_.c_str());
        }
        throw;
    }
}

void PrivateHostsFile::Enter(const std::string& lines) {
    std::string path = "/tmp/korvane-hosts-XXXXXX";
    const int fd = mkstemp(path.data());
    if (fd < 0) {
        Fail("cannot create a hosts file");
    }
    close(fd);
    file_ = path;
    std::ofstream(file_) << lines;
    if (unshare(CLONE_NEWNS) != 0) {
        Fail("cannot make a mount namespace");
    }
    // Private, so that the mount below stays in this namespace instead of reaching the machine's.
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        Fail("cannot make the mounts private");
    }
    if (mount(file_.c_str(), "/etc/hosts", nullptr, MS_BIND, nullptr) != 0) {
        Fail("cannot mount a hosts file over /etc/hosts");
    }
}

PrivateHostsFile::~PrivateHostsFile() {
    // A thread left with the test's hosts file would resolve names wrongly in every later test.
    if (std::this_thread::get_id() != owner_) {
        std::fprintf(stderr, "PrivateHostsFile destroyed on another thread than the one it moved\n");
        std::abort();
    }
    // Threads started meanwhile share the namespace until they end (a detached lookup thread may
    // still be finishing); the way back is refused until then.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (setns(previous_, CLONE_NEWNS) != 0) {
        if (errno != EINVAL || std::chrono::steady_clock::now() > deadline) {
            std::fprintf(stderr, "cannot return from the private hosts file: %s\n", std::strerror(errno));
            std::abort();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ReturnToWorkingDirectory();
    close(previous_);
    std::remove(file_.c_str());
}

void PrivateHostsFile::ReturnToWorkingDirectory() {
    if (workingDirectory_ >= 0) {
        [[maybe_unused]] const int result = fchdir(workingDirectory_);
        close(workingDirectory_);
    }
}

} // namespace KorvaneTesting
