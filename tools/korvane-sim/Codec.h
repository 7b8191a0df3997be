#pragma once

// Byte-level helpers of the simulator, on OpenSSL only: the simulator must not share the Base64 and
// digest code of the program it is testing.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace KorvaneSim {

// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks).
std::string EncodeBase64(std::string_view bytes);
// Strict decoding: the length must be a multiple of 4, only alphabet characters, padding only at the
// end. nullopt for anything else.
std::optional<std::string> DecodeBase64(std::string_view text);

// Random bytes from OpenSSL as lower-case hexadecimal text (2 digits per byte).
std::string RandomHex(std::size_t bytes);

std::string ToHex(const unsigned char* data, std::size_t size);

// MD5 over data that arrives in pieces (the firmware image is never held whole).
class Md5Stream {
public:
    Md5Stream();
    ~Md5Stream();
    Md5Stream(const Md5Stream&) = delete;
    Md5Stream& operator=(const Md5Stream&) = delete;

    void Update(const void* data, std::size_t size);
    // The digest as 32 lower-case hexadecimal digits; the stream starts over afterwards.
    std::string FinishHex();

private:
    struct State;
    std::unique_ptr<State> state_;
};

void PutBigEndian32(unsigned char* out, std::uint32_t value);
std::uint32_t GetBigEndian32(const unsigned char* in);

} // namespace KorvaneSim
