#pragma once

// A name server for the tests, on UDP port 53 of a test host's loopback, which the host's resolver
// configuration names: programs run in the host (RunIn, StartIn) ask it. It answers the names it
// was given with their IPv4 address (and no IPv6 one) after the set delay, never answers the names
// it holds, refuses every other name as unknown, and counts what it was asked.
//
// Names that glibc would also try with a search domain when they are refused or unanswered make
// counts depend on the machine's host name: give tests' names a dot and an answer (or hold them).

#include "hosts/TestNetwork.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <netinet/in.h>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace KorvaneTesting {

class ScriptedNameServer {
public:
    ScriptedNameServer(const TestNetwork& net, const TestHost& host);
    ~ScriptedNameServer();
    ScriptedNameServer(const ScriptedNameServer&) = delete;
    ScriptedNameServer& operator=(const ScriptedNameServer&) = delete;

    void Answer(const std::string& name, const std::string& ipv4);
    void Hold(const std::string& name);
    void SetDelay(std::chrono::milliseconds delay);

    // Queries for the name's IPv4 address so far: one per lookup.
    int Lookups(const std::string& name) const;
    // Queries of every name and type so far.
    int Queries() const;
    // The most names that had a query without an answer at one time.
    int PeakNamesInFlight() const;
    // Whether the name has been looked up that many times within the timeout.
    bool WaitForLookups(const std::string& name, int nCount, std::chrono::milliseconds timeout) const;

private:
    struct Reply {
        std::chrono::steady_clock::time_point due;
        std::string name;
        std::string bytes;
        sockaddr_in peer{};
    };

    void Serve(const std::stop_token& stop);
    void Receive();
    void SendDueReplies();
    int MillisecondsUntilNextReply() const;

    int m_socket = -1;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_asked;
    std::map<std::string, std::string> m_answers;
    std::set<std::string> m_held;
    std::chrono::milliseconds m_delay{0};
    std::map<std::string, int> m_lookups;
    std::map<std::string, int> m_unanswered;
    int m_nQueries = 0;
    int m_nPeakInFlight = 0;
    std::vector<Reply> m_replies;
    std::jthread m_thread;
};

} // namespace KorvaneTesting
