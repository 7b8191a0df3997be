#include "Config.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <unistd.h>

namespace KorvaneSim {
namespace {

// Keys that decide how a device is created; all other device keys run once it exists.
const std::set<std::string> kCreationKeys = {"ipv4",        "ipv6",  "family",   "mac",     "hostname",
                                             "description", "model", "firmware", "password"};
const std::set<std::string> kLaterKeys = {"wait",
                                          "wait-interval",
                                          "busy",
                                          "error",
                                          "delay",
                                          "mode",
                                          "trickle-interval",
                                          "reboot-seconds",
                                          "faults",
                                          "discovery",
                                          "discovery-copies",
                                          "discovery-fault",
                                          "discovery-op",
                                          "pad-bytes",
                                          "mac-per-request",
                                          "discovery-address",
                                          "status",
                                          "power",
                                          "melody",
                                          "info",
                                          "remove",
                                          "add"};

bool ParsePort(const std::string& text, bool allowZero, std::uint16_t& port) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value > 65535 ||
        (value == 0 && !allowZero)) {
        return false;
    }
    port = static_cast<std::uint16_t>(value);
    return true;
}

bool ParseCount(const std::string& text, int low, int high, int& count) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return false;
    }
    count = value;
    return true;
}

// Applies one global setting (from the file or the command line); false with the reason.
bool ApplyGlobal(Configuration& configuration, const std::string& key, const std::string& value, int& count,
                 std::string& error) {
    Settings& settings = configuration.settings;
    std::uint16_t port = 0;
    bool ok = true;
    if (key == "port") {
        ok = ParsePort(value, false, port);
        settings.port = port;
    } else if (key == "wol-port") {
        ok = ParsePort(value, false, port);
        settings.wolPort = port;
    } else if (key == "http-port") {
        ok = ParsePort(value, true, port);
        settings.httpPort = port;
    } else if (key == "discovery-port") {
        ok = ParsePort(value, false, port);
        settings.discoveryPort = port;
    } else if (key == "legacy-discovery-ports") {
        // Position decides the protocol: first qrx, then qrx-alt; "none" leaves one (or, alone, both)
        // unserved.
        settings.legacyDiscoveryPorts = {0, 0};
        std::size_t start = 0;
        std::size_t position = 0;
        while (ok && start <= value.size()) {
            const std::size_t comma = std::min(value.find(',', start), value.size());
            const std::string entry = value.substr(start, comma - start);
            ok = position < settings.legacyDiscoveryPorts.size() &&
                 (entry == "none" || ParsePort(entry, false, settings.legacyDiscoveryPorts[position]));
            ++position;
            start = comma + 1;
        }
    } else if (key == "discovery") {
        ok = value == "on" || value == "off";
        settings.discovery = value == "on";
    } else if (key == "verbose") {
        ok = value == "on" || value == "off";
        settings.verbose = value == "on";
    } else if (key == "control") {
        ok = !value.empty();
        settings.controlPath = value;
    } else if (key == "models") {
        ok = !value.empty();
        settings.modelsDirectory = value;
    } else if (key == "base") {
        ok = ParseIpAddress(value).has_value() && ParseIpAddress(value)->family == AF_INET;
        configuration.base = value;
    } else if (key == "base6") {
        ok = ParseIpAddress(value).has_value() && ParseIpAddress(value)->family == AF_INET6;
        configuration.base6 = value;
    } else if (key == "base-mac") {
        std::array<unsigned char, 6> bytes{};
        ok = ParseMac(value, bytes);
        configuration.baseMac = value;
    } else if (key == "password") {
        configuration.password = value;
    } else if (key == "reboot-seconds") {
        ok = ParseCount(value, 0, 24 * 3600, configuration.rebootSeconds);
    } else if (key == "count") {
        ok = ParseCount(value, 0, 60000, count);
    } else if (key == "first-number") {
        ok = ParseCount(value, 0, 999999, configuration.firstNumber);
    } else if (key == "exec") {
        ok = !value.empty();
        settings.startCommands.push_back(value);
    } else {
        error = "unknown setting " + key;
        return false;
    }
    if (!ok) {
        error = "bad value for " + key + ": " + value;
    }
    return ok;
}

