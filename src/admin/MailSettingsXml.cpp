#include "admin/MailSettingsXml.h"

#include "admin/SettingsXml.h"

#include <iterator>
#include <optional>
#include <string>

namespace Korvane {
namespace {

using SettingsXml::AppendElement;

struct AuthField {
    const char* pszName;
    std::string CMailSettings::*pValue;
    bool bRequired;
};

// The child element of "auth" that one family of methods keeps its values in, in written order.
struct AuthElement {
    const char* pszName;
    const AuthField* pFields;
    size_t nFields;
};

// The POP3 server is not needed to accept the element, so that a file without it still loads.
constexpr AuthField kPop3Fields[] = {
    {"srv", &CMailSettings::strPop3Server, false},     {"account", &CMailSettings::strPop3Account, true},
    {"passwd", &CMailSettings::strPop3Password, true}, {"waittime", &CMailSettings::strPop3Wait, true},
    {"port", &CMailSettings::strPop3Port, true},
};
constexpr AuthField kSmtpAuthFields[] = {
    {"user", &CMailSettings::strSmtpAuthUser, true},
    {"passwd", &CMailSettings::strSmtpAuthPassword, true},
};
constexpr AuthElement kPop3Element = {"pop3", kPop3Fields, std::size(kPop3Fields)};
constexpr AuthElement kSmtpAuthElement = {"smtpauth", kSmtpAuthFields, std::size(kSmtpAuthFields)};

struct AuthType {
    const char* pszName;
    int nMethod;
    const AuthElement* pElement;
};

constexpr AuthType kAuthTypes[] = {
    {"NO", MAIL_AUTH_NONE, nullptr},
    {"POP3", MAIL_AUTH_POP_BEFORE_SMTP, &kPop3Element},
    {"PLAIN", MAIL_AUTH_PLAIN, &kSmtpAuthElement},
    {"LOGIN", MAIL_AUTH_LOGIN, &kSmtpAuthElement},
    {"CRAM-MD5", MAIL_AUTH_CRAM_MD5, &kSmtpAuthElement},
};

// An unknown method is written as none, as the dialog never offers one.
const AuthType& TypeOfMethod(int nMethod) {
    for (const AuthType& type : kAuthTypes) {
        if (type.nMethod == nMethod) {
            return type;
        }
    }
    return kAuthTypes[0];
}

const AuthType& TypeNamed(const std::optional<std::string>& name) {
    for (const AuthType& type : kAuthTypes) {
        if (name && SettingsXml::EqualsNoCase(*name, type.pszName)) {
            return type;
        }
    }
    return kAuthTypes[0];
}

// The words of the "security" element; anything else reads as none.
constexpr const char* kSecurityNames[] = {"none", "starttls", "tls"};

int SecurityNamed(const std::optional<std::string>& name) {
    for (int nSecurity = MAIL_SECURITY_NONE; nSecurity <= MAIL_SECURITY_TLS; ++nSecurity) {
        if (name && SettingsXml::EqualsNoCase(*name, kSecurityNames[nSecurity])) {
            return nSecurity;
        }
    }
    return MAIL_SECURITY_NONE;
}

const char* SecurityName(int nSecurity) {
    return nSecurity >= MAIL_SECURITY_NONE && nSecurity <= MAIL_SECURITY_TLS
               ? kSecurityNames[nSecurity]
               : kSecurityNames[MAIL_SECURITY_NONE];
}

constexpr const char* kUtf8Name = "UTF-8";
constexpr const char* kIso2022JpName = "ISO-2022-JP";

} // namespace

void CMailSettingsXml::Write(Zelt::CXMLDocument& document, const Zelt::CXMLNode& appSettings,
                             const CMailSettings& mail) {
    Zelt::CXMLNode mailElement = AppendElement(document, appSettings, "mail");
    mailElement.SetAttributeValue("enable", mail.bNotify ? "true" : "false");
    const Zelt::CXMLNode smtp = AppendElement(document, mailElement, "smtp");
    AppendElement(document, smtp, "srv", mail.strSmtpServer);
    AppendElement(document, smtp, "port", mail.strSmtpPort);
    AppendElement(document, mailElement, "sendfrom", mail.strFromAddress);
    AppendElement(document, mailElement, "sendto", mail.strToAddresses);
    AppendElement(document, mailElement, "encode",
                  mail.nEncoding == MAIL_ENCODING_UTF8 ? kUtf8Name : kIso2022JpName);
    WriteAuth(document, mailElement, mail);
    const Zelt::CXMLNode security = AppendElement(document, mailElement, "security");
    AppendElement(document, security, "smtp", SecurityName(mail.nSmtpSecurity));
    AppendElement(document, security, "pop3", SecurityName(mail.nPop3Security));
    AppendElement(document, security, "trusted", mail.strTrustedCertificateFile);
}

void CMailSettingsXml::WriteAuth(Zelt::CXMLDocument& document, const Zelt::CXMLNode& mailElement,
                                 const CMailSettings& mail) {
    const AuthType& type = TypeOfMethod(mail.nAuthMethod);
    Zelt::CXMLNode auth = AppendElement(document, mailElement, "auth");
    auth.SetAttributeValue("type", type.pszName);
    if (type.pElement == nullptr) {
        return;
    }
    const Zelt::CXMLNode values = AppendElement(document, auth, type.pElement->pszName);
    for (size_t i = 0; i < type.pElement->nFields; ++i) {
        const AuthField& field = type.pElement->pFields[i];
        AppendElement(document, values, field.pszName, mail.*field.pValue);
    }
}

void CMailSettingsXml::Read(const Zelt::CXMLNode& mailElement, CMailSettings& mail) {
    mail.strSmtpServer = SettingsXml::TextOrEmpty(mailElement, "smtp/srv");
    mail.strSmtpPort = SettingsXml::TextOrEmpty(mailElement, "smtp/port");
    mail.strToAddresses = SettingsXml::TextOrEmpty(mailElement, "sendto");
    mail.strFromAddress = SettingsXml::TextOrEmpty(mailElement, "sendfrom");
    const std::optional<std::string> encoding = SettingsXml::OptionalText(mailElement, "encode");
    mail.nEncoding = !encoding || SettingsXml::EqualsNoCase(*encoding, kUtf8Name) ? MAIL_ENCODING_UTF8
                                                                                  : MAIL_ENCODING_ISO2022JP;
    ReadAuth(mailElement, mail);
    // Files written before TLS was offered have no such element: no security, as they were sent.
    mail.nSmtpSecurity = SecurityNamed(SettingsXml::OptionalText(mailElement, "security/smtp"));
    mail.nPop3Security = SecurityNamed(SettingsXml::OptionalText(mailElement, "security/pop3"));
    mail.strTrustedCertificateFile = SettingsXml::TextOrEmpty(mailElement, "security/trusted");
    const std::optional<std::string> enable = SettingsXml::OptionalAttribute(mailElement, "enable");
    mail.bNotify = enable && SettingsXml::EqualsNoCase(*enable, "true");
}

void CMailSettingsXml::ReadAuth(const Zelt::CXMLNode& mailElement, CMailSettings& mail) {
    mail.nAuthMethod = MAIL_AUTH_NONE;
    const std::optional<Zelt::CXMLNode> auth = SettingsXml::FirstNode(mailElement, "auth");
    if (!auth) {
        return;
    }
    const AuthType& type = TypeNamed(SettingsXml::OptionalAttribute(*auth, "type"));
    if (type.pElement == nullptr) {
        return;
    }
    bool bComplete = true;
    for (size_t i = 0; i < type.pElement->nFields; ++i) {
        const AuthField& field = type.pElement->pFields[i];
        const std::string path = std::string(type.pElement->pszName) + '/' + field.pszName;
        if (std::optional<std::string> text = SettingsXml::OptionalText(*auth, path)) {
            mail.*field.pValue = std::move(*text);
        } else {
            bComplete = bComplete && !field.bRequired;
        }
    }
    if (bComplete) {
        mail.nAuthMethod = type.nMethod;
    }
}

} // namespace Korvane
