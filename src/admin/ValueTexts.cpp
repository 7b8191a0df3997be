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
namespace Text = Zelt::Text;

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
    {"disconnect", Text::UpsNotConnected}, {"", Text::UpsNotConnected},   {"online", Text::UpsNormal},
    {"onbattery", Text::UpsOnBattery},     {"unknown", Text::UpsUnknown},
};

constexpr TextRule kDiskRules[] = {
    {"not_connected", Text::DiskNotConnected},
    {"", Text::DiskNotConnected},
    {"connected", Text::DiskConnected},
    {"waiting", Text::DiskStandby},
    {"spare", Text::DiskSpare},
    {"cap_shortage", Text::DiskTooSmall},
    {"disk_fail", Text::DiskFailed},
};

constexpr TextRule kModeRules[] = {
    {"share", Text::VolumeModeShared},        {"mirror", Text::VolumeModeMirroring},
    {"mirroring", Text::VolumeModeMirroring}, {"quickcopy", Text::VolumeModeQuickCopy},
    {"netusb", Text::VolumeModeNetUsb},       {"vfsext", Text::VolumeModeSpanned},
};

constexpr TextRule kRaidRules[] = {
    {"preparing", Text::RaidStatePreparing}, {"running", Text::RaidStateNormal},
    {"stop", Text::RaidStateStopped},        {"degrade", Text::RaidStateDegraded},
    {"fail", Text::RaidStateFailed},         {"crash", Text::RaidStateBroken},
};

constexpr TextRule kVolumeRules[] = {
    {"preparing", Text::RaidStatePreparing}, {"key_waiting", Text::RaidStateAwaitingKey},
    {"running", Text::RaidStateNormal},      {"rebuilding", Text::RaidStateRebuilding},
    {"fail", Text::RaidStateFailed},         {"mount_fail", Text::RaidStateMountFailed},
};

constexpr TextRule kLevelRules[] = {
    {"RAID6", Text::RaidLevel6}, {"RAID5", Text::RaidLevel5},     {"RAID1", Text::RaidLevel1},
    {"RAID0", Text::RaidLevel0}, {"EXTENDED", Text::RaidSpanned},
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
    return TextOf(CInfoValues::SameText(values.Attribute(xpath, "enable"), "true") ? Text::Enabled
                                                                                   : Text::Disabled);
}

std::string CValueTexts::GigabyteText(std::string_view bytes) {
    return std::to_string(CDecimal::LeadingUnsigned(bytes) / 1000 / 1000 / 1000) + "GB";
}

std::string CValueTexts::TotalCapacityText(const CInfoValues& values, std::string_view xpath) {
    const std::string total = values.Text(xpath);
    if (total.empty()) {
        return CInfoValues::NoValue();
    }
    return CTextFormat::FormatId(Text::CapacityWithBytes, {GigabyteText(total), total});
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
        Text::UsageWithBytes, {GigabyteText(used), used, PercentOf(CDecimal::LeadingUnsigned(used), nTotal)});
}

std::string CValueTexts::EcoTimeText(const CInfoValues& values, std::string_view xpath) {
    const std::string minutes = values.Text(Joined(xpath, "/defaulttime/minute"));
    if (minutes.empty()) {
        return CInfoValues::NoValue();
    }
    if (minutes == "0") {
        return TextOf(Text::Disabled);
    }
    return minutes == "60" ? TextOf(Text::AfterOneHour)
                           : CTextFormat::FormatId(Text::AfterMinutes, {minutes});
}

std::string CValueTexts::TemperatureText(const CInfoValues& values, std::string_view xpath) {
    const std::string degrees = values.Text(xpath);
    return degrees.empty() ? CInfoValues::NoValue()
                           : CTextFormat::FormatId(Text::TemperatureCelsius, {degrees});
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
            return TextOf(Text::SmartNg);
        }
    }
    return TextOf(Text::SmartOk);
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
        text += CStringTable::Text(Text::RaidEncrypted);
    }
    for (const TextRule& rule : kLevelRules) {
        if (level.find(rule.value) != std::string_view::npos) {
            text += CStringTable::Text(rule.nTextId);
            break;
        }
    }
    if (level.find("+S") != std::string_view::npos) {
        text += CStringTable::Text(Text::RaidWithSpare);
    }
    const std::string_view count = DiskCount(level);
    if (!count.empty()) {
        text += CTextFormat::FormatId(Text::RaidDiskCount, {count});
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
        return TextOf(bNamedPorts ? Text::AddressFromLan : Text::AddressFromLan1);
    }
    if (type == "EXT") {
        return TextOf(bNamedPorts ? Text::AddressFromExt : Text::AddressFromLan2);
    }
    return type == "CUSTOM" ? TextOf(Text::AddressManual) : std::string();
}

std::string CValueTexts::DhcpText(const CInfoValues& values, std::string_view xpath) {
    const std::string dhcp = values.Attribute(xpath, "dhcp");
    if (dhcp.empty()) {
        return CInfoValues::NoValue();
    }
    return TextOf(CInfoValues::SameText(dhcp, "true") ? Text::Enabled : Text::Disabled);
}

std::string CValueTexts::LampBrightnessText(const CInfoValues& values, std::string_view xpath) {
    const std::string brightness = values.Text(xpath);
    if (brightness.empty()) {
        return CInfoValues::NoValue();
    }
    if (CInfoValues::SameText(brightness, "high")) {
        return TextOf(Text::LampBright);
    }
    return TextOf(CInfoValues::SameText(brightness, "middle") ? Text::LampMedium : Text::LampDim);
}

std::string CValueTexts::PercentText(std::string_view value) {
    return value.empty() ? CInfoValues::NoValue() : CTextFormat::Format("%s%%", {value});
}

std::string CValueTexts::PortListText(const CInfoValues& values, std::string_view xpath) {
    const std::vector<CInfoValues> ports = values.Each(xpath);
    if (ports.empty()) {
        return TextOf(Text::Disabled);
    }
    std::string list;
    for (const CInfoValues& port : ports) {
        if (!list.empty()) {
            list += CStringTable::Text(Text::ListSeparator);
        }
        list += CTextFormat::FormatId(Text::UsbPort, {port.Attribute(".", "port")});
    }
    return CTextFormat::FormatId(Text::EnabledOnPorts, {list});
}

} // namespace Korvane
