// The key's cryptography: random numbers and the AES block cipher.
#ifndef SIMKEY_CARD_CRYPTO_H
#define SIMKEY_CARD_CRYPTO_H

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace simkey {

using Block = std::array<uint8_t, 16>;
using Digest = std::array<uint8_t, 32>;

// Throws std::runtime_error when the generator fails.
std::vector<uint8_t> randomBytes(size_t count);
// One AES-128 block in ECB mode.
Block aes128EncryptBlock(std::span<const uint8_t, 16> key, std::span<const uint8_t, 16> block);
Digest sha256(std::string_view text);
// Compares without an early exit, so timing tells nothing about the secret.
bool equalSecrets(std::span<const uint8_t> a, std::span<const uint8_t> b);

}  // namespace simkey

#endif
