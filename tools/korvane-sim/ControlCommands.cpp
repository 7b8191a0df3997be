// The commands of the control interface (also used by --exec and the device lines of a
// configuration file).

#include "Farm.h"

#include <algorithm>
#include <set>

namespace KorvaneSim {
namespace {

// Reads a command line word by word. XPath words may contain blanks inside brackets and quotes.
class Cursor {
public:
    explicit Cursor(const std::string& text) : text_(text) {}

    std::string Word() {
        SkipBlanks();
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !IsBlank(text_[pos_])) {
            ++pos_;
        }
        return text_.substr(start, pos_ - start);
    }

    std::string XPath() {
        SkipBlanks();
        const std::size_t start = pos_;
        int depth = 0;
        char quote = 0;
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (quote != 0) {
                if (c == quote) {
                    quote = 0;
                }
            } else if (c == '\'' || c == '"') {
                quote = c;
            } else if (c == '[' || c == '(') {
                ++depth;
            } else if (c == ']' || c == ')') {
                --depth;
            } else if (IsBlank(c) && depth <= 0) {
                break;
            }
            ++pos_;
        }
        return text_.substr(start, pos_ - start);
    }

    // Everything after the blanks that follow the last word (may be empty).
    std::string Rest() {
        SkipBlanks();
        std::string rest = text_.substr(pos_);
        pos_ = text_.size();
        return rest;
    }

    bool AtEnd() {
        SkipBlanks();
        return pos_ >= text_.size();
    }

private:
    static bool IsBlank(char c) { return c == ' ' || c == '\t'; }
    void SkipBlanks() {
        while (pos_ < text_.size() && IsBlank(text_[pos_])) {
            ++pos_;
        }
    }

    const std::string& text_;
    std::size_t pos_ = 0;
};

std::string OneLine(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\\') {
            out += "\\\\";
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string LowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

const char kHelp[] =
    R"(commands (DEV: index, IPv4 or IPv6 address, MAC, host name; "*" = every device where allowed):
list
show DEV
set DEV|* KNOB VALUE       knobs: wait N, wait-interval MS, busy on|off, error CODE|none, delay MS,
                           mode normal|refuse|silent|hostile-length|hostile-short|hostile-base64|
                           hostile-xml|hostile-noresult|hostile-noread|wait-forever|trickle,
                           trickle-interval MS,
                           reboot-seconds S, faults all|WORD[,WORD...],
                           discovery on|off|kaf|qrx|qrx-alt[,...], discovery-copies 1-10,
                           discovery-fault none|op0|op2|op3|op4|op5|op6|op7|zero-mac|
                           empty-mac|wrong-id|wrong-requester|truncated|bad-mac, discovery-op 1|5|6|7,
                           pad-bytes N, mac-per-request on|off,
                           discovery-address ADDR|none;
                           values: password P, hostname H, description D, model M, firmware F,
                           mac MAC, status OK|NOTIFY|ERROR
info DEV get XPATH
info DEV|* set XPATH VALUE
info DEV xml [XPATH]
info DEV|* remove XPATH
info DEV|* add XPATH XML
state DEV
wake DEV|*
poweroff DEV|*
reboot DEV|*
log DEV
log DEV|* clear
quit)";

} // namespace

Device* Farm::FindDevice(const std::string& name) {
    if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos && name.size() < 9) {
        const std::size_t index = std::stoul(name);
        return index < devices_.size() ? devices_[index].get() : nullptr;
    }
    std::array<unsigned char, 6> mac{};
    const bool isMac = ParseMac(name, mac);
    const std::optional<IpAddress> address = isMac ? std::nullopt : ParseIpAddress(name);
    for (auto& device : devices_) {
        if (isMac && device->macBytes == mac) {
            return device.get();
        }
        if (address &&
            (address->SameHost(device->ipv4) || (device->ipv6 && address->SameHost(*device->ipv6)))) {
            return device.get();
        }
        if (!isMac && !address && device->hostname == name) {
            return device.get();
        }
    }
    return nullptr;
}

bool Farm::SelectDevices(const std::string& name, std::vector<Device*>& selected, std::string& error) {
    selected.clear();
    if (name == "*") {
        for (auto& device : devices_) {
            selected.push_back(device.get());
        }
        return true;
    }
    Device* device = FindDevice(name);
    if (device == nullptr) {
        error = name.empty() ? "no device given" : "no device " + name;
        return false;
    }
    selected.push_back(device);
    return true;
}

