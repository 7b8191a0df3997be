#pragma once

#include "admin/AdminInfoMgr.h"
#include "admin/ManagedDevice.h"

#include <nlohmann/json.hpp>
#include <string>

namespace Korvanectl {

// What every command that reports devices in JSON says of one: its key (the MAC in upper case),
// name, state (0 normal, 1 caution, 2 error; a device that did not answer counts as an error) and
// its text, whether it answered its last update, that update's result code and the time its
// information last arrived (ISO 8601 UTC, or null).
nlohmann::json ManagedDeviceJson(const std::string& mac, const Korvane::CManagedDevice& device);
// The same for a device of the store, with the names of the groups it belongs to.
nlohmann::json ManagedDeviceJson(const Korvane::CKorvaneAdminInfoMgr& manager, const std::string& mac);

} // namespace Korvanectl