bool ReadConfigFile(const std::string& path, Configuration& configuration, int& count, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::string line;
    int number = 0;
    DeviceEntry* device = nullptr;
    while (std::getline(in, line)) {
        ++number;
        const std::string where = path + ":" + std::to_string(number);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') {
            continue;
        }
        const std::size_t keyEnd = std::min(line.find_first_of(" \t", first), line.size());
        const std::string key = line.substr(first, keyEnd - first);
        const std::size_t valueStart = std::min(line.find_first_not_of(" \t", keyEnd), line.size());
        std::string value = line.substr(valueStart);
        if (key != "info" && key != "add" && key != "password" && key != "description") {
            // Trailing blanks are kept only where a value may need them.
            value.erase(value.find_last_not_of(" \t") + 1);
        }
        if (key == "device") {
            configuration.devices.emplace_back();
            device = &configuration.devices.back();
            continue;
        }
        if (device != nullptr) {
            if (kCreationKeys.count(key) == 0 && kLaterKeys.count(key) == 0) {
                error = where + ": unknown device setting " + key;
                return false;
            }
            device->directives.push_back(Directive{key, value, where});
            continue;
        }
        if (!ApplyGlobal(configuration, key, value, count, error)) {
            error = where + ": " + error;
            return false;
        }
    }
    return true;
}

std::string DefaultControlPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string directory = runtime != nullptr && runtime[0] != '\0' ? runtime : "/tmp";
    return directory + "/korvane-sim-" + std::to_string(getpid()) + ".sock";
}

std::string FormatMac(const std::array<unsigned char, 6>& bytes, bool lowerCase) {
    char text[18];
    std::snprintf(text, sizeof text,
                  lowerCase ? "%02x:%02x:%02x:%02x:%02x:%02x" : "%02X:%02X:%02X:%02X:%02X:%02X", bytes[0],
                  bytes[1], bytes[2], bytes[3], bytes[4], bytes[5]);
    return text;
}

std::string FirstText(xmlDoc* doc, const ModelStore& models, const std::string& key) {
    for (const std::string& xpath : models.OverridePaths(key)) {
        std::vector<xmlNode*> nodes;
        std::string error;
        if (SelectNodes(doc, nullptr, xpath, nodes, error) && !nodes.empty()) {
            return NodeText(nodes.front());
        }
    }
    return std::string();
}

void Rewrite(xmlDoc* doc, const ModelStore& models, const std::string& key, const std::string& value) {
    for (const std::string& xpath : models.OverridePaths(key)) {
        std::vector<xmlNode*> nodes;
        std::string error;
        if (SelectNodes(doc, nullptr, xpath, nodes, error)) {
            for (xmlNode* node : nodes) {
                SetNodeText(node, value);
            }
        }
    }
}

void SetPath(xmlDoc* doc, const char* xpath, const std::string& value) {
    std::vector<xmlNode*> nodes;
    std::string error;
    if (SelectNodes(doc, nullptr, xpath, nodes, error)) {
        for (xmlNode* node : nodes) {
            SetNodeText(node, value);
        }
    }
}

// The varied states of the default set: a few devices carry warnings, so that a demonstration shows
// every kind of row. Positions repeat every 10 or 20 devices.
void ApplyDefaultWarnings(xmlDoc* doc, const ModelStore& models, int index) {
    if (index % 10 == 4) {
        SetPath(doc, "statusinfo/status/error[@type='capacity']/param", "NG");
        Rewrite(doc, models, "status", "NOTIFY");
    } else if (index % 10 == 7) {
        SetPath(doc, "statusinfo/status/notify[@type='notify']/param", "ON");
        Rewrite(doc, models, "status", "NOTIFY");
    } else if (index % 20 == 9) {
        SetPath(doc, "statusinfo/status/error[@type='diskerror']/param", "NG");
        Rewrite(doc, models, "status", "ERROR");
    }
}

} // namespace

