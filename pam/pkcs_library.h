// The PKCS library of the key (libhxpkcs.so), loaded for one login:
// external authentication of the key and the user PIN.
#ifndef PAM_FPKEY_PKCS_LIBRARY_H
#define PAM_FPKEY_PKCS_LIBRARY_H

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "fpdevice/transport.h"

namespace pam_fpkey {

using AuthKey = std::array<uint8_t, 16>;

class PkcsLibrary {
public:
    // Null, with the loader's reason in *problem, when the library or one
    // of its entries cannot be found.
    static std::unique_ptr<PkcsLibrary> Load(std::string *problem);
    ~PkcsLibrary();
    PkcsLibrary(const PkcsLibrary &) = delete;
    PkcsLibrary &operator=(const PkcsLibrary &) = delete;

    // With the given key, or the factory key for none. A maker's library
    // without HXSCardAuthWithKey keeps its own key and refuses a given one
    // (FP_E_BAD_ARGUMENT).
    uint64_t Authenticate(DeviceContext *device, const std::optional<AuthKey> &key) const;
    uint64_t VerifyUserPin(DeviceContext *device, const uint8_t *pin, uint8_t length, uint16_t *statusWord) const;

private:
    using AuthEntry = uint64_t (*)(DeviceContext *);
    using AuthWithKeyEntry = uint64_t (*)(DeviceContext *, const uint8_t *);
    using VerifyPinEntry = uint64_t (*)(DeviceContext *, const uint8_t *, uint8_t, uint16_t *);

    explicit PkcsLibrary(void *handle) : handle_(handle) {}

    void *handle_;
    AuthEntry auth_ = nullptr;
    AuthWithKeyEntry authWithKey_ = nullptr;
    VerifyPinEntry verifyPin_ = nullptr;
};

}  // namespace pam_fpkey

#endif
