#include "Codec.h"

#include <stdexcept>
#include <vector>

#include <openssl/evp.h>
#include <openssl/rand.h>

namespace KorvaneSim {

std::string EncodeBase64(std::string_view bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int written =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                        reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
    out.resize(static_cast<std::size_t>(written));
    return out;
}

namespace {

bool IsBase64Letter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

} // namespace

std::optional<std::string> DecodeBase64(std::string_view text) {
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    // EVP_DecodeBlock skips blanks and does not report the padding, so the text is checked here.
    std::size_t padding = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '=') {
            if (i + 2 < text.size()) {
                return std::nullopt;
            }
            ++padding;
        } else if (!IsBase64Letter(c) || padding != 0) {
            return std::nullopt;
        }
    }
    std::string out(3 * (text.size() / 4) + 1, '\0');
    const int written =
        EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                        reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
    if (written < 0 || static_cast<std::size_t>(written) < padding) {
        return std::nullopt;
    }
    out.resize(static_cast<std::size_t>(written) - padding);
    return out;
}

std::string ToHex(const unsigned char* data, std::size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        out.push_back(kDigits[data[i] >> 4]);
        out.push_back(kDigits[data[i] & 0x0F]);
    }
    return out;
}

std::string RandomHex(std::size_t bytes) {
    std::vector<unsigned char> buffer(bytes);
    if (RAND_bytes(buffer.data(), static_cast<int>(buffer.size())) != 1) {
        throw std::runtime_error("RAND_bytes failed");
    }
    return ToHex(buffer.data(), buffer.size());
}

struct Md5Stream::State {
    EVP_MD_CTX* context = nullptr;
};

Md5Stream::Md5Stream() : state_(std::make_unique<State>()) {
    state_->context = EVP_MD_CTX_new();
    if (state_->context == nullptr || EVP_DigestInit_ex(state_->context, EVP_md5(), nullptr) != 1) {
        EVP_MD_CTX_free(state_->context);
        throw std::runtime_error("MD5 is not available");
    }
}

Md5Stream::~Md5Stream() {
    EVP_MD_CTX_free(state_->context);
}

void Md5Stream::Update(const void* data, std::size_t size) {
    EVP_DigestUpdate(state_->context, data, size);
}

std::string Md5Stream::FinishHex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(state_->context, digest, &length);
    EVP_DigestInit_ex(state_->context, EVP_md5(), nullptr);
    return ToHex(digest, length);
}

void PutBigEndian32(unsigned char* out, std::uint32_t value) {
    out[0] = static_cast<unsigned char>(value >> 24);
    out[1] = static_cast<unsigned char>(value >> 16);
    out[2] = static_cast<unsigned char>(value >> 8);
    out[3] = static_cast<unsigned char>(value);
}

std::uint32_t GetBigEndian32(const unsigned char* in) {
    return (std::uint32_t{in[0]} << 24) | (std::uint32_t{in[1]} << 16) | (std::uint32_t{in[2]} << 8) |
           std::uint32_t{in[3]};
}

} // namespace KorvaneSim
