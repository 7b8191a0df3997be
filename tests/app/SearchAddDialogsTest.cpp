// The search dialog over simulated devices in network test hosts (discovery needs broadcast and
// link-local multicast; a search waits for three silences of 10 s), and the add dialog against
// simulated devices on loopback and, for host names, inside a test host.
#include "AddTargetDialog.h"
#include "AppText.h"
#include "FindKorvaneDialog.h"
#include "ModalAnswerer.h"
#include "common/Simulator.h"
#include "hosts/PrivateHostsFile.h"
#include "hosts/TestNetwork.h"
#include "support/StringTable.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace Korvane;
using namespace KorvaneApp;
using KorvaneTesting::Simulator;
using Clock = std::chrono::steady_clock;

namespace {

// A simulated device with discovery in each device host of the network, MAC 02:4B:53:00:A0:0<i+1>.
std::vector<std::unique_ptr<Simulator>> DiscoverableDevices(KorvaneTesting::TestNetwork& net) {
    std::vector<std::unique_ptr<Simulator>> sims;
    for (int i = 0; i < net.DeviceCount(); ++i) {
        const KorvaneTesting::TestHost& host = net.Device(i);
        sims.push_back(std::make_unique<Simulator>(
            net, host,
            std::vector<std::string>{"--count", "1", "--base", host.ipv4, "--base6",
                                     host.ipv6LinkLocal + "%kv0", "--http-port", "0", "--discovery",
                                     "--base-mac", "02:4B:53:00:A0:0" + std::to_string(i + 1)}));
    }
    return sims;
}

// Moves the calling thread into a network namespace of its own with nothing in it (not even a
// loopback that is up), and back when destroyed.
class EmptyNetworkGuard {
public:
    EmptyNetworkGuard() : m_previous(open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC)) {
        if (m_previous >= 0 && unshare(CLONE_NEWNET) != 0) {
            m_reason = std::string("unshare(CLONE_NEWNET): ") + std::strerror(errno);
            close(m_previous);
            m_previous = -1;
        }
    }
    ~EmptyNetworkGuard() {
        if (m_previous >= 0) {
            EXPECT_EQ(setns(m_previous, CLONE_NEWNET), 0) << std::strerror(errno);
            close(m_previous);
        }
    }
    EmptyNetworkGuard(const EmptyNetworkGuard&) = delete;
    EmptyNetworkGuard& operator=(const EmptyNetworkGuard&) = delete;

    bool Entered() const { return m_previous >= 0; }
    const std::string& Reason() const { return m_reason; }

private:
    int m_previous;
    std::string m_reason = "cannot open the thread's network namespace";
};

// An IPv4 datagram socket bound to the wildcard address and a port, without address reuse, so
// that nobody else can bind the port.
class PortHolder {
public:
    explicit PortHolder(uint16_t nPort) : m_fd(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(nPort);
        if (m_fd >= 0 && bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            close(m_fd);
            m_fd = -1;
        }
    }
    PortHolder(PortHolder&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    PortHolder& operator=(PortHolder&&) = delete;
    ~PortHolder() {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }

    bool Holds() const { return m_fd >= 0; }

private:
    int m_fd;
};

class SearchAddDialogs : public ::testing::Test {
protected:
    CKorvaneAdminInfoMgr manager;
    AppTesting::ModalAnswerer answerer;
};

// The add dialog and what the test watches of it.
struct AddDialog {
    explicit AddDialog(CKorvaneAdminInfoMgr& manager)
        : dialog(manager), fetched(&dialog, &AddTargetDialog::FetchEnded),
          added(&dialog, &AddTargetDialog::DevicesAdded) {}

    // Types the text, presses "検索" and waits until the fetch has ended (its message answered).
    bool Fetch(const QString& input, int nMilliseconds = 20000) {
        const qsizetype nBefore = fetched.count();
        dialog.Input()->setText(input);
        dialog.SearchButton()->click();
        return AppTesting::WaitUntil([&] { return fetched.count() > nBefore; }, nMilliseconds);
    }

    QStringList Fields() const {
        return {dialog.NameField()->text(), dialog.DescriptionField()->text(), dialog.Ipv4Field()->text(),
                dialog.Ipv6Field()->text(), dialog.MacField()->text()};
    }

