#pragma once

#include "admin/MailSettings.h"
#include "support/XmlDocument.h"

namespace Korvane {

// The "mail" element of the settings file.
class CMailSettingsXml {
public:
    // Appends "mail" with its "enable" attribute and children to appsettings. Every text element
    // is written, its text only when not empty.
    static void Write(Zelt::CXMLDocument& document, const Zelt::CXMLNode& appSettings,
                      const CMailSettings& mail);

    // Reads every mail setting from the "mail" element: a missing text is empty, a missing
    // encoding UTF-8, a missing "enable" off. An authentication without one of its required
    // children falls back to none; the texts it did have are kept for the settings dialog.
    static void Read(const Zelt::CXMLNode& mailElement, CMailSettings& mail);

private:
    static void WriteAuth(Zelt::CXMLDocument& document, const Zelt::CXMLNode& mailElement,
                          const CMailSettings& mail);
    static void ReadAuth(const Zelt::CXMLNode& mailElement, CMailSettings& mail);
};

} // namespace Korvane
