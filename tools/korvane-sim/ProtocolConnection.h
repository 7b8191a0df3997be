#pragma once

// One TCP connection to a device's protocol port: reads one framed request (and, for FWUPDATE, the
// image that follows it), then answers as the device's knobs say and closes.

#include "Codec.h"
#include "Device.h"
#include "Farm.h"

#include <deque>
#include <memory>
#include <optional>
#include <string>

namespace KorvaneSim {

class ProtocolConnection : public Connection {
public:
    ProtocolConnection(Farm& farm, Device& device, int fd);
    ~ProtocolConnection() override;

    void OnEvent(std::uint32_t events) override;
    void Abort() override { Close(); }

private:
    // Stalled: the client's further bytes are left unread (mode hostile-noread).
    enum class Stage { Header, Body, ImageLength, Image, Answering, Finishing, Stalled, Closed };
    struct Message {
        std::chrono::milliseconds delay;
        std::string bytes;
    };

    void OnReadable();
    void Consume(const unsigned char* data, std::size_t size);
    void Garbage(const std::string& reason);
    void BodyComplete();
    void StopReading();
    void RequestComplete();
    void Answer(const Reply& reply);
    void ScheduleNext();
    void TrickleNext();
    void Send(const std::string& bytes);
    void Flush();
    void Written();
    void UpdateInterest();
    void BeforeLast();
    void Close();
    void ResetIdleTimer(std::chrono::milliseconds timeout);

    Farm& farm_;
    Device& device_;
    int fd_;
    Stage stage_ = Stage::Header;
    bool receivedAny_ = false;
    bool peerClosed_ = false; // the client shut down its sending side
    bool silent_ = false;     // this request is never answered

    std::string buffer_;
    std::uint32_t bodyLength_ = 0;
    XmlDocPtr request_;
    std::string word_;
    FirmwareRecord image_;
    std::uint64_t imageRemaining_ = 0;
    std::unique_ptr<Md5Stream> md5_;

    // Answer: messages still to send, in order; the flags say what happens after the last one.
    std::deque<Message> pending_;
    bool repeatLast_ = false;     // wait-forever: the last message is sent again and again
    bool closeAfterLast_ = false; // hostile answers end by closing at once
    PostAction post_ = PostAction::None;
    std::string trickle_;
    std::size_t trickleSent_ = 0;
    std::chrono::milliseconds trickleInterval_{1000};
    std::chrono::milliseconds waitInterval_{0};

    std::string out_;
    std::size_t outSent_ = 0;
    bool lastQueued_ = false;
    std::optional<EventLoop::TimerId> timer_;
    std::optional<EventLoop::TimerId> idleTimer_;
};

} // namespace KorvaneSim
