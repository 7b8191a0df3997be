#include "admin/ValueTexts.h"

#include "admin/Decimal.h"
#include "admin/TextFormat.h"
#include "support/StringTable.h"
#include "support/Utf8.h"

#include <cstdint>
#include <span>

namespace Korvane {
namespace {

using Zelt::CStringTable;

std::string TextOf(int nTextId) {
    return std::string(CStringTable::Text(nTextId));
}

std::string Joined(std::string_view head, std::string_view tail) {
    std::string path(head);
    path += tail;
    return path;
}

struct TextRule {
    std::string_view value;
    int nTextId;
};

// The text of the first rule whose value equals the given one without regard to case; empty
// when none does.
std::string TextByRule(std::string_view value, std::span<const TextRule> rules) {
    for (const TextRule& rule : rules) {
        if (CInfoValues::SameText(value, rule.value)) {
            return TextOf(rule.nTextId);
        }
    }
    return std::string();
}

constexpr TextRule kUpsRules[] = {
    {"disconnect", 22008}, {"", 22008}, {"online", 22006}, {"onbattery", 22007}, {"unknown", 22009},
};

constexpr TextRule kDiskRules[] = {
    {"not_connected", 22001}, {"", 22001},      {"connected", 22000},
    {"waiting", 22002},       {"spare", 22003}, {"cap_shortage", 22004},
    {"disk_fail", 22005},
};

constexpr TextRule kModeRules[] = {
    {"share", 22010},     {"mirror", 22011}, {"mirroring", 22011},
    {"quickcopy", 22012}, {"netusb", 22019}, {"vfsext", 22020},
};

constexpr TextRule kRaidRules[] = {
    {"preparing", 11108}, {"running", 11109}, {"stop", 11110},
    {"degrade", 11111},   {"fail", 11112},    {"crash", 11113},
};

constexpr TextRule kVolumeRules[] = {
    {"preparing", 11108},  {"key_waiting", 11114}, {"running", 11109},
    {"rebuilding", 11115}, {"fail", 11112},        {"mount_fail", 11116},
};

constexpr TextRule kLevelRules[] = {
    {"RAID6", 12201}, {"RAID5", 12202}, {"RAID1", 12203}, {"RAID0", 12204}, {"EXTENDED", 12205},
};

bool IsAnyOf(std::string_view value, std::initializer_list<std::string_view> candidates) {
    for (std::string_view candidate : candidates) {
        if (CInfoValues::SameText(value, candidate)) {
            return true;
        }
    }
    return false;
}

// The one character after the last "_" when it ends the level ("RAID1_2" → "2"); a count of
// ten or more ("RAID10_12") is not shown.
std::string_view DiskCount(std::string_view level) {
    const size_t nUnderscore = level.rfind('_');
    if (nUnderscore == std::string_view::npos || nUnderscore + 1 >= level.size()) {
        return {};
    }
    const Zelt::CUtf8::CodePoint character = Zelt::CUtf8::Decode(level, nUnderscore + 1);
    return nUnderscore + 1 + character.nLength == level.size() ? level.substr(nUnderscore + 1)
                                                               : std::string_view();
}

std::string PercentOf(uint64_t nPart, uint64_t nWhole) {
    // 128 bits, so that part × 100 cannot wrap for any 64-bit byte count.
    const auto nPercent = static_cast<uint64_t>(static_cast<unsigned __int128>(nPart) * 100 / nWhole);
    return std::to_string(nPercent) + "%";
}

} // namespace

std::string CValueTexts::EnableText(const CInfoValues& values, std::string_view xpath) {
    if (!values.Exists(xpath)) {
        return CInfoValues::NoValue();
    }
    return TextOf(CInfoValues::SameText(values.Attribute(xpath, "enable"), "true") ? 11103 : 11104);
}

std::string CValueTexts::GigabyteText(std::string_view bytes) {
    return std::to_string(CDecimal::LeadingUnsigned(bytes) / 1000 / 1000 / 1000) + "GB";
}

std::string CValueTexts::TotalCapacityText(const CInfoValues& values, std::string_view xpath) {
    const std::string total = values.Text(xpath);
    if (total.empty()) {
        return CInfoValues::NoValue();
    }
    return CTextFormat::FormatId(11101, {GigabyteText(total), total});
}

std::string CValueTexts::UsedCapacityText(const CInfoValues& values, std::string_view xpath) {
    const size_t nSlash = xpath.rfind('/');
    const std::string_view parent =
        nSlash == std::string_view::npos ? std::string_view() : xpath.substr(0, nSlash + 1);
    const std::string used = values.Text(xpath);
    const std::string total = values.Text(Joined(parent, "total"));
    const uint64_t nTotal = CDecimal::LeadingUnsigned(total);
    // A total of 0 has no percentage: the device reports no usable volume.
    if (used.empty() || nTotal == 0) {
        return CInfoValues::NoValue();
    }
    return CTextFormat::FormatId(
        11107, {GigabyteText(used), used, PercentOf(CDecimal::LeadingUnsigned(used), nTotal)});
}

std::string CValueTexts::EcoTimeText(const CInfoValues& values, std::string_view xpath) {
    const std::string minutes = values.Text(Joined(xpath, "/defaulttime/minute"));
    if (minutes.empty()) {
        return CInfoValues::NoValue();
    }
    if (minutes == "0") {
        return TextOf(11104);
    }
    return minutes == "60" ? TextOf(11106) : CTextFormat::FormatId(11105, {minutes});
}

std::string CValueTexts::TemperatureText(const CInfoValues& values, std::string_view xpath) {
    const std::string degrees = values.Text(xpath);
    return degrees.empty() ? CInfoValues::NoValue() : CTextFormat::FormatId(11102, {degrees});
}

std::string CValueTexts::UpsText(const CInfoValues& values, std::string_view xpath) {
    return TextByRule(values.Attribute(xpath, "status"), kUpsRules);
}

std::string CValueTexts::SmartText(const CInfoValues& values, std::string_view xpath) {
    if (!values.Exists(xpath)) {
        return CInfoValues::NoValue();
    }
    for (const CInfoValues& smart : values.Each("raid/hddlist/port/device/disk/smart")) {
        if (CInfoValues::SameText(smart.Text("."), "NG")) {
            return TextOf(11125);
        }
    }
    return TextOf(11124);
}

std::string CValueTexts::NetworkNameText(const CInfoValues& values, std::string_view xpath) {
    const std::string method = values.Attribute(xpath, "method");
    std::string_view namePath;
    if (method == "WG") {
        namePath = "/wg/workgroup";
    } else if (method == "NT") {
        namePath = "/nt/domain";
    } else if (method == "AD") {
        namePath = "/ad/netbios";
    } else {
        return CInfoValues::NoValue();
    }
    return values.TextOrNoValue(Joined(xpath, namePath));
}

std::string CValueTexts::RaidLevelText(std::string_view level) {
    if (level == CInfoValues::NoValue()) {
        return std::string(level);
    }
    std::string text;
    if (level.starts_with("ENC_")) {
        text += CStringTable::Text(12200);
    }
    for (const TextRule& rule : kLevelRules) {
        if (level.find(rule.value) != std::string_view::npos) {
            text += CStringTable::Text(rule.nTextId);
            break;
        }
    }
    if (level.find("+S") != std::string_view::npos) {
        text += CStringTable::Text(12206);
    }
    const std::string_view count = DiskCount(level);
    if (!count.empty()) {
        text += CTextFormat::FormatId(12207, {count});
    }
    return text;
}

std::string CValueTexts::RaidStatusText(std::string_view status) {
    return TextByRule(status, kRaidRules);
}

std::string CValueTexts::VolumeStatusText(std::string_view status) {
    return TextByRule(status, kVolumeRules);
}

std::string CValueTexts::CombinedRaidStateText(const CInfoValues& values, std::string_view xpath) {
    const std::string raid = values.Text(Joined(xpath, "/detail[@type='raid']/param"));
    const std::string volume = values.Text(Joined(xpath, "/detail[@type='raidvol']/param"));
    const std::string raidText = RaidStatusText(raid);
    const std::string volumeText = VolumeStatusText(volume);
    if (raidText.empty() && volumeText.empty()) {
        return CInfoValues::NoValue();
    }
    // A stopped or broken array says all; a running one is as good as its volume.
    if (IsAnyOf(raid, {"preparing", "crash", "fail", "stop"})) {
        return raidText;
    }
    if (CInfoValues::SameText(raid, "running")) {
        return volumeText;
    }
    return IsAnyOf(volume, {"preparing", "running"}) ? raidText : raidText + "/" + volumeText;
}

std::string CValueTexts::DiskStateText(const CInfoValues& values, std::string_view xpath) {
    return TextByRule(values.Attribute(xpath, "status"), kDiskRules);
}

std::string CValueTexts::OperationModeText(const CInfoValues& values, std::string_view xpath) {
    return TextByRule(values.Attribute(xpath, "mode"), kModeRules);
}

std::string CValueTexts::AddressMethodText(const CInfoValues& values, std::string_view xpath,
                                           bool bNamedPorts) {
    const std::string type = values.Attribute(xpath, "type");
    if (type.empty()) {
        return CInfoValues::NoValue();
    }
    if (type == "LAN") {
        return TextOf(bNamedPorts ? 22014 : 22016);
    }
    if (type == "EXT") {
        return TextOf(bNamedPorts ? 22015 : 22017);
    }
    return type == "CUSTOM" ? TextOf(22018) : std::string();
}

std::string CValueTexts::DhcpText(const CInfoValues& values, std::string_view xpath) {
    const std::string dhcp = values.Attribute(xpath, "dhcp");
    if (dhcp.empty()) {
        return CInfoValues::NoValue();
    }
    return TextOf(CInfoValues::SameText(dhcp, "true") ? 11103 : 11104);
}

std::string CValueTexts::LampBrightnessText(const CInfoValues& values, std::string_view xpath) {
    const std::string brightness = values.Text(xpath);
    if (brightness.empty()) {
        return CInfoValues::NoValue();
    }
    if (CInfoValues::SameText(brightness, "high")) {
        return TextOf(21600);
    }
    return TextOf(CInfoValues::SameText(brightness, "middle") ? 21601 : 21602);
}

std::string CValueTexts::PercentText(std::string_view value) {
    return value.empty() ? CInfoValues::NoValue() : CTextFormat::Format("%s%%", {value});
}

std::string CValueTexts::PortListText(const CInfoValues& values, std::string_view xpath) {
    const std::vector<CInfoValues> ports = values.Each(xpath);
    if (ports.empty()) {
        return TextOf(11104);
    }
    std::string list;
    for (const CInfoValues& port : ports) {
        if (!list.empty()) {
            list += CStringTable::Text(21400);
        }
        list += CTextFormat::FormatId(21502, {port.Attribute(".", "port")});
    }
    return CTextFormat::FormatId(21501, {list});
}

} // namespace Korvane
