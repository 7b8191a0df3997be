#pragma once

#include "support/XmlError.h"

#include <stdexcept>
#include <string>

namespace Korvane {

// The device refused the password or the authentication key.
class CKorvaneAuthorizationError : public std::logic_error {
public:
    CKorvaneAuthorizationError() : std::logic_error("Authorization Error!") {}
};

// The password was not sent: the session would have taken it to an address that was not approved
// for it.
class CAddressNotApproved : public std::logic_error {
public:
    explicit CAddressNotApproved(const std::string& strAddress)
        : std::logic_error("Password withheld from an address not approved: " + strAddress),
          m_strAddress(strAddress) {}
    const std::string& GetAddress() const { return m_strAddress; }

private:
    std::string m_strAddress;
};

// The device answered "NG" with an error code other than the authorization codes.
class CErrorParam : public std::logic_error {
public:
    explicit CErrorParam(std::string strCode)
        : std::logic_error("Device Error: " + strCode), m_strCode(std::move(strCode)) {}
    // Eight decimal digits, e.g. "00000006" for a busy device.
    const std::string& GetCode() const { return m_strCode; }

private:
    std::string m_strCode;
};

// A device's information beyond what the program takes in (CInfoBounds); a failure to read the
// answer like any other.
class CInfoTooLarge : public Zelt::CXMLError {
public:
    CInfoTooLarge() : Zelt::CXMLError("Information too large!\n") {}
};

constexpr const char* ERROR_CODE_NOT_AUTHORIZED = "00000003";
constexpr const char* ERROR_CODE_WRONG_PASSWORD = "00000004";
constexpr const char* ERROR_CODE_BUSY = "00000006";

} // namespace Korvane
