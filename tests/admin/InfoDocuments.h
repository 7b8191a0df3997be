#pragma once

// Information documents for the tests of the value texts, the list cells and the detail report.
#include "admin/ManagedDevice.h"

#include <string>
#include <string_view>

namespace AdminTesting {

// A device whose information is the given "korvaneinfo" document text.
Korvane::CManagedDevice DeviceWithInfo(std::string_view xml);

// A device whose information is the sample document of a family ("qrx-x", "qrx-h", "qrx-xv").
Korvane::CManagedDevice SampleInfoDevice(const std::string& family);

// Removes every node the path selects from the device's information.
void RemoveInfoNodes(Korvane::CKorvaneInfo& device, const std::string& path);

} // namespace AdminTesting
