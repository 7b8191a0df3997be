#include "admin/NetworkSection.h"

#include "admin/ReportSections.h"
#include "admin/ValueTexts.h"
#include "support/StringTable.h"

namespace Korvane {
namespace {

namespace Text = Zelt::Text;

constexpr std::string_view kIpv4 = "network/tcpip[not(@family='inet6')]";
constexpr std::string_view kIpv6Switch = "network/tcpip[@family='inet6']";
constexpr std::string_view kIpv6 = "network/tcpip[@family='inet6'][@enable='true']";

std::string Path(std::string_view head, std::string_view tail) {
    return std::string(head) + std::string(tail);
}

} // namespace

CNetworkSection::CNetworkSection(const CInfoValues& values, const ReportFieldFilter& filter)
    : m_values(values), m_bNamedPorts(CReportSections::IsXFamily(values)),
      m_bIpv6On(CValueTexts::EnableText(values, kIpv6Switch) == Zelt::CStringTable::Text(Text::Enabled)),
      m_writer(Text::DetailTitleNetwork, filter) {}

std::string CNetworkSection::Text(const CInfoValues& values, const ReportFieldFilter& filter) {
    CNetworkSection section(values, filter);
    section.WriteHost();
    const bool bSecondPort = section.WritePorts();
    section.WriteCommon(bSecondPort);
    section.WriteWindowsNetwork();
    return section.m_writer.Finish();
}

bool CNetworkSection::WritePorts() {
    m_writer.Verbatim(m_bNamedPorts ? Text::DetailLineLan : Text::DetailLineLan1);
    const std::string firstPort = Path(kIpv4, "/lan");
    WritePort(firstPort, Path(kIpv6, "/lan"), true);
    // Only the first port wakes the device.
    m_writer.Line(2, Text::DetailLabelWakeOnLan, CValueTexts::EnableText(m_values, firstPort + "/wol"));
    const std::string secondPort = Path(kIpv4, "/ext");
    if (!m_values.Exists(secondPort)) {
        return false;
    }
    m_writer.Verbatim(m_bNamedPorts ? Text::DetailLineExt : Text::DetailLineLan2);
    // A port that is switched off shows no settings.
    const bool bEnabled = CInfoValues::SameText(m_values.Attribute(secondPort, "enable"), "true");
    WritePort(secondPort, Path(kIpv6, "/ext"), bEnabled);
    return true;
}

void CNetworkSection::WriteHost() {
    m_writer.Line(1, Text::DetailLabelHostName, m_values.Text("network/host/name"))
        .Line(1, Text::DetailLabelHostDescription, m_values.Text("network/host/desc"))
        .Line(1, Text::DetailLabelUseIpv6, CValueTexts::EnableText(m_values, kIpv6Switch));
}

void CNetworkSection::WritePort(std::string_view ipv4, std::string_view ipv6, bool bShowValues) {
    const auto shown = [bShowValues](std::string text) { return bShowValues ? text : std::string(); };
    m_writer.Line(2, Text::DetailLabelIpv4Dhcp, shown(CValueTexts::DhcpText(m_values, ipv4)))
        .Line(2, Text::DetailLabelIpv4Address, shown(m_values.Text(Path(ipv4, "/ipsetting/ip"))))
        .Line(2, Text::DetailLabelIpv4Mask, shown(m_values.Text(Path(ipv4, "/ipsetting/subnet"))));
    if (m_bIpv6On) {
        m_writer.Line(2, Text::DetailLabelIpv6Dhcp, shown(CValueTexts::DhcpText(m_values, ipv6)))
            .Line(2, Text::DetailLabelIpv6Address, shown(m_values.Text(Path(ipv6, "/ipsetting/ip"))))
            .Line(2, Text::DetailLabelIpv6Prefix, shown(m_values.Text(Path(ipv6, "/ipsetting/prefixlen"))));
    }
    m_writer.Line(2, Text::DetailLabelJumboFrames, shown(FrameSize(ipv4)))
        .Line(2, Text::DetailLabelMacAddress, shown(m_values.Text(Path(ipv4, "/mac"))));
}

// Older firmware writes "flame/flamesize".
std::string CNetworkSection::FrameSize(std::string_view ipv4) const {
    const std::string size = m_values.Text(Path(ipv4, "/frame/framesize"));
    return size.empty() ? m_values.Text(Path(ipv4, "/flame/flamesize")) : size;
}

void CNetworkSection::WriteCommon(bool bSecondPort) {
    const std::string common4 = Path(kIpv4, "/common");
    const std::string common6 = Path(kIpv6, "/common");
    m_writer.Verbatim(bSecondPort ? Text::DetailLineCommonSettings : Text::DetailLineAdditionalSettings)
        .Line(2, Text::DetailLabelIpv4Method,
              CValueTexts::AddressMethodText(m_values, common4, m_bNamedPorts))
        .Line(2, Text::DetailLabelIpv4Gateway, m_values.Text(common4 + "/gateway"));
    if (m_bIpv6On) {
        m_writer
            .Line(2, Text::DetailLabelIpv6Method,
                  CValueTexts::AddressMethodText(m_values, common6, m_bNamedPorts))
            .Line(2, Text::DetailLabelIpv6Gateway, m_values.Text(common6 + "/gateway"));
    }
    // Without an IPv4 DNS server the IPv6 one is shown.
    const std::string dns = m_values.Text(common4 + "/dnssrv");
    m_writer.Line(2, Text::DetailLabelDnsServer, dns.empty() ? m_values.Text(common6 + "/dnssrv") : dns);
}

void CNetworkSection::WriteWindowsNetwork() {
    const std::string method = m_values.Attribute("network/msnetwork", "method");
    if (method == "WG") {
        m_writer.Line(1, Text::DetailLabelWorkgroup, m_values.Text("network/msnetwork/wg/workgroup"));
    } else if (method == "NT") {
        m_writer.Line(1, Text::DetailLabelDomain, m_values.Text("network/msnetwork/nt/domain"))
            .Line(1, Text::DetailLabelDomainController, m_values.Text("network/msnetwork/nt/dcname"));
    } else if (method == "AD") {
        m_writer.Verbatim(Text::DetailLineNetbiosDomain, {m_values.Text("network/msnetwork/ad/netbios")})
            .Line(1, Text::DetailLabelDnsDomain, m_values.Text("network/msnetwork/ad/fulldns"))
            .Line(1, Text::DetailLabelDomainController, m_values.Text("network/msnetwork/ad/dcname"))
            .Line(1, Text::DetailLabelDomainAdmin, m_values.Text("network/msnetwork/ad/adminname"));
    }
    m_writer.Line(1, Text::DetailLabelWinsServer, m_values.Text("network/msnetwork/winssrv"));
}

} // namespace Korvane
