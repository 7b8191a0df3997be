#pragma once

#include "admin/AdminInfoMgr.h"
#include "metrics/ExpositionWriter.h"

namespace Korvanectl {

// The managed devices as Prometheus metrics (docs/monitoring.md is the contract): whether each
// answered its last update, its state and status bits, its groups, and what its information
// reports (firmware, temperature, power, volumes), read as the detail report reads it. Every
// series carries the labels mac, name and product; a value the device did not report is left out.
class DeviceMetrics {
public:
    static void Write(const Korvane::CKorvaneAdminInfoMgr& manager, Korvane::CExpositionWriter& writer);
};

} // namespace Korvanectl
