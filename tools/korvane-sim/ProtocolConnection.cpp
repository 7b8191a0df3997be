#include "ProtocolConnection.h"

#include <cerrno>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace KorvaneSim {
namespace {

constexpr std::uint32_t kMaxRequestLength = 16u * 1024u * 1024u;
// Longer than any wait limit of the client (60 s + 5 s for a firmware update).
constexpr std::chrono::milliseconds kIdleTimeout{120000};
// After the answer the device waits this long for the client to close first.
constexpr std::chrono::milliseconds kFinishTimeout{10000};
constexpr char kSignature[4] = {'0', '0', 'R', 'X'};

std::string Frame(const std::string& body) {
    std::string frame(4, '\0');
    PutBigEndian32(reinterpret_cast<unsigned char*>(frame.data()), static_cast<std::uint32_t>(body.size()));
    return frame + body;
}

std::string FramedDocument(const std::string& document) {
    return Frame(EncodeBase64(document));
}

} // namespace

ProtocolConnection::ProtocolConnection(Farm& farm, Device& device, int fd)
    : farm_(farm), device_(device), fd_(fd) {
    farm_.Loop().Add(fd_, EPOLLIN | EPOLLRDHUP, this);
    ResetIdleTimer(kIdleTimeout);
}

ProtocolConnection::~ProtocolConnection() {
    if (stage_ != Stage::Closed) {
        close(fd_);
    }
}

void ProtocolConnection::ResetIdleTimer(std::chrono::milliseconds timeout) {
    if (idleTimer_) {
        farm_.Loop().CancelTimer(*idleTimer_);
    }
    idleTimer_ = farm_.Loop().AddTimer(timeout, [this] {
        idleTimer_.reset();
        Close();
    });
}

void ProtocolConnection::OnEvent(std::uint32_t events) {
    if (stage_ == Stage::Stalled) {
        Close(); // only a hang-up or an error is watched for: the client is gone
        return;
    }
    if ((events & EPOLLOUT) != 0) {
        Flush();
    }
    if (stage_ != Stage::Closed && (events & (EPOLLIN | EPOLLRDHUP | EPOLLHUP | EPOLLERR)) != 0) {
        OnReadable();
    }
}

void ProtocolConnection::OnReadable() {
    unsigned char chunk[65536];
    const DrainEnd end = DrainSocket(fd_, chunk, sizeof chunk, [&](std::size_t size) {
        if (stage_ == Stage::Answering || stage_ == Stage::Finishing) {
            return true; // nothing more is expected from the client; drop it
        }
        receivedAny_ = true;
        ResetIdleTimer(kIdleTimeout);
        Consume(chunk, size);
        return stage_ != Stage::Closed && stage_ != Stage::Stalled;
    });
    if (end == DrainEnd::WouldBlock || end == DrainEnd::Stopped) {
        return;
    }
    if (end == DrainEnd::PeerClosed && stage_ == Stage::Answering && !peerClosed_ && !silent_) {
        // The client may only have shut down its sending side: the answer still goes out (a
        // client that is gone makes the sending fail).
        peerClosed_ = true;
        UpdateInterest();
        return;
    }
    // End of stream or error: the client is gone.
    if (!receivedAny_) {
        // The client checks reachability by connecting and closing before every exchange.
        farm_.AddLog(device_, "probe");
    } else if (stage_ < Stage::Answering) {
        farm_.AddLog(device_, "incomplete request closed by the client");
    }
    Close();
}

void ProtocolConnection::Garbage(const std::string& reason) {
    farm_.AddLog(device_, "garbage " + reason);
    Close();
}

void ProtocolConnection::Consume(const unsigned char* data, std::size_t size) {
    while (size > 0 && stage_ != Stage::Closed) {
        switch (stage_) {
        case Stage::Header: {
            const std::size_t take = std::min(size, 8 - buffer_.size());
            buffer_.append(reinterpret_cast<const char*>(data), take);
            data += take;
            size -= take;
            if (buffer_.size() >= 4 && buffer_.compare(0, 4, kSignature, 4) != 0) {
                Garbage("bad signature");
                return;
            }
            if (buffer_.size() == 8) {
                bodyLength_ = GetBigEndian32(reinterpret_cast<const unsigned char*>(buffer_.data()) + 4);
                if (bodyLength_ == 0 || bodyLength_ > kMaxRequestLength) {
                    Garbage("request length " + std::to_string(bodyLength_));
                    return;
                }
                buffer_.clear();
                buffer_.reserve(bodyLength_);
                stage_ = Stage::Body;
            }
            break;
        }
        case Stage::Body: {
            const std::size_t take = std::min<std::size_t>(size, bodyLength_ - buffer_.size());
            buffer_.append(reinterpret_cast<const char*>(data), take);
            data += take;
            size -= take;
            if (buffer_.size() == bodyLength_) {
                BodyComplete();
            }
            break;
        }
        case Stage::ImageLength: {
            const std::size_t take = std::min(size, 4 - buffer_.size());
            buffer_.append(reinterpret_cast<const char*>(data), take);
            data += take;
            size -= take;
            if (buffer_.size() == 4) {
                // A 32-bit length is at most 4 GiB; the image is only digested, never kept.
                imageRemaining_ = GetBigEndian32(reinterpret_cast<const unsigned char*>(buffer_.data()));
                image_.size = imageRemaining_;
                buffer_.clear();
                md5_ = std::make_unique<Md5Stream>();
                stage_ = Stage::Image;
                if (imageRemaining_ == 0) {
                    RequestComplete();
                }
            }
            break;
        }
        case Stage::Image: {
            const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(size, imageRemaining_));
            md5_->Update(data, take);
            imageRemaining_ -= take;
            data += take;
            size -= take;
            if (imageRemaining_ == 0) {
                RequestComplete();
            }
            break;
        }
        default:
            return; // the rest of the client's bytes are of no interest
        }
    }
}

