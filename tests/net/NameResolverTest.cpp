// The name resolver against a name server of the test's own in a test host, through korvanectl
// resolve: address texts never reach the server, an answer comes through, and a name that the
// server never answers ends at the resolver's time limit, long before the C library's own retry.
#include "ScriptedNameServer.h"

#include <chrono>

#include <gtest/gtest.h>

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

TEST(NameResolver, AddressesAreNeverAskedAndANameWithoutAnswerEndsAtTheTimeLimit) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 0);
    KorvaneTesting::ScriptedNameServer dns(*net, net->Admin());
    dns.Answer("kd-answered.lan", "198.18.0.77");
    dns.Hold("kd-held.lan");
    const auto resolve = [&net](const std::string& text) {
        return net->RunIn(net->Admin(), KORVANECTL_PATH, {"resolve", text});
    };

    for (const char* pszAddress : {"198.18.0.10", "fe80::1%kv0", "::ffff:198.18.0.10", "fe80::1%nosuchif"}) {
        resolve(pszAddress);
    }
    EXPECT_EQ(resolve("198.18.0.10").out, "family: ipv4\nipv4: 198.18.0.10\nipv6: -\n");
    EXPECT_EQ(dns.Queries(), 0);

    const KorvaneTesting::ProcessResult answered = resolve("kd-answered.lan");
    EXPECT_EQ(answered.exitCode, 0) << answered.err;
    EXPECT_EQ(answered.out, "family: unspecified\nipv4: 198.18.0.77\nipv6: -\n");
    EXPECT_EQ(dns.Lookups("kd-answered.lan"), 1);

    const auto start = std::chrono::steady_clock::now();
    const KorvaneTesting::ProcessResult held = resolve("kd-held.lan");
    const double seconds = SecondsSince(start);
    EXPECT_EQ(held.exitCode, 1) << held.err;
    EXPECT_EQ(held.out, "family: unspecified\nipv4: -\nipv6: -\n");
    EXPECT_EQ(dns.Lookups("kd-held.lan"), 1);
    EXPECT_GE(seconds, 1.9);
    EXPECT_LT(seconds, 4.5) << "the C library alone asks again after 5 s";
}
