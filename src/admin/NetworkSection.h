#pragma once

#include "admin/InfoValues.h"
#include "admin/ReportWriter.h"

#include <string>
#include <string_view>

namespace Korvane {

// The network section of the detail report: host, the one or two network ports, the settings
// common to them and the Microsoft network. The filter writes every value from the device (see
// CReportWriter).
class CNetworkSection {
public:
    static std::string Text(const CInfoValues& values, const ReportFieldFilter& filter);

private:
    CNetworkSection(const CInfoValues& values, const ReportFieldFilter& filter);

    void WriteHost();
    // The one or two ports; true when the device has the second one.
    bool WritePorts();
    void WritePort(std::string_view ipv4, std::string_view ipv6, bool bShowValues);
    void WriteCommon(bool bSecondPort);
    void WriteWindowsNetwork();
    std::string FrameSize(std::string_view ipv4) const;

    const CInfoValues& m_values;
    const bool m_bNamedPorts; // LAN and EXT rather than LAN1 and LAN2
    const bool m_bIpv6On;
    CReportWriter m_writer;
};

} // namespace Korvane
