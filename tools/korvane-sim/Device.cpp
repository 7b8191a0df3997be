#include "Device.h"

#include <algorithm>
#include <charconv>

namespace KorvaneSim {
namespace {

struct ModeEntry {
    Mode mode;
    const char* name;
};

const ModeEntry kModes[] = {
    {Mode::Normal, "normal"},
    {Mode::Refuse, "refuse"},
    {Mode::Silent, "silent"},
    {Mode::HostileLength, "hostile-length"},
    {Mode::HostileShort, "hostile-short"},
    {Mode::HostileBase64, "hostile-base64"},
    {Mode::HostileXml, "hostile-xml"},
    {Mode::HostileNoResult, "hostile-noresult"},
    {Mode::HostileNoRead, "hostile-noread"},
    {Mode::WaitForever, "wait-forever"},
    {Mode::Trickle, "trickle"},
};

const char* const kDiscoveryNames[] = {"kaf", "qrx", "qrx-alt"};
constexpr unsigned kAllDiscovery = 7;

struct FaultEntry {
    DiscoveryFault fault;
    const char* name;
};

const FaultEntry kDiscoveryFaults[] = {
    {DiscoveryFault::None, "none"},
    {DiscoveryFault::Op0, "op0"},
    {DiscoveryFault::Op2, "op2"},
    {DiscoveryFault::Op3, "op3"},
    {DiscoveryFault::Op4, "op4"},
    {DiscoveryFault::Op5, "op5"},
    {DiscoveryFault::Op6, "op6"},
    {DiscoveryFault::Op7, "op7"},
    {DiscoveryFault::ZeroMac, "zero-mac"},
    {DiscoveryFault::EmptyMac, "empty-mac"},
    {DiscoveryFault::WrongId, "wrong-id"},
    {DiscoveryFault::WrongRequester, "wrong-requester"},
    {DiscoveryFault::Truncated, "truncated"},
    {DiscoveryFault::BadMac, "bad-mac"},
};

bool ParseInt(const std::string& text, int low, int high, int& value) {
    int parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size() || parsed < low || parsed > high) {
        return false;
    }
    value = parsed;
    return true;
}

bool ParseSwitch(const std::string& text, bool& value) {
    if (text == "on" || text == "true" || text == "1") {
        value = true;
        return true;
    }
    if (text == "off" || text == "false" || text == "0") {
        value = false;
        return true;
    }
    return false;
}

// "on", "off" or a comma list of protocol names.
bool ParseDiscoveryProtocols(const std::string& text, unsigned& protocols) {
    bool all = false;
    if (ParseSwitch(text, all)) {
        protocols = all ? kAllDiscovery : 0;
        return true;
    }
    unsigned selected = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string name = text.substr(start, comma - start);
        bool known = false;
        for (unsigned i = 0; i < 3; ++i) {
            if (name == kDiscoveryNames[i]) {
                selected |= 1u << i;
                known = true;
            }
        }
        if (!known) {
            return false;
        }
        start = comma + 1;
    }
    protocols = selected;
    return true;
}

bool IsUpperWord(const std::string& text) {
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) {
            return false;
        }
    }
    return true;
}

} // namespace

const char* ModeName(Mode mode) {
    for (const ModeEntry& entry : kModes) {
        if (entry.mode == mode) {
            return entry.name;
        }
    }
    return "?";
}

const char* DiscoveryName(Discovery protocol) {
    return kDiscoveryNames[static_cast<unsigned>(protocol)];
}

const char* DiscoveryFaultName(DiscoveryFault fault) {
    for (const FaultEntry& entry : kDiscoveryFaults) {
        if (entry.fault == fault) {
            return entry.name;
        }
    }
    return "?";
}

const char* PowerName(Power power) {
    switch (power) {
    case Power::On:
        return "on";
    case Power::Off:
        return "off";
    case Power::Rebooting:
        return "rebooting";
    }
    return "?";
}