    static QStringList NoFields() { return QStringList(5, QString()); }

    AddTargetDialog dialog;
    QSignalSpy fetched;
    QSignalSpy added;
};

} // namespace

TEST_F(SearchAddDialogs, ASearchManagesTheDevicesThatAnswerAndClosesItself) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 2);
    std::vector<std::unique_ptr<Simulator>> sims = DiscoverableDevices(*net);
    // The second device answers discovery but not the information request: it is passed over.
    sims[1]->Set(0, "mode", "refuse");

    FindKorvaneDialog dialog(manager);
    QSignalSpy added(&dialog, &FindKorvaneDialog::DevicesAdded);
    QSignalSpy ended(&dialog, &FindKorvaneDialog::SearchEnded);
    QString shownText;
    bool bStopEnabled = false;
    // The user watches without touching anything.
    answerer.SetDialogHandler([&](QWidget* pModal) {
        if (pModal == &dialog && shownText.isEmpty()) {
            shownText = dialog.Message()->text();
            bStopEnabled = dialog.StopButton()->isEnabled();
        }
    });
    SearchResult result = SEARCH_FAILED;
    {
        // The search thread starts in the admin host, and its discovery workers with it.
        const KorvaneTesting::HostNamespaceGuard inAdmin = net->EnterHost(net->Admin());
        result = dialog.Run();
    }

    EXPECT_EQ(result, SEARCH_SUCCEEDED);
    EXPECT_EQ(dialog.Result(), std::optional<SearchResult>(SEARCH_SUCCEEDED));
    EXPECT_EQ(shownText, KorvaneApp::Text(Zelt::Text::SearchingDevices));
    EXPECT_TRUE(bStopEnabled);
    EXPECT_TRUE(answerer.Texts().isEmpty()) << answerer.Texts().join('|').toStdString();
    EXPECT_FALSE(dialog.isVisible()) << "the dialog closes itself";
    EXPECT_FALSE(dialog.IsSearching());
    ASSERT_EQ(ended.count(), 1);
    EXPECT_EQ(ended.at(0).at(0).toInt(), SEARCH_SUCCEEDED);
    EXPECT_EQ(manager.Macs(), std::vector<std::string>{"02:4B:53:00:A0:01"});
    EXPECT_EQ(added.count(), 3) << "three protocols found the first device; each refreshes the list";
    EXPECT_EQ(dialog.AddedCount(), 3);
    const CManagedDevice* pDevice = manager.FindDevice("02:4B:53:00:A0:01");
    ASSERT_NE(pDevice, nullptr);
    EXPECT_EQ(pDevice->Name(), "ks-001");
    EXPECT_FALSE(pDevice->GetRootNode().SelectNodes("product/name").empty()) << "its basic information came";
}

TEST_F(SearchAddDialogs, StopEndsTheSearchAtOnceAndKeepsTheDevicesFoundSoFar) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    std::vector<std::unique_ptr<Simulator>> sims = DiscoverableDevices(*net);

    FindKorvaneDialog dialog(manager);
    std::optional<Clock::time_point> stopped;
    bool bStopDisabled = false;
    // The user presses "中止" once the first device is listed, in the first protocol's silence.
    answerer.SetDialogHandler([&](QWidget* pModal) {
        if (pModal == &dialog && !stopped && !manager.Devices().empty()) {
            stopped = Clock::now();
            dialog.StopButton()->click();
            bStopDisabled = !dialog.StopButton()->isEnabled();
        }
    });
    SearchResult result = SEARCH_SUCCEEDED;
    {
        const KorvaneTesting::HostNamespaceGuard inAdmin = net->EnterHost(net->Admin());
        result = dialog.Run();
    }
    const Clock::time_point returned = Clock::now();

    ASSERT_TRUE(stopped.has_value()) << "no device was found before the search ended";
    EXPECT_EQ(result, SEARCH_CANCELLED);
    EXPECT_LT(returned - *stopped, std::chrono::seconds(5)) << "the search ended at once";
    EXPECT_TRUE(bStopDisabled);
    EXPECT_TRUE(answerer.Texts().isEmpty()) << "a cancelled search tells nothing";
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(manager.Macs(), std::vector<std::string>{"02:4B:53:00:A0:01"})
        << "the device found stays managed";
}

