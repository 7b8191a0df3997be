#pragma once

#include "support/XmlNode.h"

#include <cstddef>

namespace Korvane {

// What one device's information may be. Real documents are some tens of kilobytes and nest about
// ten levels; the bounds lie far above that, and far enough below what the settings file loads
// that every device's information can be saved there (a few levels below the file's element).
class CInfoBounds {
public:
    static constexpr size_t MAX_BYTES = 4 * 1024 * 1024;
    static constexpr size_t MAX_DEPTH = 64;

    // Throws CInfoTooLarge for information beyond the bounds.
    static void Check(const Zelt::CXMLNode& info);
    // Whether stored information that takes in parts of fresh information stays within them,
    // counting both whole (the sum bounds what the parts can make of it).
    static bool FitTogether(const Zelt::CXMLNode& stored, const Zelt::CXMLNode& fresh);
};

} // namespace Korvane
