// The bridge to the maker's PKCS library. It is loaded for the duration of
// one call and closed again; when the host has loaded it too, the loader's
// reference count keeps it in place.
#include <dlfcn.h>
#include <climits>
#include <cstdio>
#include <cstring>

#include "fpdevice/transport.h"

namespace {

constexpr const char *kPkcsLibrary = "libhxpkcs.so";

// The console line is what people and scripts look for; the loader's reason
// goes to standard error beside it.
void ReportLoadFailure(const char *reason) {
    std::puts("Failed load library libhxpkcs.so");
    if (reason != nullptr) std::fprintf(stderr, "libhxpkcs.so: %s\n", reason);
}

// The library is looked up by name, the loader's way: the host's library
// path first, then the folder of this library. A dlopen wrapped by a
// preloaded tool (a sanitizer, a tracer) makes the loader see the wrapper as
// the caller and miss this library's folder, so that folder is tried again
// explicitly before giving up.
void *OpenPkcsLibrary() {
    if (void *library = dlopen(kPkcsLibrary, RTLD_NOW)) return library;
    Dl_info self{};
    // An address with internal linkage: an exported one could resolve to
    // another copy of this library.
    if (dladdr(reinterpret_cast<void *>(&OpenPkcsLibrary), &self) == 0 || self.dli_fname == nullptr) return nullptr;
    const char *slash = std::strrchr(self.dli_fname, '/');
    if (slash == nullptr) return nullptr;
    char path[PATH_MAX];
    const int folderLength = static_cast<int>(slash - self.dli_fname);
    if (std::snprintf(path, sizeof path, "%.*s/%s", folderLength, self.dli_fname, kPkcsLibrary) >=
        static_cast<int>(sizeof path)) {
        return nullptr;
    }
    return dlopen(path, RTLD_NOW);
}

// Loads the library and looks up one entry; on success the caller owns the
// handle and must close it.
void *LoadEntry(const char *entryName, void **library) {
    dlerror();
    *library = OpenPkcsLibrary();
    if (*library == nullptr) {
        ReportLoadFailure(dlerror());
        return nullptr;
    }
    if (const char *pending = dlerror()) {
        ReportLoadFailure(pending);
        dlclose(*library);
        return nullptr;
    }
    void *entry = dlsym(*library, entryName);
    if (const char *missing = dlerror()) {
        ReportLoadFailure(missing);
        dlclose(*library);
        return nullptr;
    }
    return entry;
}

using AuthEntry = uint64_t (*)(DeviceContext *);
using VerifyPinEntry = uint64_t (*)(DeviceContext *, const uint8_t *, uint8_t, uint16_t *);

}  // namespace

extern "C" {

uint64_t HXSCardAuthBio(DeviceContext *hDev) {
    void *library = nullptr;
    void *entry = LoadEntry("HXSCardAuth", &library);
    if (entry == nullptr) return HX_PKCS_AUTH_UNAVAILABLE;
    const uint64_t result = reinterpret_cast<AuthEntry>(entry)(hDev);
    dlclose(library);
    return result;
}

uint64_t HXSCardVerifyUserPinBio(DeviceContext *hDev, const uint8_t *pin, uint8_t pinLength, uint16_t *statusWord) {
    void *library = nullptr;
    void *entry = LoadEntry("HXSCardVerifyUserPin", &library);
    if (entry == nullptr) return HX_PKCS_PIN_UNAVAILABLE;
    const uint64_t result = reinterpret_cast<VerifyPinEntry>(entry)(hDev, pin, pinLength, statusWord);
    dlclose(library);
    return result;
}
}