// Another program holds the discovery ports: every protocol fails at once, 10016 is shown and
// the dialog closes. The ports are taken in a network namespace of the test's own.
TEST_F(SearchAddDialogs, ASearchWhoseDiscoveryPortsAreTakenTells10016) {
    FindKorvaneDialog dialog(manager);
    QSignalSpy ended(&dialog, &FindKorvaneDialog::SearchEnded);
    answerer.SetDialogHandler([](QWidget*) {});
    SearchResult result = SEARCH_SUCCEEDED;
    const Clock::time_point start = Clock::now();
    {
        EmptyNetworkGuard nowhere;
        if (!nowhere.Entered()) {
            KORVANE_TEST_NETWORK_UNAVAILABLE(nowhere.Reason());
        }
        std::vector<PortHolder> holders;
        for (uint16_t nPort : {65, 51065, 51054}) {
            holders.emplace_back(nPort);
            ASSERT_TRUE(holders.back().Holds()) << nPort << ": " << std::strerror(errno);
        }
        result = dialog.Run();
    }
    EXPECT_EQ(result, SEARCH_FAILED);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5)) << "no silence is waited for";
    EXPECT_EQ(answerer.Texts(), QStringList{KorvaneApp::Text(Zelt::Text::SearchNetworkError)});
    EXPECT_EQ(ended.count(), 1);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(manager.Devices().empty());
}

TEST_F(SearchAddDialogs, AddByAddressShowsTheDeviceAndAddsItOnRequest) {
    Simulator sim({"--count", "2", "--base", "127.87.10.1", "--http-port", "0"});
    AddDialog add(manager);
    AddTargetDialog& dialog = add.dialog;
    EXPECT_EQ(dialog.SearchButton()->text(), KorvaneApp::Text(Zelt::Text::SearchButton));
    EXPECT_TRUE(dialog.CloseButton()->isEnabled());
    EXPECT_EQ(add.Fields(), AddDialog::NoFields());

    // "追加" before any fetch and "検索" with nothing typed do nothing.
    dialog.AddButton()->click();
    dialog.Input()->setText(QStringLiteral("  "));
    dialog.SearchButton()->click();
    EXPECT_FALSE(dialog.IsFetching());
    EXPECT_EQ(dialog.SearchButton()->text(), KorvaneApp::Text(Zelt::Text::SearchButton));
    EXPECT_EQ(add.added.count(), 0);
    EXPECT_TRUE(manager.Devices().empty());

    sim.ClearLog(1);
    dialog.Input()->setText(QStringLiteral("127.87.10.2"));
    dialog.SearchButton()->click();
    EXPECT_TRUE(dialog.IsFetching());
    EXPECT_EQ(dialog.SearchButton()->text(), KorvaneApp::Text(Zelt::Text::StopSearchButton));
    EXPECT_FALSE(dialog.CloseButton()->isEnabled()) << "no closing while a fetch runs";
    ASSERT_TRUE(AppTesting::WaitUntil([&] { return add.fetched.count() == 1; }, 20000));

    EXPECT_TRUE(answerer.Texts().isEmpty()) << answerer.Texts().join('|').toStdString();
    EXPECT_EQ(add.Fields(), (QStringList{"ks-002", "Simulated KORVANE 002", "127.87.10.2",
                                         KorvaneApp::Text(Zelt::Text::NoValue), "02:4b:53:00:00:02"}))
        << "the device reports its MAC in lower case; it has no IPv6 address";
    EXPECT_EQ(dialog.SearchButton()->text(), KorvaneApp::Text(Zelt::Text::SearchButton));
    EXPECT_TRUE(dialog.CloseButton()->isEnabled());
    EXPECT_FALSE(sim.Log(1).empty()) << "the information came from the typed address";
    EXPECT_TRUE(manager.Devices().empty()) << "nothing is added before \"追加\"";

    dialog.AddButton()->click();
    EXPECT_EQ(add.added.count(), 1);
    EXPECT_EQ(manager.Macs(), std::vector<std::string>{"02:4B:53:00:00:02"});
    const CManagedDevice* pDevice = manager.FindDevice("02:4B:53:00:00:02");
    ASSERT_NE(pDevice, nullptr);
    EXPECT_EQ(pDevice->GetIPv4Address(), "127.87.10.2");
    EXPECT_FALSE(pDevice->GetPortForwarding());
    EXPECT_TRUE(dialog.Input()->text().isEmpty());
    EXPECT_EQ(add.Fields(), AddDialog::NoFields());

    // What was added is not offered again; the dialog goes on with the next device.
    dialog.AddButton()->click();
    EXPECT_EQ(add.added.count(), 1);
    ASSERT_TRUE(add.Fetch(QStringLiteral("127.87.10.1")));
    EXPECT_EQ(dialog.NameField()->text(), QStringLiteral("ks-001"));
    // "クリア" empties the input and the fields, and leaves nothing to add.
    dialog.ClearButton()->click();
    EXPECT_TRUE(dialog.Input()->text().isEmpty());
    EXPECT_EQ(add.Fields(), AddDialog::NoFields());
    dialog.AddButton()->click();
    EXPECT_EQ(add.added.count(), 1);
    EXPECT_EQ(manager.Devices().size(), 1u);
}

