#include "admin/NetworkSection.h"

#include "admin/ReportSections.h"
#include "admin/ValueTexts.h"
#include "support/StringTable.h"

namespace Korvane {
namespace {

constexpr std::string_view kIpv4 = "network/tcpip[not(@family='inet6')]";
constexpr std::string_view kIpv6Switch = "network/tcpip[@family='inet6']";
constexpr std::string_view kIpv6 = "network/tcpip[@family='inet6'][@enable='true']";

std::string Path(std::string_view head, std::string_view tail) {
    return std::string(head) + std::string(tail);
}

} // namespace

CNetworkSection::CNetworkSection(const CInfoValues& values, const ReportFieldFilter& filter)
    : m_values(values), m_bNamedPorts(CReportSections::IsXFamily(values)),
      m_bIpv6On(CValueTexts::EnableText(values, kIpv6Switch) == Zelt::CStringTable::Text(11103)),
      m_writer(20006, filter) {}

std::string CNetworkSection::Text(const CInfoValues& values, const ReportFieldFilter& filter) {
    CNetworkSection section(values, filter);
    section.WriteHost();
    const bool bSecondPort = section.WritePorts();
    section.WriteCommon(bSecondPort);
    section.WriteWindowsNetwork();
    return section.m_writer.Finish();
}

bool CNetworkSection::WritePorts() {
    m_writer.Verbatim(m_bNamedPorts ? 21203 : 21205);
    const std::string firstPort = Path(kIpv4, "/lan");
    WritePort(firstPort, Path(kIpv6, "/lan"), true);
    // Only the first port wakes the device.
    m_writer.Line(2, 21217, CValueTexts::EnableText(m_values, firstPort + "/wol"));
    const std::string secondPort = Path(kIpv4, "/ext");
    if (!m_values.Exists(secondPort)) {
        return false;
    }
    m_writer.Verbatim(m_bNamedPorts ? 21204 : 21206);
    // A port that is switched off shows no settings.
    const bool bEnabled = CInfoValues::SameText(m_values.Attribute(secondPort, "enable"), "true");
    WritePort(secondPort, Path(kIpv6, "/ext"), bEnabled);
    return true;
}

void CNetworkSection::WriteHost() {
    m_writer.Line(1, 21200, m_values.Text("network/host/name"))
        .Line(1, 21201, m_values.Text("network/host/desc"))
        .Line(1, 21202, CValueTexts::EnableText(m_values, kIpv6Switch));
}

void CNetworkSection::WritePort(std::string_view ipv4, std::string_view ipv6, bool bShowValues) {
    const auto shown = [bShowValues](std::string text) { return bShowValues ? text : std::string(); };
    m_writer.Line(2, 21209, shown(CValueTexts::DhcpText(m_values, ipv4)))
        .Line(2, 21210, shown(m_values.Text(Path(ipv4, "/ipsetting/ip"))))
        .Line(2, 21211, shown(m_values.Text(Path(ipv4, "/ipsetting/subnet"))));
    if (m_bIpv6On) {
        m_writer.Line(2, 21212, shown(CValueTexts::DhcpText(m_values, ipv6)))
            .Line(2, 21213, shown(m_values.Text(Path(ipv6, "/ipsetting/ip"))))
            .Line(2, 21214, shown(m_values.Text(Path(ipv6, "/ipsetting/prefixlen"))));
    }
    m_writer.Line(2, 21215, shown(FrameSize(ipv4))).Line(2, 21216, shown(m_values.Text(Path(ipv4, "/mac"))));
}

// Older firmware writes "flame/flamesize".
std::string CNetworkSection::FrameSize(std::string_view ipv4) const {
    const std::string size = m_values.Text(Path(ipv4, "/frame/framesize"));
    return size.empty() ? m_values.Text(Path(ipv4, "/flame/flamesize")) : size;
}

void CNetworkSection::WriteCommon(bool bSecondPort) {
    const std::string common4 = Path(kIpv4, "/common");
    const std::string common6 = Path(kIpv6, "/common");
    m_writer.Verbatim(bSecondPort ? 21207 : 21208)
        .Line(2, 21218, CValueTexts::AddressMethodText(m_values, common4, m_bNamedPorts))
        .Line(2, 21219, m_values.Text(common4 + "/gateway"));
    if (m_bIpv6On) {
        m_writer.Line(2, 21220, CValueTexts::AddressMethodText(m_values, common6, m_bNamedPorts))
            .Line(2, 21221, m_values.Text(common6 + "/gateway"));
    }
    // Without an IPv4 DNS server the IPv6 one is shown.
    const std::string dns = m_values.Text(common4 + "/dnssrv");
    m_writer.Line(2, 21222, dns.empty() ? m_values.Text(common6 + "/dnssrv") : dns);
}

void CNetworkSection::WriteWindowsNetwork() {
    const std::string method = m_values.Attribute("network/msnetwork", "method");
    if (method == "WG") {
        m_writer.Line(1, 21223, m_values.Text("network/msnetwork/wg/workgroup"));
    } else if (method == "NT") {
        m_writer.Line(1, 21224, m_values.Text("network/msnetwork/nt/domain"))
            .Line(1, 21228, m_values.Text("network/msnetwork/nt/dcname"));
    } else if (method == "AD") {
        m_writer.Verbatim(21225, {m_values.Text("network/msnetwork/ad/netbios")})
            .Line(1, 21226, m_values.Text("network/msnetwork/ad/fulldns"))
            .Line(1, 21228, m_values.Text("network/msnetwork/ad/dcname"))
            .Line(1, 21227, m_values.Text("network/msnetwork/ad/adminname"));
    }
    m_writer.Line(1, 21229, m_values.Text("network/msnetwork/winssrv"));
}

} // namespace Korvane
