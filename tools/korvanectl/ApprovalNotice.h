#pragma once

#include "admin/AdminInfoMgr.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace Korvanectl {

// "NAME (MAC): turned up at NEW; its password is approved for OLD".
std::string WaitingForApproval(const Korvane::CManagedDevice& device, const std::string& mac);

// A line for each of the devices that waits for the user's approval of a new address, and how
// to give it.
void ReportWaitingDevices(const Korvane::CKorvaneAdminInfoMgr& manager, const std::vector<std::string>& macs,
                          std::ostream& out);

} // namespace Korvanectl
