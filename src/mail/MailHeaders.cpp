#include "mail/MailHeaders.h"

#include "mail/EncodedWord.h"
#include "mail/InertMailText.h"
#include "mail/MailDate.h"
#include "mail/MailEncoding.h"

namespace Korvane {

MailHeaders::MailHeaders(std::string_view strSubject, std::string_view strSenderName,
                         std::string_view strFromAddress, std::string_view strToList)
    : m_strSubject(CInertMailText::OneLine(strSubject)),
      m_strSenderName(CInertMailText::OneLine(strSenderName)),
      m_strFromAddress(CInertMailText::OneLine(strFromAddress)),
      m_strToList(CInertMailText::OneLine(strToList)) {}

std::string MailHeaders::Block(int nEncoding, std::time_t now) const {
    const MailEncodingRow* pRow = FindMailEncoding(nEncoding);
    const std::string_view charset = pRow != nullptr ? pRow->charset : std::string_view();
    const std::string_view transferEncoding = pRow != nullptr ? pRow->transferEncoding : std::string_view();
    std::string strBlock;
    strBlock.append("DATE: ").append(CMailDate::Text(now)).append("\r\n");
    strBlock.append("From: ").append(CEncodedWord::Encode(m_strSenderName, nEncoding));
    strBlock.append("<").append(m_strFromAddress).append(">\r\n");
    strBlock.append("To: ").append(m_strToList).append("\r\n");
    strBlock.append("Subject: ").append(CEncodedWord::Encode(m_strSubject, nEncoding)).append("\r\n");
    strBlock.append("MIME-Version: 1.0\r\n");
    strBlock.append("Content-Type: text/plain; charset=\"").append(charset).append("\"\r\n");
    strBlock.append("Content-Transfer-Encoding: ").append(transferEncoding).append("\r\n\r\n");
    return strBlock;
}

} // namespace Korvane
