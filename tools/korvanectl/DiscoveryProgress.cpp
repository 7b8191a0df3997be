#include "DiscoveryProgress.h"

#include "Message.h"
#include "protocol/DiscoveryClient.h"
#include "protocol/KorvaneInfoList.h"

#include <chrono>
#include <ostream>
#include <string>
#include <unistd.h>

namespace Korvanectl {
namespace {

std::string ProtocolTitle(Korvane::DiscoveryProtocol protocol) {
    switch (protocol) {
    case Korvane::PROTOCOL_QRX:
        return Message(Zelt::Text::CliOlderProtocol, {"65"});
    case Korvane::PROTOCOL_QRX_ALT:
        return Message(Zelt::Text::CliOlderProtocol, {"51065"});
    case Korvane::PROTOCOL_KAF:
        return Message(Zelt::Text::CliCurrentProtocol, {"51054"});
    default:
        return Message(Zelt::Text::CliSearchStarting);
    }
}

} // namespace

DiscoveryProgress::DiscoveryProgress(const Korvane::CKorvaneInfoList& list, std::ostream& terminal,
                                     std::mutex& outputMutex)
    : m_list(list), m_terminal(terminal), m_outputMutex(outputMutex), m_bActive(isatty(STDERR_FILENO) == 1) {
    if (m_bActive) {
        m_thread = std::thread([this] { Run(); });
    }
}

DiscoveryProgress::~DiscoveryProgress() {
    m_bStop = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
    std::lock_guard lock(m_outputMutex);
    ClearLine();
}

void DiscoveryProgress::ClearLine() {
    if (m_bActive) {
        m_terminal << "\r\033[K" << std::flush;
    }
}

void DiscoveryProgress::Run() {
    using namespace std::chrono;
    while (!m_bStop) {
        const auto silence = duration_cast<seconds>(steady_clock::now() - m_list.SilenceStart()).count();
        const long nLeft =
            std::max<long>(0, Korvane::CDiscoveryClient::SILENCE_MILLISECONDS / 1000 - silence);
        {
            std::lock_guard lock(m_outputMutex);
            m_terminal << "\r\033[K"
                       << Message(Zelt::Text::CliSearchProgress,
                                  {ProtocolTitle(m_list.RunningProtocol()), std::to_string(nLeft),
                                   std::to_string(m_list.ReportedDevices())})
                       << std::flush;
        }
        std::this_thread::sleep_for(milliseconds(250));
    }
}

} // namespace Korvanectl
