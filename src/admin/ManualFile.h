#pragma once

#include "support/Language.h"

#include <string>

namespace Korvane {

// The user manual that the help menu opens: one PDF per language, KorvaneAdmin.pdf in Japanese, the
// language of the master texts, and KorvaneAdmin.<language code>.pdf in any other
// (KorvaneAdmin.en.pdf). res/CMakeLists.txt renders them under these names beside the program's
// binary in the build tree and installs them in share/doc/korvane-admin/.
class CManualFile {
public:
    static std::string FileName(Zelt::Language language);
    // The manual of the language for a program in binaryDir: beside the binary (a build tree, or a
    // copy unpacked anywhere), else binaryDir/../share/doc/korvane-admin/ (installed under any
    // prefix), whichever is a regular file first; the path beside the binary when neither is, so that
    // the message about it names where the manual was looked for first.
    static std::string Locate(const std::string& binaryDir, Zelt::Language language);
};

} // namespace Korvane
