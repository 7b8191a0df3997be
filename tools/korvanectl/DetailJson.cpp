#include "DetailJson.h"

#include "JsonValues.h"
#include "admin/DetailReport.h"
#include "admin/InfoColumnTable.h"
#include "admin/InfoValues.h"

#include <string_view>

namespace Korvanectl {
namespace {

using Korvane::CInfoValues;

struct Field {
    const char* pszKey;
    const char* pszXpath;
};

nlohmann::json Text(const CInfoValues& values, std::string_view xpath) {
    return JsonValues::TextOrNull(values.Text(xpath));
}

nlohmann::json Number(const CInfoValues& values, std::string_view xpath) {
    return JsonValues::NumberOrNull(values.Text(xpath));
}

nlohmann::json Attribute(const CInfoValues& values, std::string_view xpath, std::string_view name) {
    return JsonValues::TextOrNull(values.Attribute(xpath, name));
}

// A switch of the device: its attribute enable="true" (any case); null when the element is missing.
nlohmann::json Switch(const CInfoValues& values, std::string_view xpath) {
    if (!values.Exists(xpath)) {
        return nullptr;
    }
    return CInfoValues::SameText(values.Attribute(xpath, "enable"), "true");
}

nlohmann::json Switches(const CInfoValues& values, std::initializer_list<Field> fields) {
    nlohmann::json switches = nlohmann::json::object();
    for (const Field& field : fields) {
        switches[field.pszKey] = Switch(values, field.pszXpath);
    }
    return switches;
}

nlohmann::json Texts(const CInfoValues& values, std::initializer_list<Field> fields) {
    nlohmann::json texts = nlohmann::json::object();
    for (const Field& field : fields) {
        texts[field.pszKey] = Text(values, field.pszXpath);
    }
    return texts;
}

nlohmann::json UpsBattery(const CInfoValues& values) {
    const std::string status = values.Attribute(Korvane::InfoPath::UPS, "status");
    if (CInfoValues::SameText(status, "disconnect") || CInfoValues::SameText(status, "unknown")) {
        return nullptr;
    }
    return Number(values, std::string(Korvane::InfoPath::UPS) + "/battery");
}

nlohmann::json System(const CInfoValues& values) {
    nlohmann::json usbPorts = nlohmann::json::array();
    for (const CInfoValues& port : values.Each("volume/usb[@mode='netusb']")) {
        if (const nlohmann::json number = JsonValues::NumberOrNull(port.Attribute(".", "port"));
            !number.is_null()) {
            usbPorts.push_back(number);
        }
    }
    return {{"product", Text(values, Korvane::InfoPath::PRODUCT_NAME)},
            {"firmware", Text(values, "product/firmware")},
            {"services", Switches(values, {{"windows", "network/shareservice/msshare"},
                                           {"mac", "network/shareservice/appleshare"},
                                           {"ftp", "network/shareservice/ftp"},
                                           {"dlna", "network/shareservice/dlna"},
                                           {"backup", "network/shareservice/backup"},
                                           {"quota", "network/shareservice/quota"}})},
            {"raidLevel", Text(values, Korvane::InfoPath::RAID_LEVEL)},
            {"netUsbPorts", usbPorts},
            {"quickCopyFolder", Text(values, "volume/usb[@mode='quickcopy']/quickcopy")},
            {"backupSchedule", values.Exists("backup/joblist/job/schedule[@enable='true']")},
            {"ecoMinutes", Number(values, std::string(Korvane::InfoPath::ECO) + "/defaulttime/minute")},
            {"lampBrightness", Text(values, "system/led")},
            {"powerSchedule", values.Exists("system/powerschedule/dayschedule/ontime[@enable='true']") ||
                                  values.Exists("system/powerschedule/dayschedule/offtime[@enable='true']")},
            {"firmwareUpdateNotice", Switch(values, "system/firmwareupdate")},
            {"temperature", Number(values, Korvane::InfoPath::TEMPERATURE)},
            {"ups", Attribute(values, Korvane::InfoPath::UPS, "status")},
            {"upsBattery", UpsBattery(values)},
            {"upsWarning", Switch(values, "system/ups/warning")}};
}

// Total and used bytes of a capacity element.
void AddCapacity(nlohmann::json& object, const CInfoValues& values, const std::string& capacity) {
    object["totalBytes"] = Number(values, capacity + "/total");
    object["usedBytes"] = Number(values, capacity + "/use");
}

nlohmann::json Raid(const CInfoValues& values) {
    nlohmann::json disks = nlohmann::json::array();
    for (const CInfoValues& port : values.Each("raid/hddlist/port")) {
        disks.push_back({{"port", JsonValues::NumberOrNull(port.Attribute(".", "number"))},
                         {"status", Attribute(port, "device/disk", "status")},
                         {"vendor", Text(port, "device/disk/scsiinfo/vendor")},
                         {"model", Text(port, "device/disk/scsiinfo/name")},
                         {"firmware", Text(port, "device/disk/scsiinfo/firmware")}});
    }
    nlohmann::json raid = {{"level", Text(values, Korvane::InfoPath::RAID_LEVEL)},
                           {"arrayStatus", Text(values, "raid/status/detail[@type='raid']/param")},
                           {"volumeStatus", Text(values, "raid/status/detail[@type='raidvol']/param")}};
    AddCapacity(raid, values, "raid/capacity");
    raid["disks"] = disks;
    return raid;
}

// "base[@attribute='n']".
std::string Numbered(std::string_view base, std::string_view attribute, size_t nNumber) {
    return std::string(base) + "[@" + std::string(attribute) + "='" + std::to_string(nNumber) + "']";
}

// The ports of one kind (eSATA or USB), numbered from 1 as the report numbers them (so no text of
// the device ever becomes part of a path), with the volume mode and the disk of each.
nlohmann::json ExternalPorts(const CInfoValues& values, std::string_view ports, std::string_view volumes) {
    nlohmann::json list = nlohmann::json::array();
    const size_t nPorts = values.Count(ports);
    for (size_t nPort = 1; nPort <= nPorts; ++nPort) {
        const std::string disk = Numbered(ports, "number", nPort) + "/device/disk";
        nlohmann::json entry = {{"port", nPort},
                                {"mode", Attribute(values, Numbered(volumes, "port", nPort), "mode")},
                                {"diskStatus", Attribute(values, disk, "status")}};
        AddCapacity(entry, values, disk + "/volume/capacity");
        list.push_back(entry);
    }
    return list;
}

nlohmann::json Esata(const Korvane::CKorvaneInfo& info, const CInfoValues& values) {
    if (!Korvane::CDetailReport::HasEsataSection(info)) {
        return nullptr;
    }
    return ExternalPorts(values, "outport/esataport/port", "volume/esata");
}

nlohmann::json Usb(const CInfoValues& values) {
    return ExternalPorts(values, "outport/usbport/port", "volume/usb");
}

constexpr std::string_view kIpv4 = "network/tcpip[not(@family='inet6')]";
constexpr std::string_view kIpv6 = "network/tcpip[@family='inet6'][@enable='true']";

std::string Path(std::string_view head, std::string_view tail) {
    return std::string(head) + std::string(tail);
}

// A DHCP attribute as a switch; null when the port does not say.
nlohmann::json Dhcp(const CInfoValues& values, const std::string& port) {
    const std::string dhcp = values.Attribute(port, "dhcp");
    return dhcp.empty() ? nlohmann::json(nullptr) : nlohmann::json(CInfoValues::SameText(dhcp, "true"));
}

nlohmann::json Port(const CInfoValues& values, std::string_view name) {
    const std::string ipv4 = Path(kIpv4, "/") + std::string(name);
    const std::string ipv6 = Path(kIpv6, "/") + std::string(name);
    const std::string enable = values.Attribute(ipv4, "enable");
    // Older firmware writes "flame/flamesize".
    const nlohmann::json frameSize = Number(values, ipv4 + "/frame/framesize");
    return {{"name", name},
            {"enabled", enable.empty() || CInfoValues::SameText(enable, "true")},
            {"ipv4Dhcp", Dhcp(values, ipv4)},
            {"ipv4Address", Text(values, ipv4 + "/ipsetting/ip")},
            {"ipv4Subnet", Text(values, ipv4 + "/ipsetting/subnet")},
            {"ipv6Dhcp", Dhcp(values, ipv6)},
            {"ipv6Address", Text(values, ipv6 + "/ipsetting/ip")},
            {"ipv6PrefixLength", Number(values, ipv6 + "/ipsetting/prefixlen")},
            {"frameSize", frameSize.is_null() ? Number(values, ipv4 + "/flame/flamesize") : frameSize},
            {"mac", Text(values, ipv4 + "/mac")},
            {"wakeOnLan", Switch(values, ipv4 + "/wol")}};
}

nlohmann::json Network(const CInfoValues& values) {
    nlohmann::json ports = nlohmann::json::array();
    for (std::string_view name : {"lan", "ext"}) {
        if (values.Exists(Path(kIpv4, "/") + std::string(name))) {
            ports.push_back(Port(values, name));
        }
    }
    const std::string common4 = Path(kIpv4, "/common");
    const std::string common6 = Path(kIpv6, "/common");
    const nlohmann::json dns = Text(values, common4 + "/dnssrv");
    nlohmann::json windows =
        Texts(values, {{"workgroup", "network/msnetwork[@method='WG']/wg/workgroup"},
                       {"domain", "network/msnetwork[@method='NT']/nt/domain"},
                       {"netbiosDomain", "network/msnetwork[@method='AD']/ad/netbios"},
                       {"dnsDomain", "network/msnetwork[@method='AD']/ad/fulldns"},
                       {"domainController", "network/msnetwork[@method='NT']/nt/dcname | "
                                            "network/msnetwork[@method='AD']/ad/dcname"},
                       {"administrator", "network/msnetwork[@method='AD']/ad/adminname"},
                       {"winsServer", "network/msnetwork/winssrv"}});
    windows["method"] = Attribute(values, "network/msnetwork", "method");
    return {{"hostName", Text(values, "network/host/name")},
            {"description", Text(values, "network/host/desc")},
            {"ipv6", Switch(values, "network/tcpip[@family='inet6']")},
            {"ports", ports},
            {"ipv4Method", Attribute(values, common4, "type")},
            {"ipv4Gateway", Text(values, common4 + "/gateway")},
            {"ipv6Method", Attribute(values, common6, "type")},
            {"ipv6Gateway", Text(values, common6 + "/gateway")},
            // Without an IPv4 DNS server the IPv6 one is given.
            {"dnsServer", dns.is_null() ? Text(values, common6 + "/dnssrv") : dns},
            {"windowsNetwork", windows}};
}

nlohmann::json Folders(const CInfoValues& values) {
    nlohmann::json folders = nlohmann::json::array();
    for (const CInfoValues& folder : values.Each("share/folder")) {
        nlohmann::json entry = Switches(folder, {{"windows", "shareservice/msshare"},
                                                 {"trash", "shareservice/msshare/trash"},
                                                 {"hidden", "shareservice/msshare/hidden"},
                                                 {"quota", "shareservice/msshare/quota"},
                                                 {"remoteAccess", "shareservice/msshare/remoteaccess"},
                                                 {"mac", "shareservice/appleshare"},
                                                 {"timeMachine", "shareservice/appleshare/timemachine"},
                                                 {"ftp", "shareservice/ftp"},
                                                 {"dlna", "shareservice/dlna"},
                                                 {"readOnly", "permission/readonly"},
                                                 {"noGuest", "shareservice/noguest"},
                                                 {"backup", "permission/backup"}});
        entry.update(Texts(folder, {{"name", "name"}, {"description", "desc"}}));
        folders.push_back(entry);
    }
    return folders;
}

nlohmann::json Users(const CInfoValues& values) {
    nlohmann::json users = nlohmann::json::array();
    for (const CInfoValues& user : values.Each("userlist/user")) {
        users.push_back(Texts(user, {{"name", "name"}, {"fullName", "fullname"}, {"description", "desc"}}));
    }
    return users;
}

nlohmann::json Groups(const CInfoValues& values) {
    nlohmann::json groups = nlohmann::json::array();
    for (const CInfoValues& group : values.Each("grouplist/group")) {
        nlohmann::json members = nlohmann::json::array();
        for (const CInfoValues& member : group.Each("userlist/user")) {
            if (const std::string name = member.Text("."); !name.empty()) {
                members.push_back(name);
            }
        }
        groups.push_back({{"name", Text(group, "name")}, {"members", members}});
    }
    return groups;
}

// The log's lines without their line ends (blank lines say nothing and are left out); null when
// the device sent no log.
nlohmann::json Log(const CInfoValues& values) {
    const std::string log = values.Text("statusinfo/log");
    if (log.empty()) {
        return nullptr;
    }
    nlohmann::json lines = nlohmann::json::array();
    for (size_t nStart = 0; nStart < log.size();) {
        const size_t nFeed = std::min(log.find('\n', nStart), log.size());
        const size_t nEnd = nFeed > nStart && log[nFeed - 1] == '\r' ? nFeed - 1 : nFeed;
        if (nEnd > nStart) {
            lines.push_back(log.substr(nStart, nEnd - nStart));
        }
        nStart = nFeed + 1;
    }
    return lines;
}

} // namespace

nlohmann::json DetailJson::Section(const Korvane::CKorvaneInfo& info, int nSection) {
    const CInfoValues values(info);
    switch (nSection) {
    case Korvane::SECTION_DEVICE:
        return {{"system", System(values)},
                {"volumes", Section(info, Korvane::SECTION_VOLUMES)},
                {"network", Network(values)},
                {"sharing", Section(info, Korvane::SECTION_SHARING)},
                {"log", Log(values)}};
    case Korvane::SECTION_SYSTEM:
        return System(values);
    case Korvane::SECTION_VOLUMES:
        return {{"raid", Raid(values)}, {"esata", Esata(info, values)}, {"usb", Usb(values)}};
    case Korvane::SECTION_RAID:
        return Raid(values);
    case Korvane::SECTION_ESATA:
        return Esata(info, values);
    case Korvane::SECTION_USB:
        return Usb(values);
    case Korvane::SECTION_NETWORK:
        return Network(values);
    case Korvane::SECTION_SHARING:
        return {{"folders", Folders(values)}, {"users", Users(values)}, {"groups", Groups(values)}};
    case Korvane::SECTION_FOLDERS:
        return Folders(values);
    case Korvane::SECTION_USERS:
        return Users(values);
    case Korvane::SECTION_GROUPS:
        return Groups(values);
    default:
        return Log(values);
    }
}

} // namespace Korvanectl
