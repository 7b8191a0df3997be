#pragma once

#include "ScratchDirectory.h"

#include <string>

namespace MailTesting {

// A certificate and its key, as PEM files.
struct CertifiedKey {
    std::string certificate;
    std::string key;
};

// A throw-away CA and server certificates it signed, made with the openssl command in the scratch
// directory: one for the server's address (an IP SAN), one for another address, one that has
// expired. No system store knows the CA: only a client that trusts caFile accepts them.
struct TestCertificates {
    explicit TestCertificates(const ScratchDirectory& directory, const std::string& serverAddress);

    std::string caFile;
    CertifiedKey server;
    CertifiedKey otherAddress;
    CertifiedKey expired;
};

} // namespace MailTesting
