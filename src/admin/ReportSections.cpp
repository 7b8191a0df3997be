#include "admin/ReportSections.h"

#include "admin/InfoColumnTable.h"
#include "admin/ReportWriter.h"
#include "admin/TextFormat.h"
#include "admin/ValueTexts.h"
#include "support/StringTable.h"

#include <initializer_list>
#include <span>
#include <string_view>

namespace Korvane {
namespace {

using Zelt::CStringTable;
namespace Text = Zelt::Text;

// A line whose value is the enable text of an element.
struct EnableLine {
    int nLevel;
    int nLabelId;
    std::string_view xpath;
};

constexpr EnableLine kShareServices[] = {
    {1, Text::DetailLabelMsShare, "network/shareservice/msshare"},
    {1, Text::DetailLabelAppleShare, "network/shareservice/appleshare"},
    {1, Text::DetailLabelFtp, "network/shareservice/ftp"},
    {1, Text::DetailLabelDlna, "network/shareservice/dlna"},
    {1, Text::DetailLabelNetworkBackup, "network/shareservice/backup"},
    {1, Text::DetailLabelQuota, "network/shareservice/quota"},
};

constexpr EnableLine kFolderMsShare = {2, Text::DetailLabelFolderMsShare, "shareservice/msshare"};
constexpr EnableLine kFolderMsShareOptions[] = {
    {3, Text::DetailLabelRecycleBin, "shareservice/msshare/trash"},
    {3, Text::DetailLabelHiddenShare, "shareservice/msshare/hidden"},
    {3, Text::DetailLabelFolderQuota, "shareservice/msshare/quota"},
    {3, Text::DetailLabelRemoteAccess, "shareservice/msshare/remoteaccess"},
};
constexpr EnableLine kFolderAppleShare = {2, Text::DetailLabelFolderAppleShare, "shareservice/appleshare"};
constexpr EnableLine kFolderAppleShareOptions[] = {
    {3, Text::DetailLabelTimeMachine, "shareservice/appleshare/timemachine"}};
constexpr EnableLine kFolderAccess[] = {
    {2, Text::DetailLabelFolderFtp, "shareservice/ftp"},
    {2, Text::DetailLabelFolderDlna, "shareservice/dlna"},
    {2, Text::DetailLabelReadOnly, "permission/readonly"},
    {2, Text::DetailLabelDenyGuests, "shareservice/noguest"},
    {2, Text::DetailLabelFolderBackup, "permission/backup"},
};

// Writes the line; true when it says 有効.
bool WriteEnableLine(CReportWriter& writer, const CInfoValues& values, const EnableLine& line) {
    const std::string text = CValueTexts::EnableText(values, line.xpath);
    writer.Line(line.nLevel, line.nLabelId, text);
    return text == CStringTable::Text(Text::Enabled);
}

void WriteEnableLines(CReportWriter& writer, const CInfoValues& values, std::span<const EnableLine> lines) {
    for (const EnableLine& line : lines) {
        WriteEnableLine(writer, values, line);
    }
}

// 有効 when any of the paths selects something (their predicates ask for enable="true").
std::string EnabledWhenAny(const CInfoValues& values, std::initializer_list<std::string_view> xpaths) {
    for (std::string_view xpath : xpaths) {
        if (values.Exists(xpath)) {
            return std::string(CStringTable::Text(Text::Enabled));
        }
    }
    return std::string(CStringTable::Text(Text::Disabled));
}

std::string QuickCopyText(const CInfoValues& values) {
    constexpr std::string_view kQuickCopy = "volume/usb[@mode='quickcopy']/quickcopy";
    if (!values.Exists(kQuickCopy)) {
        return std::string(CStringTable::Text(Text::Disabled));
    }
    const std::string folder = values.Text(kQuickCopy);
    return CTextFormat::FormatId(Text::EnabledForFolder, {folder});
}

// No battery level while the UPS is away or in an unknown state.
std::string UpsBatteryText(const CInfoValues& values) {
    const std::string status = values.Attribute(InfoPath::UPS, "status");
    if (CInfoValues::SameText(status, "disconnect") || CInfoValues::SameText(status, "unknown")) {
        return CInfoValues::NoValue();
    }
    return CValueTexts::PercentText(values.Text(std::string(InfoPath::UPS) + "/battery"));
}

// "base[@attribute='n']".
std::string Numbered(std::string_view base, std::string_view attribute, size_t nNumber) {
    return std::string(base) + "[@" + std::string(attribute) + "='" + std::to_string(nNumber) + "']";
}

void WriteCapacityBlock(CReportWriter& writer, const CInfoValues& values, const std::string& capacity) {
    writer.Verbatim(Text::DetailLinesVolume, {CValueTexts::TotalCapacityText(values, capacity + "/total"),
                                              CValueTexts::UsedCapacityText(values, capacity + "/use")});
}

} // namespace

// The element names of one kind of external port.
struct CReportSections::ExternalPorts {
    int nTitleId;
    int nHeadingId;
    std::string_view ports;
    std::string_view volumes;
};

std::string CReportSections::ExternalVolumes(const ExternalPorts& kind) const {
    CReportWriter writer = Writer(kind.nTitleId);
    const size_t nPorts = m_values.Count(kind.ports);
    for (size_t nPort = 1; nPort <= nPorts; ++nPort) {
        writer.Verbatim(kind.nHeadingId, {std::to_string(nPort)});
        writer.Line(1, Text::DetailLabelRaidMode,
                    CValueTexts::OperationModeText(m_values, Numbered(kind.volumes, "port", nPort)));
        const std::string disk = Numbered(kind.ports, "number", nPort) + "/device/disk";
        const std::string state = CValueTexts::DiskStateText(m_values, disk);
        writer.Line(1, Text::DetailLabelRaidStatus, state);
        if (state != CStringTable::Text(Text::DiskNotConnected)) {
            WriteCapacityBlock(writer, m_values, disk + "/volume/capacity");
        }
    }
    return writer.Finish();
}

bool CReportSections::IsXFamily(const CInfoValues& values) {
    return values.Text(InfoPath::PRODUCT_NAME).starts_with("QRX-X");
}

std::string CReportSections::System() const {
    CReportWriter writer = Writer(Text::DetailTitleSystem);
    writer.Line(1, Text::DetailLabelProduct, m_values.Text(InfoPath::PRODUCT_NAME))
        .Line(1, Text::DetailLabelFirmware, m_values.Text("product/firmware"));
    WriteEnableLines(writer, m_values, kShareServices);
    writer
        .Line(1, Text::DetailLabelVolumeMode, CValueTexts::RaidLevelText(m_values.Text(InfoPath::RAID_LEVEL)))
        .Line(1, Text::DetailLabelNetUsb, CValueTexts::PortListText(m_values, "volume/usb[@mode='netusb']"))
        .Line(1, Text::DetailLabelQuickCopy, QuickCopyText(m_values))
        .Line(1, Text::DetailLabelBackupSchedule,
              EnabledWhenAny(m_values, {"backup/joblist/job/schedule[@enable='true']"}))
        .Line(1, Text::DetailLabelDiskPowerSaving, CValueTexts::EcoTimeText(m_values, InfoPath::ECO))
        .Line(1, Text::DetailLabelLampBrightness, CValueTexts::LampBrightnessText(m_values, "system/led"))
        .Line(1, Text::DetailLabelPowerOnSchedule,
              EnabledWhenAny(m_values, {"system/powerschedule/dayschedule/ontime[@enable='true']",
                                        "system/powerschedule/dayschedule/offtime[@enable='true']"}))
        .Line(1, Text::DetailLabelFirmwareNotice, CValueTexts::EnableText(m_values, "system/firmwareupdate"))
        .Line(1, Text::DetailLabelTemperature, CValueTexts::TemperatureText(m_values, InfoPath::TEMPERATURE))
        .Verbatim(Text::DetailLineUps, {CValueTexts::UpsText(m_values, InfoPath::UPS)})
        .Line(1, Text::DetailLabelUpsBattery, UpsBatteryText(m_values))
        .Line(1, Text::DetailLabelUpsWarning, CValueTexts::EnableText(m_values, "system/ups/warning"));
    return writer.Finish();
}

std::string CReportSections::Raid() const {
    CReportWriter writer = Writer(Text::DetailTitleRaid);
    writer.Line(1, Text::DetailLabelRaidMode, CValueTexts::RaidLevelText(m_values.Text(InfoPath::RAID_LEVEL)))
        .Line(1, Text::DetailLabelRaidStatus, CValueTexts::CombinedRaidStateText(m_values, "raid/status"));
    WriteCapacityBlock(writer, m_values, "raid/capacity");
    writer.Verbatim(Text::DetailLineDisks);
    const size_t nPorts = m_values.Count("raid/hddlist/port");
    for (size_t nPort = 1; nPort <= nPorts; ++nPort) {
        const std::string disk = Numbered("raid/hddlist/port", "number", nPort) + "/device/disk";
        writer.Verbatim(Text::DetailLineInternalDisk,
                        {std::to_string(nPort), CValueTexts::DiskStateText(m_values, disk),
                         m_values.Text(disk + "/scsiinfo/vendor"), m_values.Text(disk + "/scsiinfo/name"),
                         m_values.Text(disk + "/scsiinfo/firmware")});
    }
    return writer.Finish();
}

std::string CReportSections::EsataVolumes() const {
    return ExternalVolumes({Text::DetailTitleEsataVolumes, Text::DetailLineEsataVolume,
                            "outport/esataport/port", "volume/esata"});
}

std::string CReportSections::UsbVolumes() const {
    return ExternalVolumes(
        {Text::DetailTitleUsbVolumes, Text::DetailLineUsbVolume, "outport/usbport/port", "volume/usb"});
}

std::string CReportSections::ShareFolders() const {
    CReportWriter writer = Writer(Text::DetailTitleSharedFolders);
    for (const CInfoValues& folder : m_values.Each("share/folder")) {
        writer.Verbatim(Text::DetailLineSharedFolder, {folder.Text("name")})
            .Line(2, Text::DetailLabelFolderDescription, folder.Text("desc"));
        // The options of a service are listed only while the service is on.
        if (WriteEnableLine(writer, folder, kFolderMsShare)) {
            WriteEnableLines(writer, folder, kFolderMsShareOptions);
        }
        if (WriteEnableLine(writer, folder, kFolderAppleShare)) {
            WriteEnableLines(writer, folder, kFolderAppleShareOptions);
        }
        WriteEnableLines(writer, folder, kFolderAccess);
    }
    return writer.Finish();
}

std::string CReportSections::Users() const {
    CReportWriter writer = Writer(Text::DetailTitleUsers);
    for (const CInfoValues& user : m_values.Each("userlist/user")) {
        writer.Verbatim(Text::DetailLineUser, {user.Text("name")})
            .Line(2, Text::DetailLabelFullName, user.Text("fullname"))
            .Line(2, Text::DetailLabelUserDescription, user.Text("desc"));
    }
    return writer.Finish();
}

std::string CReportSections::Groups() const {
    CReportWriter writer = Writer(Text::DetailTitleGroups);
    for (const CInfoValues& group : m_values.Each("grouplist/group")) {
        writer.Verbatim(Text::DetailLineGroup, {group.Text("name")});
        for (const CInfoValues& member : group.Each("userlist/user")) {
            writer.Line(2, Text::DetailLabelMembers, member.Text("."));
        }
    }
    return writer.Finish();
}

std::string CReportSections::Log() const {
    CReportWriter writer = Writer(Text::DetailTitleLog);
    writer.Lines(m_values.TextOrNoValue("statusinfo/log"));
    return writer.Finish();
}

} // namespace Korvane
