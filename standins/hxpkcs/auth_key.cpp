#include "auth_key.h"

#include <cstdlib>
#include <memory>

#include <openssl/crypto.h>
#include <openssl/evp.h>

namespace hxpkcs {

std::optional<AuthKey> parseAuthKey(std::string_view hex) {
    AuthKey key{};
    if (hex.size() != key.size() * 2) {
        return std::nullopt;
    }
    for (size_t i = 0; i < key.size(); ++i) {
        const int high = OPENSSL_hexchar2int(static_cast<unsigned char>(hex[2 * i]));
        const int low = OPENSSL_hexchar2int(static_cast<unsigned char>(hex[2 * i + 1]));
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        key[i] = static_cast<uint8_t>((high << 4) | low);
    }
    return key;
}

AuthKey factoryAuthKey() {
    AuthKey factory{};
    for (size_t i = 0; i < factory.size(); ++i) {
        factory[i] = static_cast<uint8_t>(i);
    }
    return factory;
}

std::optional<AuthKey> configuredAuthKey() {
    // A set-user-ID or set-group-ID program must not let whoever started it
    // choose the key it authenticates with.
    const char *configured = secure_getenv("FPKEY_AUTH_KEY");
    if (configured && *configured) {
        return parseAuthKey(configured);
    }
    return factoryAuthKey();
}

std::optional<std::array<uint8_t, 16>> encryptChallenge(const AuthKey &key, const std::array<uint8_t, 16> &challenge) {
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    std::array<uint8_t, 16> out{};
    int written = 0;
    int finalWritten = 0;
    if (!context || EVP_EncryptInit_ex(context.get(), EVP_aes_128_ecb(), nullptr, key.data(), nullptr) != 1 ||
        EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1 ||
        EVP_EncryptUpdate(context.get(), out.data(), &written, challenge.data(), static_cast<int>(challenge.size())) !=
            1 ||
        EVP_EncryptFinal_ex(context.get(), out.data() + written, &finalWritten) != 1 ||
        written + finalWritten != static_cast<int>(out.size())) {
        return std::nullopt;
    }
    return out;
}

}  // namespace hxpkcs
