#include "pkcs_library.h"

#include <dlfcn.h>

#include "fpdevice/dactyl.h"

namespace pam_fpkey {

std::unique_ptr<PkcsLibrary> PkcsLibrary::Load(std::string *problem) {
    // Found through the module's own run path, beside the key manager: a
    // set-user-ID program ignores the caller's LD_LIBRARY_PATH.
    void *handle = dlopen("libhxpkcs.so", RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char *reason = dlerror();
        *problem = reason != nullptr ? reason : "libhxpkcs.so cannot be loaded";
        return nullptr;
    }
    std::unique_ptr<PkcsLibrary> library(new PkcsLibrary(handle));
    library->auth_ = reinterpret_cast<AuthEntry>(dlsym(handle, "HXSCardAuth"));
    library->authWithKey_ = reinterpret_cast<AuthWithKeyEntry>(dlsym(handle, "HXSCardAuthWithKey"));
    library->verifyPin_ = reinterpret_cast<VerifyPinEntry>(dlsym(handle, "HXSCardVerifyUserPin"));
    if (library->auth_ == nullptr || library->verifyPin_ == nullptr) {
        *problem = "libhxpkcs.so lacks HXSCardAuth or HXSCardVerifyUserPin";
        return nullptr;
    }
    return library;
}

PkcsLibrary::~PkcsLibrary() { dlclose(handle_); }

uint64_t PkcsLibrary::Authenticate(DeviceContext *device, const std::optional<AuthKey> &key) const {
    if (authWithKey_ != nullptr) return authWithKey_(device, key ? key->data() : nullptr);
    return key ? FP_E_BAD_ARGUMENT : auth_(device);
}

uint64_t PkcsLibrary::VerifyUserPin(DeviceContext *device, const uint8_t *pin, uint8_t length,
                                    uint16_t *statusWord) const {
    return verifyPin_(device, pin, length, statusWord);
}

}  // namespace pam_fpkey
