#include "ScratchDirectory.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace MailTesting {

namespace fs = std::filesystem;

ScratchDirectory::ScratchDirectory() {
    std::string pattern = "/tmp/korvane-mail-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a directory in /tmp");
    }
    m_path = pattern;
    chmod(m_path.c_str(), 0755);
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code error;
    fs::remove_all(m_path, error);
}

std::string ScratchDirectory::MakeDirectory(const std::string& name, const MailUser& owner,
                                            unsigned mode) const {
    const fs::path path = fs::path(m_path) / name;
    fs::create_directories(path); // parents stay root's, open to everyone for reading
    if (chown(path.c_str(), owner.uid, owner.gid) != 0 || chmod(path.c_str(), mode) != 0) {
        throw std::runtime_error("cannot hand " + path.string() + " to " + owner.name);
    }
    return path.string();
}

std::string ScratchDirectory::WriteFile(const std::string& name, const std::string& text) const {
    const std::string path = m_path + "/" + name;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    if (!file.flush()) {
        throw std::runtime_error("cannot write " + path);
    }
    chmod(path.c_str(), 0644);
    return path;
}

} // namespace MailTesting
