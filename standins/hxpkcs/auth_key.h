// The key used to answer the key's challenge in external authentication.
#ifndef HXPKCS_AUTH_KEY_H
#define HXPKCS_AUTH_KEY_H

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace hxpkcs {

using AuthKey = std::array<uint8_t, 16>;

// 32 hex digits; nullopt for anything else.
std::optional<AuthKey> parseAuthKey(std::string_view hex);
// 00 01 ... 0F, the key every key leaves the factory with.
AuthKey factoryAuthKey();
// $FPKEY_AUTH_KEY when set and not empty, else the factory key 00 01 ... 0F;
// nullopt when the variable does not hold a key. Privileged (set-user-ID,
// set-group-ID) programs take the factory key whatever the variable says.
std::optional<AuthKey> configuredAuthKey();
// AES-128-ECB of one block; nullopt when the cipher fails.
std::optional<std::array<uint8_t, 16>> encryptChallenge(const AuthKey &key, const std::array<uint8_t, 16> &challenge);

}  // namespace hxpkcs

#endif
