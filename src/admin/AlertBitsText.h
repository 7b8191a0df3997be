#pragma once

#include "admin/AdminInfoMgr.h"

#include <map>
#include <string>
#include <string_view>

namespace Korvane {

// The status bits of the managed devices as a text kept between runs: one line per device, its
// canonical MAC, a blank and the bits in decimal. Only what the format holds is written (a key
// that is no canonical MAC is left out), and only lines that are whole and valid are read: a line
// that does not parse is ignored and can never be taken for another device's.
class CAlertBitsText {
public:
    using BitsByMac = std::map<std::string, int>;

    static std::string Format(const CKorvaneAdminInfoMgr& manager);
    static BitsByMac Parse(std::string_view text);
};

} // namespace Korvane
