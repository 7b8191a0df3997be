#pragma once

#include "support/Language.h"

#include <string>

namespace Korvane {

// The user manual that the help menu opens: one PDF per language beside the program's binary,
// KorvaneAdmin.pdf in Japanese, the language of the master texts, and KorvaneAdmin.<language
// code>.pdf in any other (KorvaneAdmin.en.pdf). res/CMakeLists.txt renders them under these names.
class CManualFile {
public:
    static std::string FileName(Zelt::Language language);
};

} // namespace Korvane
