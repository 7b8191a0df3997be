// Broadcast, link-local multicast and link-local connections between test hosts: what loopback
// cannot show.
#include "hosts/TestNetwork.h"
#include "net/BroadCastSocket.h"
#include "net/DtgmSrvSocket.h"
#include "net/MultiCastSocket.h"
#include "net/NetworkInterfaces.h"
#include "net/SocketErrors.h"
#include "net/StrmCltSocket.h"

#include <future>
#include <netinet/in.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace Zelt;
using KorvaneTesting::TestHost;

namespace {

constexpr uint16_t kPort = 51054;

// Receives one datagram on a datagram server inside the host; `ready` is fulfilled once it listens.
std::string ReceiveOne(int nFamily, std::promise<void>& ready) {
    CDtgmSrvSocket server(kPort, 54, nFamily, nullptr, 3000);
    server.Open(kPort);
    ready.set_value();
    const int nConnection = server.Accept();
    std::string data(54, '\0');
    data.resize(server.Read(nConnection, data.data(), data.size()));
    return data;
}

// Starts a receiver in every device host, then runs the sender in the admin host.
std::vector<std::string> ReceiveOnDevices(KorvaneTesting::TestNetwork& net, int nFamily,
                                          const std::function<void()>& send) {
    std::vector<std::promise<void>> ready(net.DeviceCount());
    std::vector<std::future<std::string>> results;
    std::vector<std::jthread> threads;
    for (int i = 0; i < net.DeviceCount(); ++i) {
        auto task = std::make_shared<std::packaged_task<std::string()>>(
            [nFamily, &promise = ready[i]] { return ReceiveOne(nFamily, promise); });
        results.push_back(task->get_future());
        threads.push_back(net.ThreadIn(net.Device(i), [task] { (*task)(); }));
    }
    for (auto& promise : ready) {
        promise.get_future().wait();
    }
    net.ThreadIn(net.Admin(), send).join();
    std::vector<std::string> received;
    for (auto& result : results) {
        received.push_back(result.get());
    }
    return received;
}

} // namespace

TEST(TestHostTransport, LimitedBroadcastFromTheAdminHostReachesEveryDevice) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 2);
    const std::vector<std::string> received = ReceiveOnDevices(*net, AF_INET, [] {
        CBroadCastSocket broadcast;
        broadcast.Open(kPort);
        EXPECT_EQ(broadcast.Write("KAF request", 11), 11u);
    });
    EXPECT_EQ(received, (std::vector<std::string>{"KAF request", "KAF request"}));
}

TEST(TestHostTransport, AllNodesMulticastOnTheLinksInterfaceReachesEveryDevice) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 2);
    const unsigned nAdminIndex = net->Admin().interfaceIndex;
    const std::vector<std::string> received = ReceiveOnDevices(*net, AF_INET6, [nAdminIndex] {
        const std::vector<unsigned> indexes = ListIpv6InterfaceIndexes();
        EXPECT_EQ(indexes, std::vector<unsigned>{nAdminIndex});
        CMultiCastSocket multicast;
        multicast.Open(kPort);
        multicast.SetSockOpt(IPPROTO_IPV6, IPV6_MULTICAST_IF, &indexes.at(0), sizeof(unsigned));
        EXPECT_EQ(multicast.Write("KAF over IPv6", 13), 13u);
    });
    EXPECT_EQ(received, (std::vector<std::string>{"KAF over IPv6", "KAF over IPv6"}));
}

TEST(TestHostTransport, ALinkLocalAddressIsReachedOverTheInterfaceThatHasIt) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    std::promise<void> listening;
    std::jthread device = net->ThreadIn(net->Device(0), [&] {
        const int fd = socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in6 address{};
        address.sin6_family = AF_INET6;
        address.sin6_port = htons(51055);
        bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(fd, 4);
        listening.set_value();
        const int connection = accept(fd, nullptr, nullptr);
        char buffer[16];
        const ssize_t n = recv(connection, buffer, sizeof buffer, 0);
        send(connection, buffer, static_cast<size_t>(std::max<ssize_t>(n, 0)), MSG_NOSIGNAL);
        close(connection);
        close(fd);
    });
    listening.get_future().wait();
    const std::string deviceAddress = net->Device(0).ipv6LinkLocal;
    net->ThreadIn(net->Admin(),
                  [&] {
                      CStrmCltSocket socket(AF_INET6, nullptr, 3000);
                      socket.Open(deviceAddress, 51055);
                      ASSERT_EQ(socket.Write("00RX", 4), 4u);
                      char reply[4];
                      ASSERT_EQ(socket.Read(reply, sizeof reply, nullptr, nullptr), 4u);
                      EXPECT_EQ(std::string(reply, 4), "00RX");
                  })
        .join();
}

TEST(TestHostTransport, HostNamesComeFromTheHostsOwnTable) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    net->AddHostName(net->Admin(), "ks-01.lan", net->Device(0).ipv4);
    const auto result = net->RunIn(net->Admin(), KORVANECTL_PATH, {"resolve", "ks-01.lan", "--json"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("\"ipv4\":\"198.18.0.10\""), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("\"family\":\"unspecified\""), std::string::npos) << result.out;
    const auto elsewhere = net->RunIn(net->Device(0), KORVANECTL_PATH, {"resolve", "ks-01.lan"});
    EXPECT_EQ(elsewhere.exitCode, 1) << elsewhere.out;
}
