#include "HttpConnection.h"

#include <cerrno>
#include <cstdio>
#include <sstream>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace KorvaneSim {
namespace {

constexpr std::size_t kMaxRequestHead = 8192;
constexpr std::chrono::milliseconds kTimeout{30000};

// The QRX%d-H rule of the program: "QRX" directly followed by a decimal number, or an empty name
// (the scan reports end of input then).
bool IsHFamilyName(const std::string& name) {
    int number = 0;
    return name.empty() || std::sscanf(name.c_str(), "QRX%d-H", &number) != 0;
}

std::string HtmlEscape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

std::string Page(const Device& device, const std::string& title, const std::string& body) {
    std::ostringstream html;
    html << "<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"UTF-8\"><title>" << HtmlEscape(title)
         << " - " << HtmlEscape(device.hostname) << "</title></head>\n<body>\n<h1>" << HtmlEscape(title)
         << "</h1>\n<p>" << HtmlEscape(device.hostname) << " (" << HtmlEscape(device.model) << ", firmware "
         << HtmlEscape(device.firmware) << ", " << HtmlEscape(device.mac) << ")</p>\n"
         << body << "</body></html>\n";
    return html.str();
}

} // namespace

std::vector<std::pair<std::string, std::string>> WebPages(const std::string& productName) {
    std::vector<std::pair<std::string, std::string>> pages;
    const bool quota = productName.rfind("QRX-XV", 0) != 0;
    if (IsHFamilyName(productName)) {
        pages = {{"login/admin/system/datetime/datetime", "時刻設定"},
                 {"login/admin/network/lan1/ipv4/ipv4", "IPアドレス設定"},
                 {"login/admin/usergroup/user/quota/quota", "使用量制限設定"},
                 {"login/admin/system/notice/mail/mailnotice/mailnotice", "メール通知設定"}};
    } else {
        pages = {{"detail/basic/datetime/datetime.cgi", "時刻設定"},
                 {"detail/basic/network/network.cgi", "IPアドレス設定"},
                 {"detail/share/userquota/userquota.cgi", "使用量制限設定"},
                 {"detail/notice/event/event.cgi", "メール通知設定"}};
    }
    if (!quota) {
        pages.erase(pages.begin() + 2);
    }
    return pages;
}

HttpConnection::HttpConnection(Farm& farm, Device& device, int fd) : farm_(farm), device_(device), fd_(fd) {
    farm_.Loop().Add(fd_, EPOLLIN | EPOLLRDHUP, this);
    timer_ = farm_.Loop().AddTimer(kTimeout, [this] {
        timer_.reset();
        Close();
    });
}

HttpConnection::~HttpConnection() {
    if (!closed_) {
        close(fd_);
    }
}

void HttpConnection::OnEvent(std::uint32_t events) {
    if ((events & EPOLLOUT) != 0) {
        Flush();
    }
    if (!closed_ && (events & (EPOLLIN | EPOLLRDHUP | EPOLLHUP | EPOLLERR)) != 0) {
        OnReadable();
    }
}

void HttpConnection::OnReadable() {
    char chunk[4096];
    const DrainEnd end = DrainSocket(fd_, chunk, sizeof chunk, [&](std::size_t size) {
        if (responded_) {
            return true;
        }
        request_.append(chunk, size);
        if (request_.find("\r\n\r\n") != std::string::npos || request_.find("\n\n") != std::string::npos ||
            request_.size() > kMaxRequestHead) {
            Respond();
        }
        return !closed_;
    });
    if (end == DrainEnd::PeerClosed || end == DrainEnd::Failed) {
        Close();
    }
}

void HttpConnection::Respond() {
    responded_ = true;
    std::string method;
    std::string target;
    std::string version;
    std::istringstream line(request_.substr(0, request_.find_first_of("\r\n")));
    line >> method >> target >> version;
    std::string path = target.substr(0, target.find_first_of("?#"));

    int status = 200;
    std::string reason = "OK";
    std::string body;
    if (request_.size() > kMaxRequestHead || method.empty() || target.empty() || target[0] != '/' ||
        version.rfind("HTTP/1.", 0) != 0) {
        status = 400;
        reason = "Bad Request";
        body = "<!DOCTYPE html>\n<html><body><h1>400 Bad Request</h1></body></html>\n";
    } else {
        farm_.AddLog(device_, "http " + method + " " + target);
        if (method != "GET" && method != "HEAD") {
            status = 405;
            reason = "Method Not Allowed";
            body = "<!DOCTYPE html>\n<html><body><h1>405 Method Not Allowed</h1></body></html>\n";
        } else {
            const auto pages = WebPages(device_.model);
            const std::string wanted = path.substr(1);
            if (wanted.empty() || wanted == "index.html") {
                std::string list = "<ul>\n";
                for (const auto& [pagePath, title] : pages) {
                    list +=
                        "<li><a href=\"/" + HtmlEscape(pagePath) + "\">" + HtmlEscape(title) + "</a></li>\n";
                }
                body = Page(device_, "KORVANE 設定", list + "</ul>\n");
            } else {
                status = 404;
                for (const auto& [pagePath, title] : pages) {
                    if (pagePath == wanted) {
                        status = 200;
                        body = Page(device_, title,
                                    "<form method=\"post\"><p>" + HtmlEscape(title) + "</p></form>\n");
                    }
                }
                if (status == 404) {
                    reason = "Not Found";
                    body = "<!DOCTYPE html>\n<html><body><h1>404 Not Found</h1></body></html>\n";
                }
            }
        }
    }
    std::ostringstream head;
    head << (version == "HTTP/1.0" ? "HTTP/1.0 " : "HTTP/1.1 ") << status << " " << reason << "\r\n"
         << "Content-Type: text/html; charset=UTF-8\r\n"
         << "Content-Length: " << body.size() << "\r\n"
         << "Connection: close\r\n";
    if (status == 405) {
        head << "Allow: GET, HEAD\r\n";
    }
    head << "\r\n";
    out_ = head.str();
    if (method != "HEAD") {
        out_ += body;
    }
    Flush();
}

void HttpConnection::Flush() {
    while (outSent_ < out_.size()) {
        const ssize_t sent = send(fd_, out_.data() + outSent_, out_.size() - outSent_, MSG_NOSIGNAL);
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
        outSent_ += static_cast<std::size_t>(sent);
    }
    if (responded_) {
        // Let the client close first; the timer ends a client that does not.
        shutdown(fd_, SHUT_WR);
        farm_.Loop().Modify(fd_, EPOLLIN | EPOLLRDHUP);
    }
}

void HttpConnection::Close() {
    if (closed_) {
        return;
    }
    closed_ = true;
    if (timer_) {
        farm_.Loop().CancelTimer(*timer_);
        timer_.reset();
    }
    farm_.Loop().Remove(fd_);
    close(fd_);
    device_.connections.erase(this);
    farm_.Loop().DeleteLater(std::unique_ptr<EventHandler>(this));
}

} // namespace KorvaneSim