bool Knobs::Set(const std::string& name, const std::string& value, std::string& reason) {
    constexpr int kMaxMs = 24 * 3600 * 1000;
    bool ok = true;
    if (name == "wait") {
        ok = ParseInt(value, 0, 1000000, waitCount);
    } else if (name == "wait-interval") {
        ok = ParseInt(value, 0, kMaxMs, waitIntervalMs);
    } else if (name == "busy") {
        ok = ParseSwitch(value, busy);
    } else if (name == "error") {
        if (value == "none") {
            error.clear();
            return true;
        }
        // Device error codes are eight decimal digits; anything else is most likely a typo.
        ok = value.size() == 8 && value.find_first_not_of("0123456789") == std::string::npos;
        if (ok) {
            error = value;
        }
    } else if (name == "delay") {
        ok = ParseInt(value, 0, kMaxMs, delayMs);
    } else if (name == "mode") {
        ok = false;
        for (const ModeEntry& entry : kModes) {
            if (value == entry.name) {
                mode = entry.mode;
                ok = true;
            }
        }
    } else if (name == "trickle-interval") {
        ok = ParseInt(value, 1, kMaxMs, trickleIntervalMs);
    } else if (name == "reboot-seconds") {
        ok = ParseInt(value, 0, 24 * 3600, rebootSeconds);
    } else if (name == "faults") {
        std::set<std::string> words;
        if (value != "all") {
            std::size_t start = 0;
            while (start <= value.size()) {
                const std::size_t comma = std::min(value.find(',', start), value.size());
                const std::string word = value.substr(start, comma - start);
                if (!IsUpperWord(word)) {
                    ok = false;
                    break;
                }
                words.insert(word);
                start = comma + 1;
            }
        }
        if (ok) {
            faultWords = std::move(words);
        }
    } else if (name == "discovery") {
        ok = ParseDiscoveryProtocols(value, discoveryProtocols);
    } else if (name == "discovery-copies") {
        // More copies than this would only flood the requester's receive buffer.
        ok = ParseInt(value, 1, 10, discoveryCopies);
    } else if (name == "discovery-fault") {
        ok = false;
        for (const FaultEntry& entry : kDiscoveryFaults) {
            if (value == entry.name) {
                discoveryFault = entry.fault;
                ok = true;
            }
        }
    } else if (name == "pad-bytes") {
        // Beyond what one answer message may carry there is nothing left to test.
        ok = ParseInt(value, 0, 48 * 1024 * 1024, padBytes);
    } else if (name == "mac-per-request") {
        ok = ParseSwitch(value, macPerRequest);
    } else if (name == "discovery-address") {
        const std::optional<IpAddress> address = ParseIpAddress(value);
        ok = value == "none" || (address && address->family == AF_INET);
        if (ok) {
            discoveryAddress = value == "none" ? std::nullopt : address;
        }
    } else if (name == "discovery-op") {
        // The ops that the older protocols' clients accept; bad ones are discovery-fault values.
        int op = 0;
        ok = ParseInt(value, 1, 7, op) && (op == 1 || op >= 5);
        if (ok) {
            discoveryOp = op;
        }
    } else {
        reason = "unknown knob " + name;
        return false;
    }
    if (!ok) {
        reason = "bad value for " + name + ": " + value;
    }
    return ok;
}

std::vector<std::string> Knobs::Describe() const {
    std::string faults;
    for (const std::string& word : faultWords) {
        faults += (faults.empty() ? "" : ",") + word;
    }
    std::string discovery;
    for (unsigned i = 0; i < 3; ++i) {
        if ((discoveryProtocols & (1u << i)) != 0) {
            discovery += (discovery.empty() ? "" : ",") + std::string(kDiscoveryNames[i]);
        }
    }
    if (discoveryProtocols == kAllDiscovery || discoveryProtocols == 0) {
        discovery = discoveryProtocols == 0 ? "off" : "on";
    }
    return {
        "wait " + std::to_string(waitCount),
        "wait-interval " + std::to_string(waitIntervalMs),
        std::string("busy ") + (busy ? "on" : "off"),
        "error " + (error.empty() ? std::string("none") : error),
        "delay " + std::to_string(delayMs),
        std::string("mode ") + ModeName(mode),
        "trickle-interval " + std::to_string(trickleIntervalMs),
        "reboot-seconds " + std::to_string(rebootSeconds),
        "faults " + (faults.empty() ? std::string("all") : faults),
        "discovery " + discovery,
        "discovery-copies " + std::to_string(discoveryCopies),
        std::string("discovery-fault ") + DiscoveryFaultName(discoveryFault),
        "discovery-op " + std::to_string(discoveryOp),
        "pad-bytes " + std::to_string(padBytes),
        std::string("mac-per-request ") + (macPerRequest ? "on" : "off"),
        "discovery-address " + (discoveryAddress ? discoveryAddress->Text() : std::string("none")),
    };
}

bool Knobs::FaultsApplyTo(const std::string& requestWord) const {
    return faultWords.empty() || faultWords.count(requestWord) != 0;
}

bool ParseMac(const std::string& text, std::array<unsigned char, 6>& bytes) {
    if (text.size() != 17) {
        return false;
    }
    for (int i = 0; i < 6; ++i) {
        if (i < 5 && text[i * 3 + 2] != ':' && text[i * 3 + 2] != '-') {
            return false;
        }
        unsigned value = 0;
        const char* begin = text.data() + i * 3;
        const auto [end, error] = std::from_chars(begin, begin + 2, value, 16);
        if (error != std::errc() || end != begin + 2) {
            return false;
        }
        bytes[i] = static_cast<unsigned char>(value);
    }
    return true;
}

} // namespace KorvaneSim
