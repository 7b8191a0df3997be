#pragma once

#include <ctime>
#include <string>

namespace Korvane {

// The header block of one mail transmission.
class MailHeaders {
public:
    MailHeaders(std::string strSubject, std::string strSenderName, std::string strFromAddress,
                std::string strToList);

    // DATE, From, To, Subject, MIME-Version, Content-Type and Content-Transfer-Encoding, each line
    // ended by "\r\n", then the empty line. The From name and the subject are encoded words; the
    // recipient list is written as configured, ";" and all.
    std::string Block(int nEncoding, std::time_t now) const;

private:
    std::string m_strSubject;
    std::string m_strSenderName;
    std::string m_strFromAddress;
    std::string m_strToList;
};

} // namespace Korvane
