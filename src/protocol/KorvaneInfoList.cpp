#include "protocol/KorvaneInfoList.h"

#include "net/SocketErrors.h"
#include "protocol/KorvaneAdminFind.h"
#include "protocol/QRXFind.h"

#include <algorithm>
#include <memory>
#include <sys/socket.h>

namespace Korvane {

int CKorvaneInfoList::Update(Zelt::CancelEventPtr cancelEvent, ReportRoutine report) {
    const auto start = std::chrono::steady_clock::now();
    m_sessions.clear();
    m_cancelEvent = std::move(cancelEvent);
    m_report = std::move(report);
    m_nReported = 0;
    int* results = m_protocolResults;
    for (DiscoveryProtocol protocol : {PROTOCOL_QRX, PROTOCOL_QRX_ALT, PROTOCOL_KAF}) {
        results[protocol] = RunProtocol(protocol);
    }
    m_runningProtocol = PROTOCOL_NONE;
    m_duration =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    m_report = nullptr;
    m_cancelEvent = nullptr;
    const auto end = results + 3;
    if (std::find(results, end, DISCOVERY_CANCELLED) != end) {
        return DISCOVERY_CANCELLED;
    }
    return std::all_of(results, end, [](int n) { return n == DISCOVERY_FAILED; }) ? DISCOVERY_FAILED
                                                                                  : DISCOVERY_OK;
}

// Later protocols still run after a cancel: the event stays set, so they end at once.
int CKorvaneInfoList::RunProtocol(DiscoveryProtocol protocol) {
    m_runningProtocol = protocol;
    m_silenceStart = std::chrono::steady_clock::now();
    try {
        std::unique_ptr<CDiscoveryClient> client;
        if (protocol == PROTOCOL_KAF) {
            client = std::make_unique<CKorvaneAdminFind>(
                m_cancelEvent, [this](const std::string& reply) { ListSetCallBackKaf(reply); });
        } else {
            auto routine = [this](const std::string& reply) { ListSetCallBackQrx(reply); };
            client = protocol == PROTOCOL_QRX ? std::make_unique<CQRXFind>(m_cancelEvent, routine)
                                              : std::make_unique<CQRXFindAlt>(m_cancelEvent, routine);
        }
        client->SetActivityListener([this] { m_silenceStart = std::chrono::steady_clock::now(); });
        client->Update();
        return DISCOVERY_OK;
    } catch (const Zelt::CSocketEvent&) {
        return DISCOVERY_CANCELLED;
    } catch (const std::exception&) {
        return DISCOVERY_FAILED;
    }
}

void CKorvaneInfoList::ListSetCallBackKaf(const std::string& reply) {
    const std::string ipv4 = CDiscoveryClient::ReplyAddressText(reply, KafData::IPV4, AF_INET);
    const std::string ipv6 = CDiscoveryClient::ReplyAddressText(reply, KafData::IPV6, AF_INET6);
    FetchAndReport(ipv4.empty() ? Append(ipv6, "") : Append(ipv4, ipv6));
}

void CKorvaneInfoList::ListSetCallBackQrx(const std::string& reply) {
    FetchAndReport(Append(CDiscoveryClient::ReplyAddressText(reply, QrxData::DEVICE_IPV4, AF_INET), ""));
}

CKorvaneInfo& CKorvaneInfoList::Append(std::string_view address, std::string_view address2) {
    CKorvaneInfo session(address, address2, true, true);
    std::lock_guard lock(m_mutex);
    m_sessions.push_back(std::move(session));
    return m_sessions.back();
}

void CKorvaneInfoList::FetchAndReport(CKorvaneInfo& session) {
    int nOutcome = REPORT_INFO_FETCHED;
    try {
        session.GetInfo(ID_GETINFO_CATEGORY_ADMIN_SIMPLE, m_cancelEvent, INFO_WAIT_MILLISECONDS);
    } catch (const std::exception&) {
        nOutcome = REPORT_INFO_FAILED;
    }
    ++m_nReported;
    if (m_report) {
        m_report(nOutcome, session);
    }
    if (session.HasRootNode()) {
        session.RemoveChild(session.GetRootNode());
    }
}

} // namespace Korvane
