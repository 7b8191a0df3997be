#pragma once

#include "net/CancelEvent.h"
#include "net/DtgmSrvSocket.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

namespace Korvane {

// The part that all discovery protocols share: one run sends the request, collects replies until
// the receive socket stays silent for 10 seconds, and has the caller's routine run on each
// device's reply by a bounded set of workers. Update returns only after every worker has ended,
// also when it throws.
class CDiscoveryClient {
public:
    // Called on a worker thread with the stored reply, which stays valid while the client lives.
    using Routine = std::function<void(const std::string& reply)>;
    // Called on the Update thread whenever a datagram arrives (progress displays).
    using ActivityListener = std::function<void()>;

    static constexpr int SILENCE_MILLISECONDS = 10000;
    static constexpr int REQUEST_COPIES = 3;
    // Routines running at once; further devices queue until a worker is free.
    static constexpr size_t MAX_WORKERS = 32;
    // Devices one run takes; replies of further devices are dropped.
    static constexpr size_t MAX_DEVICES = 4096;

    // The text of a reply's address field (4 bytes for AF_INET, 16 for AF_INET6); empty for an
    // all-zero address, which is no address.
    static std::string ReplyAddressText(const std::string& reply, size_t nOffset, int nFamily);

    virtual ~CDiscoveryClient();
    CDiscoveryClient(const CDiscoveryClient&) = delete;
    CDiscoveryClient& operator=(const CDiscoveryClient&) = delete;

    // Returns when the run ended by silence and every queued device has had its routine; throws
    // CSocketEvent when cancelled and CSocketError when a socket failure ends the run (devices
    // still queued then are left out).
    void Update();
    void SetActivityListener(ActivityListener listener) { m_activityListener = std::move(listener); }

    uint32_t RequestId() const { return m_nRequestId; }

protected:
    CDiscoveryClient(Zelt::CancelEventPtr cancelEvent, Routine routine, uint16_t nPort, size_t nDatagramSize,
                     int nFamily, const char* pszTraceClass);

    virtual void OpenSockets() = 0;
    virtual std::string BuildRequest() const = 0;
    virtual void SendDiscoverCommand(const std::string& request) = 0;
    virtual bool CheckReply(const std::string& reply) const = 0;
    // What tells devices apart within a run.
    virtual std::string DeviceIdentity(const std::string& reply) const = 0;
    // Where the reply names the device's addresses: offset and family of each field.
    struct AddressField {
        size_t nOffset;
        int nFamily;
    };
    virtual std::vector<AddressField> AddressFields() const = 0;

    void OpenReceiveSocket() { m_receiver.Open(m_nPort); }
    uint16_t Port() const { return m_nPort; }
    const Zelt::CancelEventPtr& CancelEvent() const { return m_cancelEvent; }
    const char* TraceClass() const { return m_pszTraceClass; }

private:
    void Init();
    void RecvDiscoverCommandRes();
    void Accept(const std::string& reply);
    void ClearLoopbackAddresses(std::string& reply) const;
    bool IsNewDevice(const std::string& reply);
    void Enqueue(const std::string& reply);
    void WorkOnQueue();
    const std::string* NextQueued();
    void WaitForAllThreadEnd(bool bDropQueued);

    Zelt::CancelEventPtr m_cancelEvent;
    Routine m_routine;
    ActivityListener m_activityListener;
    uint16_t m_nPort;
    size_t m_nDatagramSize;
    const char* m_pszTraceClass;
    Zelt::CDtgmSrvSocket m_receiver;
    uint32_t m_nRequestId = 0;
    std::unordered_set<std::string> m_identities;
    size_t m_nDropped = 0;
    // The replies stay here for the whole run, so routines may keep referring to them.
    std::deque<std::string> m_acceptedReplies;
    std::mutex m_queueMutex;
    std::condition_variable m_queueChanged;
    std::deque<const std::string*> m_queue;
    // While true, idle workers wait for more replies instead of ending.
    bool m_bReceiving = false;
    std::vector<std::thread> m_workers;
};

} // namespace Korvane
