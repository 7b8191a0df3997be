#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Zelt {

using Md5Digest = std::array<uint8_t, 16>;

// MD5 and the message authentication built on it. Every function gives nullopt when the
// cryptography library fails (MD5 may be disabled, e.g. in FIPS mode) and leaves nothing allocated.
class CDigest {
public:
    // MD5 of part 1 followed by part 2.
    static std::optional<Md5Digest> Md5(std::string_view part1, std::string_view part2 = {});

    // HMAC-MD5 of RFC 2104.
    static std::optional<Md5Digest> HmacMd5(std::string_view strKey, std::string_view strMessage);

    // The SMTP AUTH CRAM-MD5 answer of RFC 2195 to a Base64 challenge: Base64 of "user hexdigest".
    // nullopt also when the challenge is not valid Base64.
    static std::optional<std::string> CramMd5Response(std::string_view strChallengeBase64,
                                                      std::string_view strUser, std::string_view strPassword);
};

} // namespace Zelt
