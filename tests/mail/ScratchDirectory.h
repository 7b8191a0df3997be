#pragma once

#include "MailServerPrerequisites.h"

#include <string>

namespace MailTesting {

// A throw-away directory /tmp/korvane-mail-XXXXXX for the servers of one test, readable by their
// unprivileged processes, removed with everything in it when the object goes.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::string& Path() const { return m_path; }
    // Creates a subdirectory owned by the user (its missing parents owned by root); returns its path.
    std::string MakeDirectory(const std::string& name, const MailUser& owner, unsigned mode = 0755) const;
    // Writes a file owned by root, readable by everyone (servers refuse configurations that others
    // may change); returns its path.
    std::string WriteFile(const std::string& name, const std::string& text) const;

private:
    std::string m_path;
};

} // namespace MailTesting
