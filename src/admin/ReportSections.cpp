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

// A line whose value is the enable text of an element.
struct EnableLine {
    int nLevel;
    int nLabelId;
    std::string_view xpath;
};

constexpr EnableLine kShareServices[] = {
    {1, 21002, "network/shareservice/msshare"}, {1, 21003, "network/shareservice/appleshare"},
    {1, 21004, "network/shareservice/ftp"},     {1, 21005, "network/shareservice/dlna"},
    {1, 21006, "network/shareservice/backup"},  {1, 21007, "network/shareservice/quota"},
};

constexpr EnableLine kFolderMsShare = {2, 21302, "shareservice/msshare"};
constexpr EnableLine kFolderMsShareOptions[] = {
    {3, 21303, "shareservice/msshare/trash"},
    {3, 21304, "shareservice/msshare/hidden"},
    {3, 21305, "shareservice/msshare/quota"},
    {3, 21306, "shareservice/msshare/remoteaccess"},
};
constexpr EnableLine kFolderAppleShare = {2, 21307, "shareservice/appleshare"};
constexpr EnableLine kFolderAppleShareOptions[] = {{3, 21308, "shareservice/appleshare/timemachine"}};
constexpr EnableLine kFolderAccess[] = {
    {2, 21309, "shareservice/ftp"},     {2, 21310, "shareservice/dlna"}, {2, 21311, "permission/readonly"},
    {2, 21312, "shareservice/noguest"}, {2, 21313, "permission/backup"},
};

// Writes the line; true when it says 有効.
bool WriteEnableLine(CReportWriter& writer, const CInfoValues& values, const EnableLine& line) {
    const std::string text = CValueTexts::EnableText(values, line.xpath);
    writer.Line(line.nLevel, line.nLabelId, text);
    return text == CStringTable::Text(11103);
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
            return std::string(CStringTable::Text(11103));
        }
    }
    return std::string(CStringTable::Text(11104));
}

std::string QuickCopyText(const CInfoValues& values) {
    constexpr std::string_view kQuickCopy = "volume/usb[@mode='quickcopy']/quickcopy";
    if (!values.Exists(kQuickCopy)) {
        return std::string(CStringTable::Text(11104));
    }
    const std::string folder = values.Text(kQuickCopy);
    return CTextFormat::FormatId(21500, {folder});
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
    writer.Verbatim(21102, {CValueTexts::TotalCapacityText(values, capacity + "/total"),
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
        writer.Line(1, 21100,
                    CValueTexts::OperationModeText(m_values, Numbered(kind.volumes, "port", nPort)));
        const std::string disk = Numbered(kind.ports, "number", nPort) + "/device/disk";
        const std::string state = CValueTexts::DiskStateText(m_values, disk);
        writer.Line(1, 21101, state);
        if (state != CStringTable::Text(22001)) {
            WriteCapacityBlock(writer, m_values, disk + "/volume/capacity");
        }
    }
    return writer.Finish();
}

bool CReportSections::IsXFamily(const CInfoValues& values) {
    return values.Text(InfoPath::PRODUCT_NAME).starts_with("QRX-X");
}

std::string CReportSections::System() const {
    CReportWriter writer = Writer(20001);
    writer.Line(1, 21000, m_values.Text(InfoPath::PRODUCT_NAME))
        .Line(1, 21001, m_values.Text("product/firmware"));
    WriteEnableLines(writer, m_values, kShareServices);
    writer.Line(1, 21008, CValueTexts::RaidLevelText(m_values.Text(InfoPath::RAID_LEVEL)))
        .Line(1, 21009, CValueTexts::PortListText(m_values, "volume/usb[@mode='netusb']"))
        .Line(1, 21010, QuickCopyText(m_values))
        .Line(1, 21011, EnabledWhenAny(m_values, {"backup/joblist/job/schedule[@enable='true']"}))
        .Line(1, 21012, CValueTexts::EcoTimeText(m_values, InfoPath::ECO))
        .Line(1, 21013, CValueTexts::LampBrightnessText(m_values, "system/led"))
        .Line(1, 21014,
              EnabledWhenAny(m_values, {"system/powerschedule/dayschedule/ontime[@enable='true']",
                                        "system/powerschedule/dayschedule/offtime[@enable='true']"}))
        .Line(1, 21015, CValueTexts::EnableText(m_values, "system/firmwareupdate"))
        .Line(1, 21016, CValueTexts::TemperatureText(m_values, InfoPath::TEMPERATURE))
        .Verbatim(21017, {CValueTexts::UpsText(m_values, InfoPath::UPS)})
        .Line(1, 21018, UpsBatteryText(m_values))
        .Line(1, 21019, CValueTexts::EnableText(m_values, "system/ups/warning"));
    return writer.Finish();
}

std::string CReportSections::Raid() const {
    CReportWriter writer = Writer(20003);
    writer.Line(1, 21100, CValueTexts::RaidLevelText(m_values.Text(InfoPath::RAID_LEVEL)))
        .Line(1, 21101, CValueTexts::CombinedRaidStateText(m_values, "raid/status"));
    WriteCapacityBlock(writer, m_values, "raid/capacity");
    writer.Verbatim(21103);
    const size_t nPorts = m_values.Count("raid/hddlist/port");
    for (size_t nPort = 1; nPort <= nPorts; ++nPort) {
        const std::string disk = Numbered("raid/hddlist/port", "number", nPort) + "/device/disk";
        writer.Verbatim(21104,
                        {std::to_string(nPort), CValueTexts::DiskStateText(m_values, disk),
                         m_values.Text(disk + "/scsiinfo/vendor"), m_values.Text(disk + "/scsiinfo/name"),
                         m_values.Text(disk + "/scsiinfo/firmware")});
    }
    return writer.Finish();
}

std::string CReportSections::EsataVolumes() const {
    return ExternalVolumes({20004, 21105, "outport/esataport/port", "volume/esata"});
}

std::string CReportSections::UsbVolumes() const {
    return ExternalVolumes({20005, 21106, "outport/usbport/port", "volume/usb"});
}

std::string CReportSections::ShareFolders() const {
    CReportWriter writer = Writer(20008);
    for (const CInfoValues& folder : m_values.Each("share/folder")) {
        writer.Verbatim(21300, {folder.Text("name")}).Line(2, 21301, folder.Text("desc"));
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
    CReportWriter writer = Writer(20009);
    for (const CInfoValues& user : m_values.Each("userlist/user")) {
        writer.Verbatim(21314, {user.Text("name")})
            .Line(2, 21315, user.Text("fullname"))
            .Line(2, 21316, user.Text("desc"));
    }
    return writer.Finish();
}

std::string CReportSections::Groups() const {
    CReportWriter writer = Writer(20010);
    for (const CInfoValues& group : m_values.Each("grouplist/group")) {
        writer.Verbatim(21317, {group.Text("name")});
        for (const CInfoValues& member : group.Each("userlist/user")) {
            writer.Line(2, 21318, member.Text("."));
        }
    }
    return writer.Finish();
}

std::string CReportSections::Log() const {
    CReportWriter writer = Writer(20011);
    writer.Lines(m_values.TextOrNoValue("statusinfo/log"));
    return writer.Finish();
}

} // namespace Korvane
