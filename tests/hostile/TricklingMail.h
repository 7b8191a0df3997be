#pragma once

// What the trickling-mail-server test groups share: the server, and korvanectl run and started
// in a scratch home.
#include "HostileLan.h"
#include "ScriptedServer.h"
#include "common/ProcessRun.h"
#include "hosts/TestNetwork.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace KorvaneHostile {

// An SMTP server on 127.87.0.1 that sends its greeting one byte every two seconds, for ever as a
// client sees it, and tells when it holds a client.
class TricklingSmtpServer {
public:
    static constexpr const char* ADDRESS = "127.87.0.1";

    TricklingSmtpServer();
    uint16_t Port() const { return m_server.Port(); }
    // Waits until a client is being held; false when none came within the time.
    bool WaitUntilHolding(std::chrono::milliseconds time) const;

private:
    std::atomic<bool> m_bHolding{false};
    MailTesting::ScriptedServer m_server;
};

// The test groups' fixture: korvanectl with its settings, state and runtime folders in a scratch
// home of the test's own.
class TricklingMailServer : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs korvanectl to its end with the scratch settings file.
    KorvaneTesting::ProcessResult Run(std::vector<std::string> args,
                                      const std::string& input = std::string());
    // Starts korvanectl with the scratch settings file in a process group of its own; its output
    // goes to a file in the scratch home.
    std::unique_ptr<KorvaneTesting::HostProcess> Start(std::vector<std::string> args);
    // The arguments of a test mail to the server.
    static std::vector<std::string> MailTestTo(const TricklingSmtpServer& server);

    // How long the program took to end, waiting at most the limit; nullopt when it still runs.
    static std::optional<std::chrono::duration<double>> WaitForEnd(KorvaneTesting::HostProcess& process,
                                                                   std::chrono::milliseconds limit);
    // Ctrl-C, then WaitForEnd.
    static std::optional<std::chrono::duration<double>> Interrupt(KorvaneTesting::HostProcess& process,
                                                                  std::chrono::milliseconds limit);

private:
    std::vector<std::string> WithSettings(std::vector<std::string> args) const;

    std::unique_ptr<ScratchHome> m_home;
    int m_nStarted = 0;
};

} // namespace KorvaneHostile
