#include "mail/MailBody.h"

#include "admin/MailSettings.h"
#include "mail/InertMailText.h"
#include "support/MimeBase64.h"
#include "support/TextConvert.h"

namespace Korvane {

namespace {

constexpr std::string_view LINE_END = "\r\n";

} // namespace

bool CMailBody::AddLine(std::string_view strLine) {
    const std::string strInert = CInertMailText::OneLine(strLine.substr(0, strLine.find('\0')));
    if (m_strText.size() + strInert.size() + LINE_END.size() + 1 > CAPACITY) {
        return false;
    }
    m_strText.append(strInert).append(LINE_END);
    return true;
}

std::string CMailBody::Encoded(int nEncoding) const {
    switch (nEncoding) {
    case MAIL_ENCODING_UTF8:
        return Zelt::CMimeBase64::EncodeUtf8(m_strText, true);
    case MAIL_ENCODING_ISO2022JP:
        return Zelt::Utf8ToIso2022Jp(m_strText);
    default:
        return std::string();
    }
}

std::string CMailBody::DotStuffed(std::string_view strText) {
    std::string strStuffed;
    strStuffed.reserve(strText.size());
    for (size_t i = 0; i < strText.size(); ++i) {
        // A bare line feed counts as a line end too: some servers take it for one.
        if (strText[i] == '.' && (i == 0 || strText[i - 1] == '\n')) {
            strStuffed += '.';
        }
        strStuffed += strText[i];
    }
    return strStuffed;
}

} // namespace Korvane
