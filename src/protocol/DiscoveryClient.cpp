#include "protocol/DiscoveryClient.h"

#include "net/AddressScope.h"
#include "net/AddressText.h"
#include "net/SocketErrors.h"
#include "support/Trace.h"

#include <algorithm>
#include <ctime>
#include <sys/socket.h>

namespace Korvane {
namespace {

// The request id is r1 * 65536 + r2 from a generator of 15-bit numbers seeded with the time in
// seconds; devices echo it, and only the older protocols compare it.
uint32_t NewRequestId() {
    uint32_t nSeed = static_cast<uint32_t>(std::time(nullptr));
    const auto next = [&nSeed] {
        nSeed = nSeed * 214013u + 2531011u;
        return (nSeed >> 16) & 0x7FFFu;
    };
    const uint32_t r1 = next();
    const uint32_t r2 = next();
    return r1 * 65536u + r2;
}

} // namespace

std::string CDiscoveryClient::ReplyAddressText(const std::string& reply, size_t nOffset, int nFamily) {
    const size_t nSize = nFamily == AF_INET6 ? 16 : 4;
    if (nOffset > reply.size()) {
        return std::string();
    }
    const std::string bytes = reply.substr(nOffset, nSize);
    if (bytes.size() != nSize ||
        std::all_of(bytes.begin(), bytes.end(), [](char byte) { return byte == 0; })) {
        return std::string();
    }
    return Zelt::FormatAddressText(nFamily, bytes.data());
}

CDiscoveryClient::CDiscoveryClient(Zelt::CancelEventPtr cancelEvent, Routine routine, uint16_t nPort,
                                   size_t nDatagramSize, int nFamily, const char* pszTraceClass)
    : m_cancelEvent(std::move(cancelEvent)), m_routine(std::move(routine)), m_nPort(nPort),
      m_nDatagramSize(nDatagramSize), m_pszTraceClass(pszTraceClass),
      m_receiver(nPort, nDatagramSize, nFamily, m_cancelEvent, SILENCE_MILLISECONDS) {}

CDiscoveryClient::~CDiscoveryClient() {
    WaitForAllThreadEnd(true);
}

void CDiscoveryClient::Update() {
    try {
        Init();
        OpenSockets();
        const std::string request = BuildRequest();
        SendDiscoverCommand(request);
        RecvDiscoverCommandRes();
    } catch (...) {
        WaitForAllThreadEnd(true);
        throw;
    }
    WaitForAllThreadEnd(false);
}

void CDiscoveryClient::Init() {
    WaitForAllThreadEnd(true);
    m_identities.clear();
    m_nDropped = 0;
    m_acceptedReplies.clear();
    m_nRequestId = NewRequestId();
    std::lock_guard lock(m_queueMutex);
    m_bReceiving = true;
}

void CDiscoveryClient::RecvDiscoverCommandRes() {
    while (true) {
        int nConnection = -1;
        try {
            nConnection = m_receiver.Accept();
        } catch (const Zelt::CSocketTimeOut&) {
            Zelt::DebugTrace("%s::RecvDiscoverCommandRes: socket timeout.\n", m_pszTraceClass);
            if (m_nDropped != 0) {
                Zelt::DebugTrace("%s::RecvDiscoverCommandRes: %zu replies beyond %zu devices dropped.\n",
                                 m_pszTraceClass, m_nDropped, MAX_DEVICES);
            }
            return;
        } catch (const Zelt::CSocketEvent&) {
            Zelt::DebugTrace("%s::RecvDiscoverCommandRes: socket event occurd.\n", m_pszTraceClass);
            throw;
        } catch (const Zelt::CSocketError&) {
            Zelt::DebugTrace("%s::RecvDiscoverCommandRes: socket error.\n", m_pszTraceClass);
            throw;
        }
        if (m_activityListener) {
            m_activityListener();
        }
        std::string reply(m_nDatagramSize, '\0');
        reply.resize(m_receiver.Read(nConnection, reply.data(), reply.size()));
        if (!m_receiver.IsLoopbackPeer(nConnection)) {
            ClearLoopbackAddresses(reply);
        }
        m_receiver.Close(nConnection);
        Accept(reply);
    }
}

// A reply from another host that names a loopback address would lead the program to this
// machine: that address becomes no address.
void CDiscoveryClient::ClearLoopbackAddresses(std::string& reply) const {
    for (const AddressField& field : AddressFields()) {
        if (Zelt::IsLoopbackAddress(ReplyAddressText(reply, field.nOffset, field.nFamily))) {
            Zelt::DebugTrace("%s::RecvDiscoverCommandRes: a loopback address from another host is ignored.\n",
                             m_pszTraceClass);
            std::fill_n(reply.begin() + static_cast<std::ptrdiff_t>(field.nOffset),
                        field.nFamily == AF_INET6 ? 16 : 4, '\0');
        }
    }
}

// A reply of the wrong size is dropped: its fields would be read from the zeros after its end.
void CDiscoveryClient::Accept(const std::string& reply) {
    if (reply.size() != m_nDatagramSize || !CheckReply(reply) || !IsNewDevice(reply)) {
        return;
    }
    m_acceptedReplies.push_back(reply);
    Enqueue(m_acceptedReplies.back());
}

// A flood of replies with ever new identities must not take unbounded memory and time: after
// MAX_DEVICES devices, replies of devices not yet seen are dropped.
bool CDiscoveryClient::IsNewDevice(const std::string& reply) {
    const std::string identity = DeviceIdentity(reply);
    if (m_identities.count(identity) != 0) {
        return false;
    }
    if (m_identities.size() >= MAX_DEVICES) {
        if (m_nDropped++ == 0) {
            Zelt::DebugTrace(
                "%s::Accept: more than %zu devices answer; replies of further devices are dropped.\n",
                m_pszTraceClass, MAX_DEVICES);
        }
        return false;
    }
    m_identities.insert(identity);
    return true;
}

void CDiscoveryClient::Enqueue(const std::string& reply) {
    {
        std::lock_guard lock(m_queueMutex);
        m_queue.push_back(&reply);
    }
    m_queueChanged.notify_one();
    if (m_workers.size() < MAX_WORKERS) {
        m_workers.emplace_back([this] { WorkOnQueue(); });
    }
}

void CDiscoveryClient::WorkOnQueue() {
    while (const std::string* pReply = NextQueued()) {
        try {
            m_routine(*pReply);
        } catch (...) {
            // A routine that fails has nobody to report to; it must not end the program.
        }
    }
}

// The next reply to work on; null once the run has stopped receiving and nothing is left.
const std::string* CDiscoveryClient::NextQueued() {
    std::unique_lock lock(m_queueMutex);
    m_queueChanged.wait(lock, [this] { return !m_queue.empty() || !m_bReceiving; });
    if (m_queue.empty()) {
        return nullptr;
    }
    const std::string* pReply = m_queue.front();
    m_queue.pop_front();
    return pReply;
}

// A run that was cancelled or failed leaves out the devices still queued; one that ended by
// silence lets the workers finish them.
void CDiscoveryClient::WaitForAllThreadEnd(bool bDropQueued) {
    {
        std::lock_guard lock(m_queueMutex);
        m_bReceiving = false;
        if (bDropQueued) {
            m_queue.clear();
        }
    }
    m_queueChanged.notify_all();
    for (std::thread& worker : m_workers) {
        worker.join();
    }
    m_workers.clear();
}

} // namespace Korvane
