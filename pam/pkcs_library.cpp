#include "pkcs_library.h"

#include <dlfcn.h>

#include <string>

#include "fpdevice/dactyl.h"

namespace pam_fpkey {
namespace {

constexpr const char *kLibrary = "libhxpkcs.so";

// By the module's run path first (a set-user-ID program ignores the caller's
// LD_LIBRARY_PATH). A dlopen wrapped by a preloaded tool (a sanitizer) is
// seen as the tool's, so the folders the run path names, beside the module
// in the build tree and one up where it is installed, are tried explicitly.
void *OpenLibrary() {
    if (void *handle = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL)) return handle;
    Dl_info self{};
    if (dladdr(reinterpret_cast<void *>(&OpenLibrary), &self) == 0 || self.dli_fname == nullptr) return nullptr;
    const std::string module = self.dli_fname;
    const std::string folder = module.substr(0, module.rfind('/') + 1);
    for (const std::string &candidate : {folder + kLibrary, folder + "../" + kLibrary}) {
        if (void *handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL)) return handle;
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<PkcsLibrary> PkcsLibrary::Load(std::string *problem) {
    void *handle = OpenLibrary();
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
