// GET CHALLENGE, EXTERNAL AUTHENTICATE and VERIFY (user PIN).
#include <algorithm>

#include "simkey/card_crypto.h"
#include "simkey/commands.h"

namespace simkey {

Answer getChallenge(CardContext &card, const Command &command) {
    if (!command.expects(16)) {
        return Answer::withStatus(SW_WRONG_LENGTH);
    }
    if (command.p1p2() != 0) {
        return Answer::withStatus(SW_WRONG_P1P2);
    }
    const auto bytes = randomBytes(16);
    std::array<uint8_t, 16> challenge{};
    std::copy(bytes.begin(), bytes.end(), challenge.begin());
    card.session.challenge = challenge;
    return Answer::success(bytes);
}

Answer externalAuthenticate(CardContext &card, const Command &command) {
    if (!command.carries(16)) {
        return Answer::withStatus(SW_WRONG_LENGTH);
    }
    if (command.p1p2() != 0) {
        return Answer::withStatus(SW_WRONG_P1P2);
    }
    if (!card.session.challenge) {
        return Answer::withStatus(SW_CONDITIONS_NOT_SATISFIED);
    }
    // A challenge answers one attempt only, right or wrong.
    const auto challenge = *card.session.challenge;
    card.session.challenge.reset();
    const auto expected = aes128EncryptBlock(card.key.authKey, challenge);
    if (!equalSecrets(expected, command.data)) {
        card.session.authenticated = false;
        return Answer::withStatus(SW_AUTHENTICATION_FAILED);
    }
    card.session.authenticated = true;
    return Answer::success();
}

Answer verifyUserPin(CardContext &card, const Command &command) {
    // Without a PIN (no body, or P3 = 00) the command asks for the state.
    const bool query = command.isBare() || command.expects(256);
    if (!query && (!command.carriesData() || command.data.size() > kMaxPinLength)) {
        return Answer::withStatus(SW_WRONG_LENGTH);
    }
    if (command.p1p2() != 0) {
        return Answer::withStatus(SW_WRONG_P1P2);
    }
    auto &tries = card.key.pinTries;
    if (tries.left == 0) {
        return Answer::withStatus(SW_AUTH_METHOD_BLOCKED);
    }
    if (query) {
        return Answer::withStatus(card.session.pinVerified ? SW_SUCCESS : sw::triesLeft(tries.left));
    }
    const auto &pin = card.key.userPin;
    const bool right = equalSecrets(std::span(reinterpret_cast<const uint8_t *>(pin.data()), pin.size()), command.data);
    if (!right) {
        card.session.pinVerified = false;
        --tries.left;
        return Answer::withStatus(sw::triesLeft(tries.left));
    }
    tries.restore();
    card.key.fingerTries.restore();
    card.session.pinVerified = true;
    return Answer::success();
}

}  // namespace simkey
