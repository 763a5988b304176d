#include "simkey/card_crypto.h"

#include <memory>
#include <stdexcept>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

namespace simkey {

std::vector<uint8_t> randomBytes(size_t count) {
    std::vector<uint8_t> bytes(count);
    if (count > 0 && RAND_bytes(bytes.data(), static_cast<int>(count)) != 1) {
        throw std::runtime_error("the random number generator failed");
    }
    return bytes;
}

Block aes128EncryptBlock(std::span<const uint8_t, 16> key, std::span<const uint8_t, 16> block) {
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    Block out{};
    int written = 0;
    int finalWritten = 0;
    if (!context || EVP_EncryptInit_ex(context.get(), EVP_aes_128_ecb(), nullptr, key.data(), nullptr) != 1 ||
        EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1 ||
        EVP_EncryptUpdate(context.get(), out.data(), &written, block.data(), static_cast<int>(block.size())) != 1 ||
        EVP_EncryptFinal_ex(context.get(), out.data() + written, &finalWritten) != 1 ||
        written + finalWritten != static_cast<int>(out.size())) {
        throw std::runtime_error("AES encryption failed");
    }
    return out;
}

Digest sha256(std::string_view text) {
    Digest digest{};
    unsigned length = 0;
    if (EVP_Digest(text.data(), text.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1 ||
        length != digest.size()) {
        throw std::runtime_error("SHA-256 failed");
    }
    return digest;
}

bool equalSecrets(std::span<const uint8_t> a, std::span<const uint8_t> b) {
    return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace simkey
