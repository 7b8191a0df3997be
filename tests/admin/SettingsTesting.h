#pragma once

// Shared pieces of the settings file tests: a private folder, raw file access, scrambling done
// independently of the program, a fully populated manager and a field-by-field comparison.
#include "admin/AdminInfoMgr.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace AdminTesting {

constexpr const char* kUserKey = "4f1c2d9e8b7a6053a1b2c3d4e5f60718:1000";
constexpr const char* kOtherUserKey = "4f1c2d9e8b7a6053a1b2c3d4e5f60718:1001";

// A fresh folder below the temporary directory, removed with everything in it.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

std::string ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);

// The stored form written out by hand: byte i plus key byte (i mod n), two upper-case hex digits.
std::string ScrambleByHand(const std::string& text, const std::string& key);

// Runs the body in a forked child and returns its exit code (-1 when it did not exit). The child
// ends with _exit, so nothing of the test framework runs twice.
int ExitCodeOfChild(const std::function<int()>& body);

// The names of the element children of a node, in document order.
std::vector<std::string> ChildNames(const Zelt::CXMLNode& node);

// Devices of all three families (one with a lower-case MAC, one with port forwarding, passwords
// with and without the save flag), groups whose names a query could not hold, every application
// setting and mail settings of the given authentication method.
void FillManager(Korvane::CKorvaneAdminInfoMgr& manager, int nAuthMethod);

// A manager with nDevices devices of one family, each in one of nGroups groups.
void FillLargeManager(Korvane::CKorvaneAdminInfoMgr& manager, const std::string& family, int nDevices,
                      int nGroups);

// The state a save and a load bring back: everything, except that a password without the save
// flag is not stored.
void ExpectReloaded(const Korvane::CKorvaneAdminInfoMgr& saved, const Korvane::CKorvaneAdminInfoMgr& loaded);

// The manager is at its defaults: nothing was applied to it.
void ExpectDefaults(const Korvane::CKorvaneAdminInfoMgr& manager);

} // namespace AdminTesting
