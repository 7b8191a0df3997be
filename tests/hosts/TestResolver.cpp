#include "hosts/TestResolver.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace KorvaneTesting {
namespace {

// Starting and reading the hosts file take milliseconds; this only bounds a resolver that hangs.
constexpr auto kReadWait = std::chrono::seconds(5);

bool IsWord(const std::string& text) {
    return !text.empty() && text.find_first_of(" \t\r\n#") == std::string::npos;
}

} // namespace

TestResolver::TestResolver(TestNetwork& network, const TestHost& host, ResolverMode mode)
    // Inside the network's log folder, which goes with the network even when this constructor throws.
    : mode_(mode),
      directory_((fs::temp_directory_path() / network.Prefix() / ("resolver-" + host.role)).string()) {
    if (mode_ == ResolverMode::Refusing) {
        return;
    }
    fs::create_directories(directory_);
    front_ = &network.StartIn(host, "env",
                              {std::string("KORVANE_SLOW_UPSTREAM=") + KORVANE_SLOW_UPSTREAM_PATH,
                               KORVANE_TEST_RESOLVER_PATH, "run", directory_});
    if (!front_->WaitForOutput("read " + directory_ + "/hosts", kReadWait)) {
        throw std::runtime_error("the test resolver did not start: " + front_->Output());
    }
}

TestResolver::~TestResolver() {
    if (front_ != nullptr) {
        front_->Stop(); // its process group: the upstream as well
    }
    std::error_code ignored;
    fs::remove_all(directory_, ignored);
}

int TestResolver::HostsReads() const {
    const std::string output = front_->Output();
    const std::string mark = "read " + directory_ + "/hosts - ";
    int reads = 0;
    for (size_t at = output.find(mark); at != std::string::npos; at = output.find(mark, at + 1)) {
        ++reads;
    }
    return reads;
}

void TestResolver::SetAddress(const std::string& name, const std::string& address) {
    if (mode_ == ResolverMode::Refusing) {
        throw std::logic_error("a test resolver that refuses serves no names");
    }
    if (!IsWord(name) || !IsWord(address)) {
        throw std::invalid_argument("a name and its address are single words");
    }
    addresses_[name] = address;
    std::ofstream file(directory_ + "/hosts", std::ios::trunc);
    for (const auto& [served, at] : addresses_) {
        file << at << '\t' << served << '\n';
    }
    file.close();
    if (!file) {
        throw std::runtime_error("cannot write the test resolver's hosts file in " + directory_);
    }
    // dnsmasq reads its hosts files again on SIGHUP and says so in its log.
    const int readsBefore = HostsReads();
    kill(front_->Pid(), SIGHUP);
    const auto deadline = std::chrono::steady_clock::now() + kReadWait;
    while (HostsReads() == readsBefore) {
        if (std::chrono::steady_clock::now() >= deadline || !front_->Running()) {
            throw std::runtime_error("the test resolver did not read its names again: " + front_->Output());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

} // namespace KorvaneTesting