namespace {

bool SetValue(Farm& farm, Device& device, const std::string& name, const std::string& value,
              std::string& error) {
    if (!IsValidUtf8(value)) {
        error = "value is not UTF-8";
        return false;
    }
    if (name == "password") {
        device.password = value;
    } else if (name == "hostname") {
        device.hostname = value;
        farm.SetOverride(device, "hostname", value);
    } else if (name == "description") {
        device.description = value;
        farm.SetOverride(device, "description", value);
    } else if (name == "model") {
        device.model = value;
        farm.SetOverride(device, "model", value);
    } else if (name == "firmware") {
        device.firmware = value;
        farm.SetOverride(device, "firmware", value);
    } else if (name == "status") {
        farm.SetOverride(device, "status", value);
    } else if (name == "mac") {
        if (!ParseMac(value, device.macBytes)) {
            error = "bad MAC address " + value;
            return false;
        }
        device.mac = value;
        farm.SetOverride(device, "mac", value);
    } else {
        if (!device.knobs.Set(name, value, error)) {
            return false;
        }
        if (name == "mode") {
            return farm.UpdateListeners(device, error);
        }
    }
    return true;
}

bool InfoCommand(Device& device, const std::string& verb, Cursor& cursor, std::vector<std::string>& output,
                 std::string& error) {
    xmlDoc* doc = device.doc.get();
    const std::string xpath = cursor.XPath();
    if (xpath.empty() && verb != "xml") {
        error = "no XPath given";
        return false;
    }
    std::vector<xmlNode*> nodes;
    if (!SelectNodes(doc, nullptr, xpath.empty() ? "." : xpath, nodes, error)) {
        return false;
    }
    if (verb == "get") {
        for (xmlNode* node : nodes) {
            output.push_back(OneLine(NodeText(node)));
        }
        return true;
    }
    if (verb == "xml") {
        for (xmlNode* node : nodes) {
            output.push_back(SerializeNodeOneLine(node));
        }
        return true;
    }
    if (nodes.empty()) {
        error = "nothing selected by " + xpath;
        return false;
    }
    if (verb == "set") {
        const std::string value = cursor.Rest();
        if (!IsValidUtf8(value)) {
            error = "value is not UTF-8";
            return false;
        }
        for (xmlNode* node : nodes) {
            SetNodeText(node, value);
        }
        return true;
    }
    if (verb == "remove") {
        for (xmlNode* node : nodes) {
            if (node == xmlDocGetRootElement(doc)) {
                error = "the document element cannot be removed";
                return false;
            }
        }
        for (xmlNode* node : nodes) {
            if (node->type == XML_ATTRIBUTE_NODE) {
                xmlRemoveProp(reinterpret_cast<xmlAttr*>(node));
            } else {
                xmlUnlinkNode(node);
                xmlFreeNode(node);
            }
        }
        output.push_back(std::to_string(nodes.size()));
        return true;
    }
    if (verb == "add") {
        std::string parseError;
        XmlDocPtr fragment = ParseXml(cursor.Rest(), parseError);
        if (!fragment) {
            error = "bad XML: " + parseError;
            return false;
        }
        for (xmlNode* node : nodes) {
            if (node->type != XML_ELEMENT_NODE) {
                error = "can only add below elements";
                return false;
            }
        }
        for (xmlNode* node : nodes) {
            xmlAddChild(node, xmlDocCopyNode(xmlDocGetRootElement(fragment.get()), doc, 1));
        }
        return true;
    }
    error = "unknown info command " + verb;
    return false;
}

} // namespace

bool Farm::ExecuteDeviceDirective(Device& device, const std::string& key, const std::string& rest,
                                  std::string& error) {
    Cursor cursor(rest);
    if (key == "info") {
        std::vector<std::string> output;
        return InfoCommand(device, "set", cursor, output, error);
    }
    if (key == "remove" || key == "add") {
        std::vector<std::string> output;
        return InfoCommand(device, key, cursor, output, error);
    }
    if (key == "power") {
        if (rest != "on" && rest != "off") {
            error = "power is on or off";
            return false;
        }
        if (rest == "off") {
            PowerOff(device);
        } else {
            PowerOn(device);
        }
        return true;
    }
    if (key == "melody") {
        if (rest != "on" && rest != "off") {
            error = "melody is on or off";
            return false;
        }
        device.melody = rest == "on";
        return true;
    }
    return SetValue(*this, device, key, rest, error);
}

