#pragma once

// The device's web setting pages: minimal HTTP/1.0 and 1.1 GET (and HEAD), one request per
// connection.

#include "Device.h"
#include "Farm.h"

#include <optional>
#include <string>

namespace KorvaneSim {

// The page paths a device of this product name serves (without the leading "/"), in page order:
// date and time, IP address, quota (absent for models without quota), mail notification.
std::vector<std::pair<std::string, std::string>> WebPages(const std::string& productName);

class HttpConnection : public Connection {
public:
    HttpConnection(Farm& farm, Device& device, int fd);
    ~HttpConnection() override;

    void OnEvent(std::uint32_t events) override;
    void Abort() override { Close(); }

private:
    void OnReadable();
    void Respond();
    void Flush();
    void Close();

    Farm& farm_;
    Device& device_;
    int fd_;
    bool closed_ = false;
    bool responded_ = false;
    std::string request_;
    std::string out_;
    std::size_t outSent_ = 0;
    std::optional<EventLoop::TimerId> timer_;
};

} // namespace KorvaneSim
