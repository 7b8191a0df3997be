#pragma once

#include "admin/MailSettings.h"

#include <string_view>

namespace Korvane {

// What each mail encoding writes: the charset label, the transfer encoding and the prefix of the
// RFC 2047 words of the From name and the subject.
struct MailEncodingRow {
    int nEncoding;
    std::string_view charset;
    std::string_view transferEncoding;
    std::string_view wordPrefix;
};

inline constexpr std::string_view ENCODED_WORD_SUFFIX = "?=";

inline constexpr MailEncodingRow MAIL_ENCODING_ROWS[] = {
    {MAIL_ENCODING_UTF8, "UTF-8", "base64", "=?UTF-8?B?"},
    {MAIL_ENCODING_ISO2022JP, "ISO-2022-JP", "7bit", "=?ISO-2022-JP?B?"},
};

// The row of the encoding; null for a value outside the table.
inline constexpr const MailEncodingRow* FindMailEncoding(int nEncoding) {
    for (const MailEncodingRow& row : MAIL_ENCODING_ROWS) {
        if (row.nEncoding == nEncoding) {
            return &row;
        }
    }
    return nullptr;
}

} // namespace Korvane