bool Farm::Execute(const std::string& line, std::vector<std::string>& output, std::string& error) {
    Cursor cursor(line);
    const std::string command = cursor.Word();
    if (command.empty()) {
        error = "empty command";
        return false;
    }
    if (command == "help") {
        std::string text = kHelp;
        std::size_t start = 0;
        while (start < text.size()) {
            const std::size_t end = std::min(text.find('\n', start), text.size());
            output.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        return true;
    }
    if (command == "quit") {
        RequestStop(0);
        return true;
    }
    if (command == "list") {
        for (auto& device : devices_) {
            output.push_back(std::to_string(device->index) + " " + device->ipv4.Text() + " " +
                             (device->ipv6 ? device->ipv6->Text() : std::string("-")) + " " + device->mac +
                             " " + device->hostname + " " + device->family + " " + PowerName(device->power) +
                             " " + device->model);
        }
        return true;
    }

    static const std::set<std::string> kDeviceCommands = {"show", "set",      "info",   "state",
                                                          "wake", "poweroff", "reboot", "log"};
    if (kDeviceCommands.count(command) == 0) {
        error = "unknown command " + command + " (try help)";
        return false;
    }
    std::vector<Device*> devices;
    if (!SelectDevices(cursor.Word(), devices, error)) {
        return false;
    }
    const bool single = devices.size() == 1;
    Device& first = *devices.front();

    if (command == "show" && single) {
        output.push_back("index " + std::to_string(first.index));
        output.push_back("ipv4 " + first.ipv4.Text());
        output.push_back("ipv6 " + (first.ipv6 ? first.ipv6->Text() : std::string("-")));
        output.push_back("mac " + first.mac);
        output.push_back("hostname " + first.hostname);
        output.push_back("description " + first.description);
        output.push_back("family " + first.family);
        output.push_back("model " + first.model);
        output.push_back("firmware " + first.firmware);
        output.push_back("password " + first.password);
        output.push_back(std::string("power ") + PowerName(first.power));
        output.push_back(std::string("melody ") + (first.melody ? "on" : "off"));
        for (const std::string& knob : first.knobs.Describe()) {
            output.push_back(knob);
        }
        return true;
    }
    if (command == "set") {
        const std::string name = cursor.Word();
        const std::string value = cursor.Rest();
        if (name.empty()) {
            error = "set DEV KNOB VALUE";
            return false;
        }
        for (Device* device : devices) {
            if (!SetValue(*this, *device, name, value, error)) {
                return false;
            }
        }
        return true;
    }
    if (command == "info") {
        const std::string verb = cursor.Word();
        if (!single && verb != "set" && verb != "remove" && verb != "add") {
            error = "info " + verb + " needs one device";
            return false;
        }
        for (Device* device : devices) {
            Cursor again(line);
            again.Word();
            again.Word();
            again.Word();
            if (!InfoCommand(*device, verb, again, output, error)) {
                return false;
            }
        }
        if (!single && verb == "remove") {
            output.clear();
        }
        return true;
    }
    if (command == "state" && single) {
        output.push_back(std::string("power ") + PowerName(first.power));
        output.push_back(std::string("melody ") + (first.melody ? "on" : "off"));
        if (first.lastImage) {
            output.push_back("firmware " + first.lastImage->name + " " +
                             std::to_string(first.lastImage->size) + " " + first.lastImage->md5);
        }
        return true;
    }
    if (command == "wake" || command == "poweroff" || command == "reboot") {
        for (Device* device : devices) {
            if (command == "wake") {
                PowerOn(*device);
            } else if (command == "poweroff") {
                PowerOff(*device);
            } else {
                Reboot(*device);
            }
        }
        return true;
    }
    if (command == "log") {
        const std::string verb = LowerCase(cursor.Word());
        if (verb == "clear") {
            for (Device* device : devices) {
                device->log.clear();
            }
            return true;
        }
        if (!verb.empty()) {
            error = "log DEV [clear]";
            return false;
        }
        if (!single) {
            error = "log needs one device";
            return false;
        }
        output.assign(first.log.begin(), first.log.end());
        return true;
    }
    if (command == "show" || command == "state") {
        error = command + " needs one device";
        return false;
    }
    error = "unknown command " + command + " (try help)";
    return false;
}

} // namespace KorvaneSim
