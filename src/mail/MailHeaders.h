#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace Korvane {

// The header block of one mail transmission. No text given to it can end a header line: each is
// taken as CInertMailText makes it, before it is encoded.
class MailHeaders {
public:
    MailHeaders(std::string_view strSubject, std::string_view strSenderName, std::string_view strFromAddress,
                std::string_view strToList);

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
