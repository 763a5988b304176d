#include "key_login.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "auth_key_file.h"
#include "authfile.h"
#include "finger_check.h"
#include "fpdevice/dactyl.h"
#include "hxkmgr.h"
#include "key_serial.h"
#include "pin_check.h"
#include "pkcs_library.h"
#include "trusted_file.h"

namespace pam_fpkey {
namespace {

constexpr uint8_t kKeyModePin = 0;
constexpr uint8_t kKeyModeFinger = 1;
constexpr uint8_t kKeyModeFingerOrPin = 2;

class OpenKey {
public:
    ~OpenKey() {
        if (open_) HXKeyClose(&context_);
    }
    bool Open(const std::string &address, unsigned waitSeconds) {
        open_ = HXKeyConnect(address.c_str(), HXKEY_SHARE_EXCLUSIVE, waitSeconds * 1000u, &context_) == 0;
        return open_;
    }
    DeviceContext *device() { return &context_; }

private:
    DeviceContext context_{};
    bool open_ = false;
};

// The authentication key is wiped however the login ends.
struct GivenAuthKey {
    std::optional<AuthKey> key;
    ~GivenAuthKey() {
        if (key) explicit_bzero(key->data(), key->size());
    }
};

// The simulated key's state is the key itself: it is taken only from a file
// that nobody but root (or the user the process runs as) can have written.
std::optional<LoginOutcome> RefuseUntrustedSimulatedKey(const std::string &address, const ModuleLog &log) {
    const size_t colon = address.find(':');
    if (!address.starts_with("sim") || colon == std::string::npos) return std::nullopt;
    const TrustedRead state = CheckTrustedFile(address.substr(colon + 1));
    if (state.trust == FileTrust::kTrusted) return std::nullopt;
    if (state.trust == FileTrust::kMissing) {
        log.Debug("no simulated key: " + state.problem);
        return LoginOutcome::kKeyUnavailable;
    }
    log.Error("simulated key refused: " + state.problem);
    return LoginOutcome::kMisconfigured;
}

enum class Method { kFinger, kPin, kNone };

Method MethodFor(VerifyChoice choice, uint8_t keyMode) {
    const bool fingerAllowed = keyMode != kKeyModePin;
    const bool pinAllowed = keyMode != kKeyModeFinger;
    switch (choice) {
        case VerifyChoice::kFinger: return fingerAllowed ? Method::kFinger : Method::kNone;
        case VerifyChoice::kPin: return pinAllowed ? Method::kPin : Method::kNone;
        case VerifyChoice::kAuto: break;
    }
    return fingerAllowed ? Method::kFinger : Method::kPin;
}

bool SerialBelongsToUser(const std::string &serial, const std::vector<std::string> &userSerials) {
    return std::ranges::any_of(userSerials, [&](const std::string &mine) { return SameSerial(mine, serial); });
}

}  // namespace

LoginOutcome LogInWithKey(const ModuleOptions &options, const std::vector<std::string> &userSerials,
                          Conversation &conversation, const ModuleLog &log) {
    if (const auto refused = RefuseUntrustedSimulatedKey(options.device, log)) return *refused;
    GivenAuthKey authKey;
    if (!options.authkeyFile.empty()) {
        std::string problem;
        authKey.key.emplace();
        if (!ReadAuthKeyFile(options.authkeyFile, &*authKey.key, &problem)) {
            log.Error(problem);
            return LoginOutcome::kMisconfigured;
        }
    }
    std::string problem;
    const auto pkcs = PkcsLibrary::Load(&problem);
    if (!pkcs) {
        log.Error("cannot load the PKCS library: " + problem);
        return LoginOutcome::kMisconfigured;
    }

    OpenKey key;
    if (!key.Open(options.device, options.timeoutSeconds)) {
        log.Debug("no key at " + options.device + ": " + HXKeyLastError());
        return LoginOutcome::kKeyUnavailable;
    }
    if (const uint64_t result = pkcs->Authenticate(key.device(), authKey.key)) {
        log.Error("external authentication of the key failed with " + HexCode(result));
        return LoginOutcome::kRejected;
    }
    const std::string serial = fpkey::ReadKeySerial(key.device());
    if (serial.empty() || !SerialBelongsToUser(serial, userSerials)) {
        conversation.Warn("This key is not registered for this user");
        log.Debug("key " + (serial.empty() ? std::string("without a readable serial number") : serial) +
                  " is not the user's");
        return LoginOutcome::kRejected;
    }
    uint8_t keyMode = 0;
    if (const uint64_t result = HXDactylGetVerifyMode(key.device(), &keyMode)) {
        log.Error("reading the verify mode failed with " + HexCode(result));
        return LoginOutcome::kRejected;
    }
    log.Debug("key " + serial + " opened at " + options.device + ", verify mode " + std::to_string(keyMode));
    if (keyMode > kKeyModeFingerOrPin) {
        log.Error("the key reports an unknown verify mode " + std::to_string(keyMode));
        return LoginOutcome::kRejected;
    }
    switch (MethodFor(options.mode, keyMode)) {
        case Method::kFinger: return CheckFinger(key.device(), options, conversation, log);
        case Method::kPin: return CheckPin(key.device(), *pkcs, options, conversation, log);
        case Method::kNone: break;
    }
    conversation.Warn(keyMode == kKeyModePin ? "The key accepts only its PIN" : "The key accepts only a finger");
    return LoginOutcome::kRejected;
}

}  // namespace pam_fpkey
