#include "TestCertificates.h"

#include "common/ProcessRun.h"

#include <filesystem>
#include <stdexcept>

namespace MailTesting {
namespace {

void RunOpenssl(const std::vector<std::string>& args, const std::string& input = std::string()) {
    const KorvaneTesting::ProcessResult run = KorvaneTesting::RunProcess("/usr/bin/openssl", args, input);
    if (run.exitCode != 0) {
        throw std::runtime_error("openssl failed: " + run.err);
    }
}

// A key and a certificate for the address signed by the CA, valid for the days (negative: it
// ended that many days ago).
CertifiedKey Sign(const std::string& directory, const std::string& name, const std::string& address,
                  int nDays) {
    const std::string base = directory + "/" + name;
    RunOpenssl({"req", "-newkey", "rsa:2048", "-nodes", "-keyout", base + ".key", "-out", base + ".csr",
                "-subj", "/CN=" + address});
    const std::string extensions = base + ".ext";
    RunOpenssl({"x509", "-req", "-in", base + ".csr", "-CA", directory + "/ca.pem", "-CAkey",
                directory + "/ca.key", "-CAcreateserial", "-days", std::to_string(nDays), "-out",
                base + ".pem", "-extfile", "/dev/stdin"},
               "subjectAltName=IP:" + address + "\n");
    // The servers read their key as their own unprivileged user.
    std::filesystem::permissions(base + ".key", std::filesystem::perms::owner_read |
                                                    std::filesystem::perms::group_read |
                                                    std::filesystem::perms::others_read);
    return {base + ".pem", base + ".key"};
}

} // namespace

TestCertificates::TestCertificates(const ScratchDirectory& directory, const std::string& serverAddress) {
    const std::string folder = directory.Path();
    caFile = folder + "/ca.pem";
    RunOpenssl({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", folder + "/ca.key", "-out",
                caFile, "-days", "2", "-subj", "/CN=KORVANE test CA"});
    server = Sign(folder, "server", serverAddress, 2);
    otherAddress = Sign(folder, "other", "127.85.9.9", 2);
    expired = Sign(folder, "expired", serverAddress, -1);
}

} // namespace MailTesting
