#include "support/Digest.h"

#include "support/MimeBase64.h"

#include <memory>

#include <openssl/evp.h>

namespace Zelt {

namespace {

constexpr size_t HMAC_BLOCK_SIZE = 64;

std::string_view AsBytes(const Md5Digest& digest) {
    return {reinterpret_cast<const char*>(digest.data()), digest.size()};
}

std::string XorBlock(std::string_view strKey, char chPad) {
    std::string strBlock(HMAC_BLOCK_SIZE, chPad);
    for (size_t i = 0; i < strKey.size(); ++i) {
        strBlock[i] = static_cast<char>(strKey[i] ^ chPad);
    }
    return strBlock;
}

std::string ToLowerHex(const Md5Digest& digest) {
    constexpr std::string_view HEX_DIGITS = "0123456789abcdef";
    std::string strHex;
    for (uint8_t nByte : digest) {
        strHex += HEX_DIGITS[nByte >> 4];
        strHex += HEX_DIGITS[nByte & 0x0F];
    }
    return strHex;
}

} // namespace

std::optional<Md5Digest> CDigest::Md5(std::string_view part1, std::string_view part2) {
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1) {
        return std::nullopt;
    }
    for (std::string_view part : {part1, part2}) {
        if (!part.empty() && EVP_DigestUpdate(context.get(), part.data(), part.size()) != 1) {
            return std::nullopt;
        }
    }
    Md5Digest digest{};
    unsigned int nLength = 0;
    if (EVP_DigestFinal_ex(context.get(), digest.data(), &nLength) != 1 || nLength != digest.size()) {
        return std::nullopt;
    }
    return digest;
}

std::optional<Md5Digest> CDigest::HmacMd5(std::string_view strKey, std::string_view strMessage) {
    std::optional<Md5Digest> keyDigest;
    if (strKey.size() > HMAC_BLOCK_SIZE) {
        keyDigest = Md5(strKey);
        if (!keyDigest) {
            return std::nullopt;
        }
        strKey = AsBytes(*keyDigest);
    }
    const std::optional<Md5Digest> inner = Md5(XorBlock(strKey, 0x36), strMessage);
    if (!inner) {
        return std::nullopt;
    }
    return Md5(XorBlock(strKey, 0x5C), AsBytes(*inner));
}

std::optional<std::string> CDigest::CramMd5Response(std::string_view strChallengeBase64,
                                                    std::string_view strUser, std::string_view strPassword) {
    const std::optional<std::string> strChallenge = CMimeBase64::Decode(strChallengeBase64);
    if (!strChallenge) {
        return std::nullopt;
    }
    const std::optional<Md5Digest> digest = HmacMd5(strPassword, *strChallenge);
    if (!digest) {
        return std::nullopt;
    }
    return CMimeBase64::Encode(std::string(strUser) + ' ' + ToLowerHex(*digest), false);
}

} // namespace Zelt