TEST_F(SearchAddDialogs, AnAddressWhereNothingAnswersTells10017AndABusyDevice10019) {
    Simulator sim({"--count", "2", "--base", "127.87.11.1", "--http-port", "0"});
    sim.Set(1, "busy", "on");
    AddDialog add(manager);

    ASSERT_TRUE(add.Fetch(QStringLiteral("127.87.11.1")));
    EXPECT_EQ(add.dialog.NameField()->text(), QStringLiteral("ks-001"));
    // Nothing listens there: the earlier device's fields go, and it is no longer offered.
    ASSERT_TRUE(add.Fetch(QStringLiteral("127.87.11.200")));
    // The message says where and why, in the words korvanectl uses.
    EXPECT_EQ(answerer.Texts(),
              QStringList{KorvaneApp::Text(Zelt::Text::DeviceNotFound) +
                          QStringLiteral("\n\n127.87.11.200 のポート 51055 に接続できませんでした"
                                         "（Connection refused）")});
    EXPECT_EQ(add.Fields(), AddDialog::NoFields());
    add.dialog.AddButton()->click();
    EXPECT_EQ(add.added.count(), 0);
    EXPECT_TRUE(manager.Devices().empty());

    answerer.Clear();
    ASSERT_TRUE(add.Fetch(QStringLiteral("127.87.11.2")));
    EXPECT_EQ(answerer.Texts(),
              QStringList{KorvaneApp::Text(Zelt::Text::InfoReadError) + QStringLiteral("\n\n") +
                          KorvaneApp::Text(Zelt::Text::FailureDeviceBusy)});
    EXPECT_EQ(add.Fields(), AddDialog::NoFields());
    EXPECT_EQ(add.dialog.SearchButton()->text(), KorvaneApp::Text(Zelt::Text::SearchButton));
    EXPECT_TRUE(add.dialog.CloseButton()->isEnabled());
    add.dialog.AddButton()->click();
    EXPECT_TRUE(manager.Devices().empty());
}

