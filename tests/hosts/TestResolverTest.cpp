// The test resolver as the programs of a test host see it: it answers its names and follows a
// change of address; a single query is answered at once, a burst loses queries and waits for the
// C library's retry, where a resolver that refuses ends every lookup at once.
#include "hosts/TestResolver.h"

#include <cstdio>

#include <gtest/gtest.h>

using KorvaneTesting::ProcessResult;
using KorvaneTesting::ResolverMode;
using KorvaneTesting::TestNetwork;
using KorvaneTesting::TestResolver;

namespace {

// The first address the admin host's programs get for the name; empty when it does not resolve.
std::string AddressOf(const TestNetwork& net, const std::string& name) {
    const ProcessResult found = net.RunIn(net.Admin(), "getent", {"ahosts", name});
    return found.exitCode == 0 ? found.out.substr(0, found.out.find_first_of(" \t")) : std::string();
}

struct Burst {
    long lookups = -1;
    long answered = -1;
    long retried = -1;
    bool operator==(const Burst&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Burst& burst) {
    return out << "lookups " << burst.lookups << ", answered " << burst.answered << ", retried "
               << burst.retried;
}

// nCount lookups of unknown names at once, in the admin host.
Burst LookUpAtOnce(const TestNetwork& net, int nCount) {
    const ProcessResult run = net.RunIn(net.Admin(), KORVANE_LOOKUP_BURST_PATH, {std::to_string(nCount)});
    Burst burst;
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(std::sscanf(run.out.c_str(), "lookups=%ld answered=%ld retried=%ld", &burst.lookups,
                          &burst.answered, &burst.retried),
              3)
        << run.out;
    return burst;
}

} // namespace

TEST(TestResolver, AnswersItsNamesAndFollowsAnAddressChange) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 0);
    TestResolver resolver(*net, net->Admin());
    resolver.SetAddress("ks-001", "198.18.1.10");
    resolver.SetAddress("ks-002", "198.18.1.11");
    EXPECT_EQ(AddressOf(*net, "ks-001"), "198.18.1.10");

    resolver.SetAddress("ks-001", "198.18.1.20");
    EXPECT_EQ(AddressOf(*net, "ks-001"), "198.18.1.20");
    EXPECT_EQ(AddressOf(*net, "ks-002"), "198.18.1.11");
    EXPECT_EQ(AddressOf(*net, "nowhere.test"), "");
    EXPECT_THROW(resolver.SetAddress("two words", "198.18.1.1"), std::invalid_argument);
}

TEST(TestResolver, ABurstLosesQueriesWhereAResolverThatRefusesEndsEveryLookupAtOnce) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 0);
    {
        TestResolver forwarder(*net, net->Admin());
        EXPECT_EQ(LookUpAtOnce(*net, 1), (Burst{1, 1, 0})) << "the upstream answers a single query at once";
        const Burst burst = LookUpAtOnce(*net, 1000);
        EXPECT_GT(burst.answered, 0) << burst;
        EXPECT_GT(burst.retried, 0) << burst << ": queries lost in the burst wait for the retry";
    }
    TestResolver refusing(*net, net->Admin(), ResolverMode::Refusing);
    EXPECT_EQ(LookUpAtOnce(*net, 1000), (Burst{1000, 0, 0}));
    EXPECT_THROW(refusing.SetAddress("ks-001", "198.18.1.10"), std::logic_error);
}
