#include "pin_check.h"

#include <string>

#include "fpdevice/dactyl.h"

namespace pam_fpkey {

LoginOutcome CheckPin(DeviceContext *device, const PkcsLibrary &pkcs, const ModuleOptions &options,
                      Conversation &conversation, const ModuleLog &log) {
    for (unsigned attempt = 1; attempt <= options.maxTries; ++attempt) {
        SecretPin pin;
        switch (conversation.AskPin("PIN for the key: ", &pin)) {
            case Answer::kFailed: return LoginOutcome::kConversationFailed;
            case Answer::kTooLong:
                conversation.Warn("The PIN is longer than " + std::to_string(SecretPin::kLongest) + " characters");
                continue;
            case Answer::kGiven: break;
        }
        // An empty PIN would ask the key for its counter: nothing is sent.
        if (pin.length() == 0) {
            conversation.Warn("No PIN given");
            continue;
        }
        uint16_t statusWord = 0;
        if (pkcs.VerifyUserPin(device, pin.bytes(), pin.length(), &statusWord) == 0) {
            log.Debug("the key accepted the PIN");
            return LoginOutcome::kVerified;
        }
        const unsigned left = statusWord & 0x0Fu;
        if (statusWord == SW_AUTH_METHOD_BLOCKED || statusWord == SW_VERIFY_FAILED_BASE) {
            conversation.Warn("The key's PIN is blocked");
            return LoginOutcome::kBlocked;
        }
        if ((statusWord & 0xFFF0u) != SW_VERIFY_FAILED_BASE) {
            log.Error("PIN verification failed with status word " + HexCode(statusWord));
            return LoginOutcome::kRejected;
        }
        conversation.Warn("Wrong PIN, " + AttemptsLeft(left));
        log.Debug("wrong PIN, " + std::to_string(left) + " attempts left");
    }
    return LoginOutcome::kRejected;
}

}  // namespace pam_fpkey
