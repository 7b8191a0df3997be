#pragma once

// One simulated device: identity, information document, behaviour knobs, power state and the log of
// what it received. The sockets and connections that serve it are managed by the Farm.

#include "EventLoop.h"
#include "Net.h"
#include "Xml.h"

#include <array>
#include <deque>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace KorvaneSim {

enum class Mode {
    Normal,
    Refuse,          // protocol port closed: connections are refused
    Silent,          // accepts and reads the request, never answers
    HostileLength,   // announces a body of 0xFFFFFFFF bytes
    HostileShort,    // sends less than the announced body, then closes
    HostileBase64,   // body that is not Base64
    HostileXml,      // Base64 of text that is not XML
    HostileNoResult, // a document without "result"
    HostileNoRead,   // reads the request document, then nothing more, and never answers
    WaitForever,     // "WAIT" until the client gives up
    Trickle,         // the normal answer, one byte per trickle interval
};

const char* ModeName(Mode mode);

// The discovery protocols: the current one and the two older ones (first and second legacy port).
enum class Discovery { Kaf, Qrx, QrxAlt };
const char* DiscoveryName(Discovery protocol); // "kaf", "qrx", "qrx-alt"

// One way of spoiling a discovery reply, for tests of the clients' reply checks. Each applies only to
// the protocols where it breaks a rule (or, for zero-mac on the older protocols, is worth checking).
enum class DiscoveryFault {
    None,
    Op0, // the op byte (Op5 ... Op7 only for the current protocol, where just 1 is valid)
    Op2,
    Op3,
    Op4,
    Op5,
    Op6,
    Op7,
    ZeroMac,        // current: MAC text "000000000000"; older: six zero bytes as the device MAC
    EmptyMac,       // current: empty MAC text
    WrongId,        // older: the request id is not echoed
    WrongRequester, // older: the requester's MAC is not echoed
    Truncated,      // both: the datagram is cut to 20 bytes
    BadMac,         // current: a blank and a line feed in place of two digits of the MAC text
};
const char* DiscoveryFaultName(DiscoveryFault fault);

// Behaviour knobs; the same names are used by the configuration file, --exec and the control
// interface ("set DEV NAME VALUE").
struct Knobs {
    int waitCount = 0;            // wait N: "WAIT" messages before the final answer
    int waitIntervalMs = 100;     // wait-interval MS: pause between the messages
    bool busy = false;            // busy on|off: final answer NG 00000006
    std::string error;            // error CODE|none: final answer NG CODE (wins over busy)
    int delayMs = 0;              // delay MS: pause before the first message
    Mode mode = Mode::Normal;     // mode NAME
    int trickleIntervalMs = 1000; // trickle-interval MS
    int rebootSeconds = 3;        // reboot-seconds S: unreachable time of a REBOOT
    std::set<std::string>
        faultWords; // faults all|WORD[,WORD...]: requests the fault knobs apply to (empty: all)
    // discovery on|off|PROTOCOL[,PROTOCOL...]: the protocols answered (bit 1 << Discovery)
    unsigned discoveryProtocols = 7;
    int discoveryCopies = 1;                              // discovery-copies N: each reply goes out N times
    DiscoveryFault discoveryFault = DiscoveryFault::None; // discovery-fault NAME
    int discoveryOp = 1;        // discovery-op N: op byte of the older protocols' replies
    int padBytes = 0;           // pad-bytes N: filler added to every GETINFO answer's information
    bool macPerRequest = false; // mac-per-request on|off: every GETINFO answer reports a new MAC
    // discovery-address ADDR|none: the IPv4 address the discovery replies name instead of the
    // device's own (a host that points the requester elsewhere)
    std::optional<IpAddress> discoveryAddress;

    // Sets one knob from its text; false with a reason for an unknown name or a bad value.
    bool Set(const std::string& name, const std::string& value, std::string& reason);
    // "name value" lines, as shown by the control command "show".
    std::vector<std::string> Describe() const;
    bool FaultsApplyTo(const std::string& requestWord) const;
    bool Answers(Discovery protocol) const {
        return (discoveryProtocols & (1u << static_cast<unsigned>(protocol))) != 0;
    }
};

enum class Power { On, Off, Rebooting };
const char* PowerName(Power power);

struct FirmwareRecord {
    std::string name;
    std::uint64_t size = 0;
    std::string md5;
};

class Connection;

struct Device {
    int index = 0;
    IpAddress ipv4;
    std::optional<IpAddress> ipv6;
    std::string mac; // as reported, case kept
    std::array<unsigned char, 6> macBytes{};
    std::string hostname;
    std::string description;
    std::string model;    // product name
    std::string firmware; // firmware version
    std::string family;   // model document
    std::string password;

    Knobs knobs;
    Power power = Power::On;
    bool melody = false;
    std::optional<FirmwareRecord> lastImage; // last image accepted by FWUPDATE
    XmlDocPtr doc;

    std::deque<std::string> log;
    std::deque<std::string> authKeys;
    unsigned macsReported = 0; // the MACs mac-per-request has handed out

    // Sockets, owned by the Farm.
    int protocolListener[2] = {-1, -1}; // IPv4, IPv6
    int httpListener[2] = {-1, -1};
    int wolSocket = -1;
    std::set<Connection*> connections;
    std::optional<EventLoop::TimerId> rebootTimer;

    std::string Name() const { return hostname.empty() ? "#" + std::to_string(index) : hostname; }
};

// Parses "00:11:22:aa:BB:cc" (also with "-" separators).
bool ParseMac(const std::string& text, std::array<unsigned char, 6>& bytes);

// A connection served for a device (device protocol or web page).
class Connection : public EventHandler {
public:
    // Drops the connection at once (the device went down).
    virtual void Abort() = 0;
};

} // namespace KorvaneSim
