#pragma once

// Managed devices built from the simulator's sample information documents.
#include "admin/ManagedDevice.h"

#include <string>

namespace AdminTesting {

// The text of a sample document, tools/korvane-sim/models/<family>.xml of the source tree.
std::string SampleDocument(const std::string& family);

// A device of that family with the given identity written into its information.
Korvane::CManagedDevice SampleDevice(const std::string& family, const std::string& mac,
                                     const std::string& name, const std::string& ipv4);

// Sets the text of the first node the path selects in the device's information.
void SetInfoText(Korvane::CKorvaneInfo& device, const std::string& path, const std::string& text);

} // namespace AdminTesting
