#include "mail/EncodedWord.h"

#include "mail/MailEncoding.h"
#include "support/MimeBase64.h"
#include "support/Utf8.h"

namespace Korvane {

namespace {

// A word (prefix, Base64, suffix) is meant to stay within this many characters.
constexpr size_t WORD_LENGTH = 64;

} // namespace

std::string CEncodedWord::Encode(std::string_view strText, int nEncoding) {
    const MailEncodingRow* pRow = FindMailEncoding(nEncoding);
    if (pRow == nullptr) {
        return std::string();
    }
    const size_t nUsable = WORD_LENGTH - pRow->wordPrefix.size() - ENCODED_WORD_SUFFIX.size();
    std::string strWords;
    for (size_t nPos = 0; nPos < strText.size();) {
        std::string strBase64;
        nPos += NextWord(strText.substr(nPos), nEncoding, nUsable, strBase64);
        if (!strWords.empty()) {
            strWords += "\r\n ";
        }
        strWords.append(pRow->wordPrefix).append(strBase64).append(ENCODED_WORD_SUFFIX);
    }
    return strWords;
}

// Grows the word by whole characters, so that no word ends inside a character or, for
// ISO-2022-JP, outside ASCII mode: each word is converted on its own.
size_t CEncodedWord::NextWord(std::string_view strRest, int nEncoding, size_t nUsable,
                              std::string& strBase64) {
    size_t nLength = 0;
    do {
        nLength += Zelt::CUtf8::Decode(strRest, nLength).nLength;
        strBase64 = Base64Of(strRest.substr(0, nLength), nEncoding);
    } while (strBase64.size() < nUsable && nLength < strRest.size());
    return nLength;
}

std::string CEncodedWord::Base64Of(std::string_view strCharacters, int nEncoding) {
    if (nEncoding == MAIL_ENCODING_ISO2022JP) {
        return Zelt::CMimeBase64::EncodeIso2022Jp(strCharacters);
    }
    return Zelt::CMimeBase64::EncodeUtf8(strCharacters, false);
}

} // namespace Korvane
