// The upstream name server of the test resolver: what a LAN forwarder asks, a provider's server
// some milliseconds away. It answers every query that there is no such name, DELAY_MS after the
// query came, so that a burst keeps queries in flight at the forwarder as on a real LAN (an upstream
// on loopback that answers at once would hardly ever let them pile up). Like a provider's rate
// limit, it drops a query that comes while MAX_PENDING answers are due: the client hears nothing
// and asks again after its timeout.
//   korvane-slow-upstream ADDRESS DELAY_MS MAX_PENDING
// Prints "started" once it listens on ADDRESS port 53 (UDP).
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <queue>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kHeaderSize = 12;

struct Reply {
    Clock::time_point due;
    std::vector<unsigned char> bytes;
    sockaddr_in to{};
    bool operator>(const Reply& other) const { return due > other.due; }
};

// The length of the question section after the header, 0 when the query is malformed.
size_t QuestionLength(const unsigned char* pQuery, size_t nSize) {
    size_t at = kHeaderSize;
    while (at < nSize && pQuery[at] != 0) {
        if ((pQuery[at] & 0xC0) != 0) {
            return 0;
        }
        at += 1 + pQuery[at];
    }
    at += 1 + 4; // the root label, type and class
    return at <= nSize ? at - kHeaderSize : 0;
}

// "No such name" for one question, or nothing for what is not a query.
std::vector<unsigned char> NoSuchName(const unsigned char* pQuery, size_t nSize) {
    const size_t nQuestion = nSize > kHeaderSize ? QuestionLength(pQuery, nSize) : 0;
    if (nQuestion == 0 || (pQuery[2] & 0x80) != 0) {
        return {};
    }
    std::vector<unsigned char> reply(pQuery, pQuery + kHeaderSize + nQuestion);
    reply[2] = static_cast<unsigned char>(0x80 | (pQuery[2] & 0x79)); // response, opcode and RD kept
    reply[3] = 0x80 | 3;                                                 // RA, NXDOMAIN
    std::memset(&reply[4], 0, 8);
    reply[5] = 1; // one question, no records
    return reply;
}

} // namespace

int main(int argc, char** argv) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(53);
    const int nDelay = argc == 4 ? std::atoi(argv[2]) : -1;
    const size_t nMaxPending = argc == 4 ? std::strtoul(argv[3], nullptr, 10) : 0;
    if (nDelay < 0 || nMaxPending == 0 || inet_pton(AF_INET, argv[1], &address.sin_addr) != 1) {
        std::fprintf(stderr, "usage: korvane-slow-upstream ADDRESS DELAY_MS MAX_PENDING\n");
        return 2;
    }
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        std::perror("korvane-slow-upstream");
        return 1;
    }
    std::printf("started\n");
    std::fflush(stdout);
    std::priority_queue<Reply, std::vector<Reply>, std::greater<>> pending;
    for (;;) {
        int nWait = -1;
        if (!pending.empty()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(pending.top().due - Clock::now());
            nWait = static_cast<int>(std::max<long>(0, left.count()));
        }
        pollfd readable{fd, POLLIN, 0};
        poll(&readable, 1, nWait);
        unsigned char query[512];
        Reply reply;
        socklen_t nFromSize = sizeof reply.to;
        ssize_t nRead;
        while ((nRead = recvfrom(fd, query, sizeof query, 0, reinterpret_cast<sockaddr*>(&reply.to),
                                 &nFromSize)) > 0) {
            reply.bytes = NoSuchName(query, static_cast<size_t>(nRead));
            reply.due = Clock::now() + std::chrono::milliseconds(nDelay);
            if (!reply.bytes.empty() && pending.size() < nMaxPending) {
                pending.push(reply);
            }
            nFromSize = sizeof reply.to;
        }
        while (!pending.empty() && pending.top().due <= Clock::now()) {
            const Reply& due = pending.top();
            sendto(fd, due.bytes.data(), due.bytes.size(), 0, reinterpret_cast<const sockaddr*>(&due.to),
                   sizeof due.to);
            pending.pop();
        }
    }
}
