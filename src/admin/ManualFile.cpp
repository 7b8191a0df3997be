#include "admin/ManualFile.h"

namespace Korvane {

std::string CManualFile::FileName(Zelt::Language language) {
    if (language == Zelt::Language::Japanese) {
        return "KorvaneAdmin.pdf";
    }
    return "KorvaneAdmin." + std::string(Zelt::CLanguage::Code(language)) + ".pdf";
}

} // namespace Korvane
