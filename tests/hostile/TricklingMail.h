#pragma once

// The fixture of the trickling-mail-server test groups: korvanectl in a scratch home of the test's
// own, and an SMTP server on 127.87.0.1 that sends its greeting one byte every two seconds, for
// ever as a client sees it.
#include "HostileLan.h"
#include "ScriptedServer.h"
#include "common/ProcessRun.h"
#include "hosts/TestNetwork.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace KorvaneHostile {

class TricklingMailServer : public ::testing::Test {
protected:
    TricklingMailServer();
    ~TricklingMailServer() override;

    // Runs korvanectl to its end with the scratch settings file.
    KorvaneTesting::ProcessResult Run(std::vector<std::string> args,
                                      const std::string& input = std::string());
    // Starts korvanectl so, in a process group of its own, its output in a file of the scratch home.
    std::unique_ptr<KorvaneTesting::HostProcess> Start(std::vector<std::string> args);
    // "mail test" or "mail set" with the server's address and port, a sender and a recipient.
    std::vector<std::string> MailTo(const std::string& action) const;
    // Whether the server holds a client within the time.
    bool Holding(std::chrono::seconds within) const;
    // The seconds until the program ended, waiting at most the limit (which it returns then).
    static double SecondsUntilEnd(KorvaneTesting::HostProcess& process, std::chrono::seconds limit);

private:
    std::vector<std::string> WithSettings(std::vector<std::string> args) const;

    ScratchHome m_home;
    std::atomic<bool> m_bHolding{false};
    MailTesting::ScriptedServer m_smtp;
    int m_nStarted = 0;
};

} // namespace KorvaneHostile
