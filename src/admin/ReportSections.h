#pragma once

#include "admin/InfoValues.h"
#include "admin/ReportWriter.h"

#include <string>

namespace Korvane {

// The section texts of the detail report that list system, volume, share, user and group
// values, each rendered from a device information document. The network section has a class of
// its own (CNetworkSection). The filter writes every value from the device (see CReportWriter).
class CReportSections {
public:
    CReportSections(const CInfoValues& values, ReportFieldFilter filter)
        : m_values(values), m_filter(std::move(filter)) {}

    std::string System() const;
    std::string Raid() const;
    std::string EsataVolumes() const;
    std::string UsbVolumes() const;
    std::string ShareFolders() const;
    std::string Users() const;
    std::string Groups() const;
    std::string Log() const;

    // The QRX-X family names its network ports LAN and EXT and has an eSATA port.
    static bool IsXFamily(const CInfoValues& values);

private:
    struct ExternalPorts;

    CReportWriter Writer(int nTitleId) const { return CReportWriter(nTitleId, m_filter); }
    std::string ExternalVolumes(const ExternalPorts& kind) const;

    const CInfoValues& m_values;
    const ReportFieldFilter m_filter;
};

} // namespace Korvane
