#pragma once

// The name server of a test host's LAN, a real one: the test resolver (korvane-test-resolver, two
// dnsmasq processes) on the host's loopback, which the resolver configuration of the programs
// started in the host (TestNetwork::RunIn, StartIn) names. As a small LAN's forwarder does, it
// answers a single query at once and loses queries in a burst (beyond 150 in flight, or beyond its
// receive queue), so that the C library's 5 s retry shows. For comparison it can refuse instead:
// nothing listens, and every lookup fails at once.
//
//   TestResolver resolver(*net, net->Admin());
//   resolver.SetAddress("ks-001", "198.18.1.10");
//   net->RunIn(net->Admin(), "getent", {"ahosts", "ks-001"});
//
// Threads moved into a host (EnterHost, ThreadIn) do not use it: they keep the machine's resolver
// configuration, whose name server is out of the host's reach.

#include "hosts/TestNetwork.h"

#include <map>
#include <string>

namespace KorvaneTesting {

enum class ResolverMode {
    Forwarder, // answers its names, forwards other queries to an upstream that answers at once
    Refusing,  // no server listens
};

class TestResolver {
public:
    // Starts the resolver in the host. The network owns its processes: destroy the resolver first.
    TestResolver(TestNetwork& network, const TestHost& host, ResolverMode mode = ResolverMode::Forwarder);
    ~TestResolver();
    TestResolver(const TestResolver&) = delete;
    TestResolver& operator=(const TestResolver&) = delete;

    ResolverMode Mode() const { return mode_; }
    // Makes the name resolve to the IPv4 address, or to a new one (as DHCP moves a device); returns
    // once the resolver answers with it. A resolver that refuses serves no names (std::logic_error).
    void SetAddress(const std::string& name, const std::string& address);

private:
    int HostsReads() const;

    ResolverMode mode_;
    std::string directory_;
    HostProcess* front_ = nullptr;
    std::map<std::string, std::string> addresses_;
};

} // namespace KorvaneTesting
