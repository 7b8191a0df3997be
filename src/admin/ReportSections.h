#pragma once

#include "admin/InfoValues.h"

#include <string>

namespace Korvane {

// The section texts of the detail report that list system, volume, share, user and group
// values, each rendered from a device information document. The network section has a class of
// its own (CNetworkSection).
class CReportSections {
public:
    static std::string System(const CInfoValues& values);
    static std::string Raid(const CInfoValues& values);
    static std::string EsataVolumes(const CInfoValues& values);
    static std::string UsbVolumes(const CInfoValues& values);
    static std::string ShareFolders(const CInfoValues& values);
    static std::string Users(const CInfoValues& values);
    static std::string Groups(const CInfoValues& values);
    static std::string Log(const CInfoValues& values);

    // The QRX-X family names its network ports LAN and EXT and has an eSATA port.
    static bool IsXFamily(const CInfoValues& values);
};

} // namespace Korvane