const char* UsageText() {
    return R"(usage: korvane-sim [options]

Simulates KORVANE devices, each on its own address: the device protocol (TCP), Wake-on-LAN,
web setting pages and, with --discovery, the discovery protocols.

devices:
  --count N             add N devices with varied models and states (default 3 when neither
                        --count nor a configuration file describes a device)
  --base ADDR           IPv4 address of device 0; device i gets ADDR + i (default 127.0.1.1)
  --base6 ADDR          IPv6 address of device 0; device i gets ADDR + i (default: no IPv6)
  --base-mac MAC        MAC address of device 0, counted up likewise (default 02:4B:53:00:00:01)
  --first-number N      number of device 0 in host names and default passwords (default 1):
                        simulators side by side give their devices names of their own
  --password P          administrator password of every device (default: pw001, pw002, ...)
  --reboot-seconds S    how long a REBOOT keeps a device unreachable (default 3)
  --config FILE         settings and devices from FILE (see README.md)
  --models DIR          read the model documents from DIR instead of the built-in ones

ports:
  --port N              device protocol TCP port (default 51055)
  --wol-port N          Wake-on-LAN UDP port (default: the --port value)
  --http-port N         web pages (default 80; 0 serves none)
  --discovery           answer discovery requests
  --discovery-port N    current discovery protocol port (default 51054)
  --legacy-discovery-ports QRX[,QRX-ALT]
                        ports of the two older discovery protocols, each a number or none
                        (default 65,51065)

control:
  --control PATH        control socket (default $XDG_RUNTIME_DIR/korvane-sim-PID.sock, else /tmp)
  --exec COMMAND        run a control command before the ready line (repeatable)
  --verbose             print what each device receives on stderr
  --help, --version

Prints "korvane-sim: control PATH" and then "korvane-sim: ready N devices" once every device
listens; SIGINT or SIGTERM (or the control command "quit") ends it with exit code 0.
)";
}

bool ParseCommandLine(int argc, char** argv, Configuration& configuration, std::string& error) {
    struct Option {
        std::string name;
        std::string value;
        bool flag;
    };
    const std::set<std::string> flags = {"--help", "-h", "--version", "--discovery", "--verbose"};
    std::vector<Option> options;
    std::string configPath;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::string value;
        const std::size_t equals = name.find('=');
        if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.erase(equals);
        } else if (flags.count(name) == 0) {
            if (i + 1 >= argc) {
                error = name.rfind("-", 0) == 0 ? name + " needs a value" : "unexpected argument " + name;
                return false;
            }
            value = argv[++i];
        }
        if (name.rfind("-", 0) != 0) {
            error = "unexpected argument " + name;
            return false;
        }
        if (name == "--config") {
            configPath = value;
            continue;
        }
        options.push_back(Option{name, value, flags.count(name) != 0});
    }

    int count = -1;
    if (!configPath.empty() && !ReadConfigFile(configPath, configuration, count, error)) {
        return false;
    }
    // The command line wins over the file.
    for (const Option& option : options) {
        if (option.name == "--help" || option.name == "-h") {
            configuration.help = true;
        } else if (option.name == "--version") {
            configuration.version = true;
        } else if (option.name == "--discovery") {
            configuration.settings.discovery = true;
        } else if (option.name == "--verbose") {
            configuration.settings.verbose = true;
        } else if (!ApplyGlobal(configuration, option.name.substr(2), option.value, count, error)) {
            error = option.name + ": " + error;
            return false;
        }
    }
    bool wolPortGiven = false;
    for (const Option& option : options) {
        wolPortGiven = wolPortGiven || option.name == "--wol-port";
    }
    if (!wolPortGiven) {
        configuration.settings.wolPort = configuration.settings.port;
    }
    // Two protocols on one port could not tell their requests apart.
    const Settings& settings = configuration.settings;
    const auto& legacy = settings.legacyDiscoveryPorts;
    if ((legacy[0] != 0 && legacy[0] == legacy[1]) || legacy[0] == settings.discoveryPort ||
        legacy[1] == settings.discoveryPort) {
        error = "the discovery ports must differ";
        return false;
    }
    if (count < 0) {
        count = configuration.devices.empty() ? 3 : 0;
    }
    for (int i = 0; i < count; ++i) {
        DeviceEntry entry;
        entry.generated = true;
        configuration.devices.push_back(std::move(entry));
    }
    if (configuration.settings.controlPath.empty()) {
        configuration.settings.controlPath = DefaultControlPath();
    }
    return true;
}

