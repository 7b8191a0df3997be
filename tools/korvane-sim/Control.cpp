#include "Control.h"

#include "Farm.h"
#include "Net.h"

#include <cerrno>
#include <set>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace KorvaneSim {
namespace {

constexpr std::size_t kMaxLine = 1024 * 1024;

} // namespace

// One connected control client. Commands are executed in order; their replies are queued.
class ControlServer::Client : public EventHandler {
public:
    Client(Farm& farm, std::set<Client*>& clients, int fd) : farm_(farm), clients_(clients), fd_(fd) {
        clients_.insert(this);
        farm_.Loop().Add(fd_, EPOLLIN | EPOLLRDHUP, this);
    }

    void OnEvent(std::uint32_t events) override {
        if ((events & EPOLLOUT) != 0) {
            Flush();
        }
        if (!closed_ && (events & (EPOLLIN | EPOLLRDHUP | EPOLLHUP | EPOLLERR)) != 0) {
            OnReadable();
        }
    }

    void Close() {
        if (closed_) {
            return;
        }
        closed_ = true;
        farm_.Loop().Remove(fd_);
        close(fd_);
        clients_.erase(this);
        farm_.Loop().DeleteLater(std::unique_ptr<EventHandler>(this));
    }

private:
    void OnReadable() {
        char chunk[4096];
        const DrainEnd end = DrainSocket(fd_, chunk, sizeof chunk, [&](std::size_t size) {
            input_.append(chunk, size);
            std::size_t newline;
            while (!closed_ && (newline = input_.find('\n')) != std::string::npos) {
                std::string line = input_.substr(0, newline);
                input_.erase(0, newline + 1);
                if (!line.empty() && line.back() == '\r') {
                    line.pop_back();
                }
                Execute(line);
            }
            if (!closed_ && input_.size() > kMaxLine) {
                Reply({}, "line too long");
                input_.clear();
            }
            return !closed_;
        });
        if (end == DrainEnd::PeerClosed || end == DrainEnd::Failed) {
            Close();
        }
    }

    void Execute(const std::string& line) {
        std::vector<std::string> output;
        std::string error;
        const bool ok = farm_.Execute(line, output, error);
        Reply(output, ok ? std::string() : error);
    }

    void Reply(const std::vector<std::string>& lines, const std::string& error) {
        // Result lines carry a prefix, so that a value such as "OK" cannot end the reply early.
        for (const std::string& line : lines) {
            out_ += "- ";
            out_ += line;
            out_ += '\n';
        }
        out_ += error.empty() ? std::string("OK\n") : "ERR " + error + "\n";
        Flush();
    }

    void Flush() {
        while (!out_.empty()) {
            const ssize_t sent = send(fd_, out_.data(), out_.size(), MSG_NOSIGNAL);
            if (sent < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK) {
                    farm_.Loop().Modify(fd_, EPOLLIN | EPOLLRDHUP | EPOLLOUT);
                    return;
                }
                if (errno == EINTR) {
                    continue;
                }
                Close();
                return;
            }
            out_.erase(0, static_cast<std::size_t>(sent));
        }
        farm_.Loop().Modify(fd_, EPOLLIN | EPOLLRDHUP);
    }

    Farm& farm_;
    std::set<Client*>& clients_;
    int fd_;
    bool closed_ = false;
    std::string input_;
    std::string out_;
};

class ControlServer::Listener : public EventHandler {
public:
    Listener(Farm& farm, int fd) : farm_(farm), fd_(fd) {}
    ~Listener() override {
        const std::set<Client*> clients = clients_;
        for (Client* client : clients) {
            client->Close();
        }
    }

    void OnEvent(std::uint32_t) override {
        for (;;) {
            const int client = accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (client < 0) {
                return;
            }
            new Client(farm_, clients_, client);
        }
    }

private:
    Farm& farm_;
    int fd_;
    std::set<Client*> clients_;
};

bool ControlServer::Open(const std::string& path, std::string& error) {
    sockaddr_un address{};
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        error = "control socket path is empty or too long: " + path;
        return false;
    }
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, path.size());
    fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        error = "control socket: " + ErrnoText(errno);
        return false;
    }
    unlink(path.c_str());
    if (bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd_, 16) != 0) {
        error = "control socket " + path + ": " + ErrnoText(errno);
        close(fd_);
        fd_ = -1;
        return false;
    }
    path_ = path;
    listener_ = std::make_unique<Listener>(farm_, fd_);
    farm_.Loop().Add(fd_, EPOLLIN, listener_.get());
    return true;
}

ControlServer::~ControlServer() {
    if (fd_ >= 0) {
        farm_.Loop().Remove(fd_);
        listener_.reset();
        close(fd_);
        unlink(path_.c_str());
    }
}

} // namespace KorvaneSim
