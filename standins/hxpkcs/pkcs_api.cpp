// The C entry points of the stand-in PKCS library.
#include <algorithm>
#include <array>
#include <vector>

#include <openssl/crypto.h>

#include "auth_key.h"
#include "fpdevice/dactyl.h"
#include "hxpkcs.h"
#include "key_channel.h"

namespace {

constexpr uint64_t kFailureBase = FP_E_STATUS_BASE;
constexpr uint64_t kOtherFailure = FP_E_UNKNOWN_STATUS;
constexpr uint64_t kBadArgument = FP_E_BAD_ARGUMENT;

uint64_t failureFor(uint16_t status) {
    return status == hxpkcs::kTransportFailure ? kOtherFailure : kFailureBase + status;
}

uint64_t authenticate(const DeviceContext &context, const hxpkcs::AuthKey &key) {
    const std::array<uint8_t, 5> getChallenge{0x00, 0x84, 0x00, 0x00, 0x10};
    const auto challengeReply = hxpkcs::transmit(context, getChallenge);
    if (challengeReply.status != SW_SUCCESS) {
        return failureFor(challengeReply.status);
    }
    std::array<uint8_t, 16> challenge{};
    if (challengeReply.data.size() != challenge.size()) {
        return kOtherFailure;
    }
    std::copy(challengeReply.data.begin(), challengeReply.data.end(), challenge.begin());
    const auto cryptogram = hxpkcs::encryptChallenge(key, challenge);
    if (!cryptogram) {
        return kOtherFailure;
    }
    std::vector<uint8_t> externalAuthenticate{0x00, 0x82, 0x00, 0x00, 0x10};
    externalAuthenticate.insert(externalAuthenticate.end(), cryptogram->begin(), cryptogram->end());
    const auto reply = hxpkcs::transmit(context, externalAuthenticate);
    return reply.status == SW_SUCCESS ? 0 : failureFor(reply.status);
}

}  // namespace

extern "C" {

HXPKCS_API uint64_t HXSCardAuth(DeviceContext *hDev) {
    if (!hxpkcs::usableContext(hDev)) {
        return kOtherFailure;
    }
    const auto key = hxpkcs::configuredAuthKey();
    if (!key) {
        return kBadArgument;  // FPKEY_AUTH_KEY is set but holds no key
    }
    return authenticate(*hDev, *key);
}

HXPKCS_API uint64_t HXSCardAuthWithKey(DeviceContext *hDev, const uint8_t *key) {
    if (!hxpkcs::usableContext(hDev)) {
        return kOtherFailure;
    }
    hxpkcs::AuthKey given = hxpkcs::factoryAuthKey();
    if (key) {
        std::copy(key, key + given.size(), given.begin());
    }
    const uint64_t result = authenticate(*hDev, given);
    OPENSSL_cleanse(given.data(), given.size());
    return result;
}

HXPKCS_API uint64_t HXSCardVerifyUserPin(DeviceContext *hDev, const uint8_t *pin, uint8_t pinLength,
                                         uint16_t *statusWord) {
    if (!hxpkcs::usableContext(hDev)) {
        if (statusWord) {
            *statusWord = hxpkcs::kTransportFailure;
        }
        return kOtherFailure;
    }
    // An empty PIN would turn VERIFY into a query of the retry counter. An
    // overlong one goes to the key, which answers it with a status word.
    if (!pin || pinLength == 0) {
        return kBadArgument;
    }
    std::vector<uint8_t> verify{0x00, 0x20, 0x00, 0x00, pinLength};
    verify.insert(verify.end(), pin, pin + pinLength);
    const auto reply = hxpkcs::transmit(*hDev, verify);
    OPENSSL_cleanse(verify.data(), verify.size());
    if (statusWord) {
        *statusWord = reply.status;
    }
    return reply.status == SW_SUCCESS ? 0 : failureFor(reply.status);
}

}  // extern "C"