void ProtocolConnection::BodyComplete() {
    const std::optional<std::string> text = DecodeBase64(buffer_);
    buffer_.clear();
    buffer_.shrink_to_fit();
    if (!text) {
        Garbage("request is not Base64");
        return;
    }
    std::string document = *text;
    while (!document.empty() && document.back() == '\0') {
        document.pop_back();
    }
    std::string error;
    request_ = ParseXml(document, error);
    if (!request_) {
        Garbage("request is not XML: " + error);
        return;
    }
    xmlNode* root = xmlDocGetRootElement(request_.get());
    if (NodeName(root) != "korvaneRequest") {
        Garbage("request root is " + std::string(NodeName(root)));
        return;
    }
    word_ = ChildText(root, "request");
    const std::size_t first = word_.find_first_not_of(" \t\r\n");
    word_ = first == std::string::npos ? std::string()
                                       : word_.substr(first, word_.find_last_not_of(" \t\r\n") - first + 1);
    farm_.AddLog(device_,
                 "request " + (word_.empty() ? std::string("-") : word_) + " " + SerializeNodeOneLine(root));
    if (device_.knobs.mode == Mode::HostileNoRead && device_.knobs.FaultsApplyTo(word_)) {
        StopReading();
        return;
    }
    if (word_ == "FWUPDATE") {
        for (xmlNode* child = root->children; child != nullptr; child = child->next) {
            if (child->type == XML_ELEMENT_NODE && NodeName(child) == "param" &&
                Attribute(child, "type") == "name") {
                image_.name = NodeText(child);
                break;
            }
        }
        stage_ = Stage::ImageLength;
        return;
    }
    RequestComplete();
}

// What the client sends after the request document (a firmware image) fills the socket buffers
// and then the client's, as with a device that hangs mid-upload. The idle time limit still ends it.
void ProtocolConnection::StopReading() {
    stage_ = Stage::Stalled;
    request_.reset();
    farm_.Loop().Modify(fd_, 0);
}

void ProtocolConnection::RequestComplete() {
    const FirmwareRecord* image = nullptr;
    if (md5_) {
        image_.md5 = md5_->FinishHex();
        md5_.reset();
        farm_.AddLog(device_,
                     "firmware " + image_.name + " " + std::to_string(image_.size) + " " + image_.md5);
        image = &image_;
    }
    stage_ = Stage::Answering;
    // The client waits as long as its own limit; the device waits for the answer to go out.
    if (idleTimer_) {
        farm_.Loop().CancelTimer(*idleTimer_);
        idleTimer_.reset();
    }
    const Reply reply = farm_.HandleRequest(device_, request_.get(), word_, image);
    request_.reset();
    Answer(reply);
}