bool BuildDevices(const Configuration& configuration, const ModelStore& models,
                  std::vector<std::unique_ptr<Device>>& devices,
                  std::vector<std::pair<int, Directive>>& later, std::string& error) {
    const IpAddress base = *ParseIpAddress(configuration.base);
    const std::optional<IpAddress> base6 =
        configuration.base6.empty() ? std::nullopt : ParseIpAddress(configuration.base6);
    std::array<unsigned char, 6> baseMac{};
    ParseMac(configuration.baseMac, baseMac);
    std::uint64_t macNumber = 0;
    for (unsigned char byte : baseMac) {
        macNumber = (macNumber << 8) | byte;
    }

    const std::vector<std::string>& families = models.Families();
    for (std::size_t i = 0; i < configuration.devices.size(); ++i) {
        const DeviceEntry& entry = configuration.devices[i];
        auto device = std::make_unique<Device>();
        const int index = static_cast<int>(i);
        const int number = configuration.firstNumber + index;
        char name[32];
        std::snprintf(name, sizeof name, "ks-%03d", number);
        char password[32];
        std::snprintf(password, sizeof password, "pw%03d", number);

        device->index = index;
        device->family = families[i % families.size()];
        device->ipv4 = OffsetAddress(base, i);
        if (base6) {
            device->ipv6 = OffsetAddress(*base6, i);
        }
        std::array<unsigned char, 6> mac{};
        for (int b = 0; b < 6; ++b) {
            mac[b] = static_cast<unsigned char>((macNumber + i) >> (8 * (5 - b)));
        }
        device->macBytes = mac;
        // Some devices report their MAC in lower case, as some firmware does.
        device->mac = FormatMac(mac, index % 7 == 1);
        device->hostname = name;
        device->description = "Simulated KORVANE " + std::string(name + 3);
        device->password = configuration.password.empty() ? std::string(password) : configuration.password;
        device->knobs.rebootSeconds = configuration.rebootSeconds;

        std::string model;
        std::string firmware;
        for (const Directive& directive : entry.directives) {
            const std::string& value = directive.value;
            if (kCreationKeys.count(directive.key) == 0) {
                later.emplace_back(index, directive);
                continue;
            }
            bool ok = true;
            if (directive.key == "ipv4") {
                const auto address = ParseIpAddress(value);
                ok = address && address->family == AF_INET;
                if (ok) {
                    device->ipv4 = *address;
                }
            } else if (directive.key == "ipv6") {
                const auto address = ParseIpAddress(value);
                ok = value == "none" || (address && address->family == AF_INET6);
                device->ipv6 = value == "none" ? std::nullopt : address;
            } else if (directive.key == "family") {
                ok = models.HasFamily(value);
                device->family = value;
            } else if (directive.key == "mac") {
                ok = ParseMac(value, device->macBytes);
                device->mac = value;
            } else if (directive.key == "hostname") {
                device->hostname = value;
            } else if (directive.key == "description") {
                device->description = value;
            } else if (directive.key == "model") {
                model = value;
            } else if (directive.key == "firmware") {
                firmware = value;
            } else if (directive.key == "password") {
                device->password = value;
            }
            if (!ok) {
                error = directive.where + ": bad " + directive.key + " " + value;
                return false;
            }
        }

        device->doc = models.NewDocument(device->family);
        xmlDoc* doc = device->doc.get();
        device->model = model.empty() ? FirstText(doc, models, "model") : model;
        device->firmware = firmware.empty() ? FirstText(doc, models, "firmware") : firmware;
        Rewrite(doc, models, "mac", device->mac);
        Rewrite(doc, models, "hostname", device->hostname);
        Rewrite(doc, models, "description", device->description);
        Rewrite(doc, models, "ipv4", device->ipv4.Text());
        // Without IPv6 the address is left empty, so that no client tries an address of the model.
        Rewrite(doc, models, "ipv6", device->ipv6 ? device->ipv6->Text(false) : std::string());
        Rewrite(doc, models, "model", device->model);
        Rewrite(doc, models, "firmware", device->firmware);
        Rewrite(doc, models, "power", "ON");
        if (entry.generated) {
            ApplyDefaultWarnings(doc, models, index);
        }
        devices.push_back(std::move(device));
    }

    // Two devices on one address could not both listen; say which.
    std::map<std::string, int> owners;
    for (const auto& device : devices) {
        for (const IpAddress* address : {&device->ipv4, device->ipv6 ? &*device->ipv6 : nullptr}) {
            if (address == nullptr) {
                continue;
            }
            const auto [owner, added] = owners.emplace(address->Text(), device->index);
            if (!added) {
                error = "devices " + std::to_string(owner->second) + " and " + std::to_string(device->index) +
                        " share the address " + address->Text();
                return false;
            }
        }
    }
    return true;
}

} // namespace KorvaneSim
