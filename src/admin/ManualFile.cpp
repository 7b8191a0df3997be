#include "admin/ManualFile.h"

#include <filesystem>
#include <system_error>

namespace Korvane {

std::string CManualFile::FileName(Zelt::Language language) {
    if (language == Zelt::Language::Japanese) {
        return "KorvaneAdmin.pdf";
    }
    return "KorvaneAdmin." + std::string(Zelt::CLanguage::Code(language)) + ".pdf";
}

std::string CManualFile::Locate(const std::string& binaryDir, Zelt::Language language) {
    const std::filesystem::path binary(binaryDir);
    const std::string name = FileName(language);
    const std::filesystem::path beside = binary / name;
    const std::filesystem::path installed = binary / ".." / "share" / "doc" / "korvane-admin" / name;
    for (const std::filesystem::path& candidate : {beside, installed}) {
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error)) {
            return candidate.lexically_normal().string();
        }
    }
    return beside.string();
}

} // namespace Korvane