void ProtocolConnection::Answer(const Reply& reply) {
    const Knobs& knobs = device_.knobs;
    const bool faults = knobs.FaultsApplyTo(word_);
    const Mode mode = faults ? knobs.mode : Mode::Normal;
    const auto delay = std::chrono::milliseconds(faults ? knobs.delayMs : 0);
    const int waits = faults ? knobs.waitCount : 0;
    waitInterval_ = std::chrono::milliseconds(knobs.waitIntervalMs);
    trickleInterval_ = std::chrono::milliseconds(knobs.trickleIntervalMs);

    if (mode == Mode::Silent) {
        silent_ = true;
        return; // read, never answer; the client's time limit ends it
    }
    const std::string wait = FramedDocument(ResponseDocument("WAIT"));
    std::string final;
    switch (mode) {
    case Mode::HostileLength:
        // A length no client should try to allocate, then a little data and the end.
        final = std::string("\xFF\xFF\xFF\xFF", 4) + "PD94bWwgdmVyc2lvbj0iMS4wIj8+";
        closeAfterLast_ = true;
        break;
    case Mode::HostileShort: {
        const std::string framed = FramedDocument(reply.document);
        final = framed.substr(0, 4 + (framed.size() - 4) / 2);
        closeAfterLast_ = true;
        break;
    }
    case Mode::HostileBase64:
        final = Frame("!!!!not*Base64~~");
        break;
    case Mode::HostileXml:
        final = Frame(EncodeBase64("this is not XML <<< & >>>"));
        break;
    case Mode::HostileNoResult:
        final = Frame(EncodeBase64("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                   "<korvaneResponse><response/></korvaneResponse>\n"));
        break;
    default:
        final = FramedDocument(reply.document);
        // A power transition only follows an answer that went out whole.
        post_ = reply.post;
        break;
    }

    if (mode == Mode::Trickle) {
        std::string all;
        for (int i = 0; i < waits; ++i) {
            all += wait;
        }
        trickle_ = all + final;
        timer_ = farm_.Loop().AddTimer(delay, [this] {
            timer_.reset();
            TrickleNext();
        });
        return;
    }
    for (int i = 0; i < waits; ++i) {
        pending_.push_back({i == 0 ? delay : waitInterval_, wait});
    }
    if (mode == Mode::WaitForever) {
        pending_.push_back({waits == 0 ? delay : waitInterval_, wait});
        repeatLast_ = true;
    } else {
        pending_.push_back({waits == 0 ? delay : waitInterval_, final});
    }
    ScheduleNext();
}

void ProtocolConnection::ScheduleNext() {
    if (pending_.empty()) {
        return;
    }
    timer_ = farm_.Loop().AddTimer(pending_.front().delay, [this] {
        timer_.reset();
        Message message = std::move(pending_.front());
        pending_.pop_front();
        if (repeatLast_ && pending_.empty()) {
            pending_.push_back({waitInterval_, message.bytes});
        }
        lastQueued_ = pending_.empty();
        if (lastQueued_) {
            BeforeLast();
        }
        Send(message.bytes);
        if (stage_ != Stage::Closed && !lastQueued_) {
            ScheduleNext();
        }
    });
}

void ProtocolConnection::TrickleNext() {
    if (trickleSent_ >= trickle_.size()) {
        return;
    }
    lastQueued_ = trickleSent_ + 1 == trickle_.size();
    if (lastQueued_) {
        BeforeLast();
    }
    Send(trickle_.substr(trickleSent_++, 1));
    if (stage_ != Stage::Closed && !lastQueued_) {
        timer_ = farm_.Loop().AddTimer(trickleInterval_, [this] {
            timer_.reset();
            TrickleNext();
        });
    }
}

void ProtocolConnection::Send(const std::string& bytes) {
    out_.append(bytes);
    Flush();
}

void ProtocolConnection::Flush() {
    while (outSent_ < out_.size()) {
        const ssize_t sent = send(fd_, out_.data() + outSent_, out_.size() - outSent_, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                UpdateInterest();
                return;
            }
            if (errno == EINTR) {
                continue;
            }
            Close(); // the client went away
            return;
        }
        outSent_ += static_cast<std::size_t>(sent);
    }
    out_.clear();
    outSent_ = 0;
    UpdateInterest();
    if (lastQueued_ && stage_ == Stage::Answering) {
        Written();
    }
}

void ProtocolConnection::UpdateInterest() {
    // Once the client has shut down its side, its end of stream would be reported for ever.
    std::uint32_t events = peerClosed_ ? 0 : EPOLLIN | EPOLLRDHUP;
    if (outSent_ < out_.size()) {
        events |= EPOLLOUT;
    }
    farm_.Loop().Modify(fd_, events);
}

void ProtocolConnection::Written() {
    if (closeAfterLast_ || peerClosed_) {
        Close();
        return;
    }
    // Let the client close first (it does once it has the answer), so our close cannot reset the
    // connection under data it has not read yet.
    shutdown(fd_, SHUT_WR);
    stage_ = Stage::Finishing;
    ResetIdleTimer(kFinishTimeout);
}

void ProtocolConnection::BeforeLast() {
    // The device goes down as its last message leaves, and before it is sent rather than after: a
    // client that has the answer must find the device unreachable already, not depending on which
    // process runs first. This connection stays to deliver the answer.
    const PostAction post = post_;
    post_ = PostAction::None;
    farm_.RunPostAction(device_, post, this);
}

void ProtocolConnection::Close() {
    if (stage_ == Stage::Closed) {
        return;
    }
    stage_ = Stage::Closed;
    if (timer_) {
        farm_.Loop().CancelTimer(*timer_);
        timer_.reset();
    }
    if (idleTimer_) {
        farm_.Loop().CancelTimer(*idleTimer_);
        idleTimer_.reset();
    }
    farm_.Loop().Remove(fd_);
    close(fd_);
    device_.connections.erase(this);
    farm_.Loop().DeleteLater(std::unique_ptr<EventHandler>(this));
}

} // namespace KorvaneSim