// Host names resolve with the hosts file, here one the test writes (so that the name has the one
// address the test expects, whatever the machine's file says); inside a device host a name that it
// lacks fails at once, as no name server can be reached from there.
TEST_F(SearchAddDialogs, AddByHostNameResolvesItAndKeepsTheNameOfAForwardedDevice) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    const KorvaneTesting::TestHost& host = net->Device(0);
    Simulator sim(*net, host, {"--count", "1", "--base", "127.0.0.1", "--http-port", "0"});
    const KorvaneTesting::HostNamespaceGuard inHost = net->EnterHost(host);
    const KorvaneTesting::PrivateHostsFile hosts("127.0.0.1\tlocalhost\n127.0.0.1\tks-front.test\n");
    AddDialog add(manager);

    ASSERT_TRUE(add.Fetch(QStringLiteral("ks-front.test")));
    EXPECT_TRUE(answerer.Texts().isEmpty()) << answerer.Texts().join('|').toStdString();
    EXPECT_EQ(add.Fields(), (QStringList{"ks-001", "Simulated KORVANE 001", "127.0.0.1",
                                         KorvaneApp::Text(Zelt::Text::NoValue), "02:4B:53:00:00:01"}));
    EXPECT_FALSE(add.dialog.Candidate().GetPortForwarding())
        << "the device reports the address the name gave";

    // Behind a router the device reports its LAN address: it keeps the typed name and address.
    sim.InfoSet(0, "network/tcpip[not(@family='inet6')]/lan/ipsetting/ip", "192.168.10.20");
    ASSERT_TRUE(add.Fetch(QStringLiteral("ks-front.test")));
    EXPECT_EQ(add.Fields(), (QStringList{"ks-front.test", "Simulated KORVANE 001", "127.0.0.1",
                                         KorvaneApp::Text(Zelt::Text::NoValue), "02:4B:53:00:00:01"}));
    add.dialog.AddButton()->click();
    EXPECT_EQ(add.added.count(), 1);
    const CManagedDevice* pDevice = manager.FindDevice("02:4B:53:00:00:01");
    ASSERT_NE(pDevice, nullptr);
    EXPECT_TRUE(pDevice->GetPortForwarding());
    EXPECT_EQ(pDevice->Name(), "ks-front.test");
    EXPECT_EQ(pDevice->GetIPv4Address(), "127.0.0.1");

    ASSERT_TRUE(add.Fetch(QStringLiteral("no-such-korvane.invalid")));
    EXPECT_EQ(answerer.Texts(),
              QStringList{KorvaneApp::Text(Zelt::Text::DeviceNotFound) + QStringLiteral("\n\n") +
                          KorvaneApp::Text(Zelt::Text::NoAddressToConnect)});
    EXPECT_EQ(add.Fields(), AddDialog::NoFields());
}

TEST_F(SearchAddDialogs, AFetchCanBeStoppedAndTheDialogClosedOrDestroyedWhileItRuns) {
    Simulator sim({"--count", "1", "--base", "127.87.12.1", "--http-port", "0"});
    sim.Set(0, "mode", "silent");
    {
        AddDialog add(manager);
        add.dialog.show();
        // "中止": the fetch ends without a message.
        add.dialog.Input()->setText(QStringLiteral("127.87.12.1"));
        add.dialog.SearchButton()->click();
        ASSERT_TRUE(AppTesting::WaitUntil([&] { return !sim.Log(0).empty(); }));
        const Clock::time_point start = Clock::now();
        add.dialog.SearchButton()->click();
        ASSERT_TRUE(AppTesting::WaitUntil([&] { return add.fetched.count() == 1; }, 5000));
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(4));
        EXPECT_TRUE(answerer.Texts().isEmpty());
        EXPECT_FALSE(add.dialog.IsFetching());
        EXPECT_EQ(add.dialog.SearchButton()->text(), KorvaneApp::Text(Zelt::Text::SearchButton));
        EXPECT_TRUE(add.dialog.isVisible());

        // Escape while fetching stops the fetch and closes; its result shows nothing.
        sim.ClearLog(0);
        add.dialog.SearchButton()->click();
        ASSERT_TRUE(AppTesting::WaitUntil([&] { return !sim.Log(0).empty(); }));
        add.dialog.reject();
        EXPECT_FALSE(add.dialog.isVisible());
        ASSERT_TRUE(AppTesting::WaitUntil([&] { return add.fetched.count() == 2; }, 5000));
        EXPECT_TRUE(answerer.Texts().isEmpty());
        EXPECT_FALSE(add.dialog.IsFetching());
        EXPECT_EQ(add.Fields(), AddDialog::NoFields());
    }
    // Destroyed in the middle of a fetch: the worker is let go instead of waiting on the dialog.
    auto add = std::make_unique<AddDialog>(manager);
    sim.ClearLog(0);
    add->dialog.Input()->setText(QStringLiteral("127.87.12.1"));
    add->dialog.SearchButton()->click();
    ASSERT_TRUE(AppTesting::WaitUntil([&] { return !sim.Log(0).empty(); }));
    const Clock::time_point start = Clock::now();
    add.reset();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(4));
    AppTesting::WaitUntil([] { return false; }, 300);
    EXPECT_TRUE(answerer.Texts().isEmpty());
    EXPECT_TRUE(manager.Devices().empty());
}
