#pragma once

#include <atomic>
#include <iosfwd>
#include <mutex>
#include <thread>

namespace Korvane {
class CKorvaneInfoList;
}

namespace Korvanectl {

// While a discovery runs, keeps one status line up to date on a terminal: the protocol that
// runs, the seconds of silence it still waits, the devices reported so far. Does nothing when the
// stream is not a terminal.
class DiscoveryProgress {
public:
    DiscoveryProgress(const Korvane::CKorvaneInfoList& list, std::ostream& terminal, std::mutex& outputMutex);
    ~DiscoveryProgress();
    DiscoveryProgress(const DiscoveryProgress&) = delete;
    DiscoveryProgress& operator=(const DiscoveryProgress&) = delete;

    // Wipes the status line so that other output starts on a clean line; call with the output
    // mutex held.
    void ClearLine();

private:
    void Run();

    const Korvane::CKorvaneInfoList& m_list;
    std::ostream& m_terminal;
    std::mutex& m_outputMutex;
    bool m_bActive;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};

} // namespace Korvanectl
