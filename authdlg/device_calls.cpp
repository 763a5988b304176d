#include "device_calls.h"

#include <dlfcn.h>

namespace authdlg {
namespace {

// What a missing function answers: "any other failure".
template <typename Function>
struct Unbound;

template <typename Result, typename... Arguments>
struct Unbound<Result (*)(Arguments...)> {
    static Result Call(Arguments...) { return FP_E_UNKNOWN_STATUS; }
};

// Without HXIsDactyl the key counts as one without the fingerprint application.
int UnboundIsDactyl(DeviceContext *) { return 0; }

template <typename Function>
void Bind(Function *slot, const char *name, Function fallback, std::vector<std::string> *missing) {
    // dlsym hands back an object pointer; converting it to the function's
    // type is how the loader interface is meant to be used.
    if (void *symbol = dlsym(RTLD_DEFAULT, name)) {
        *slot = reinterpret_cast<Function>(symbol);
        return;
    }
    *slot = fallback;
    missing->push_back(name);
}

template <typename Function>
void Bind(Function *slot, const char *name, std::vector<std::string> *missing) {
    Bind(slot, name, &Unbound<Function>::Call, missing);
}

DeviceCalls g_calls{};
bool g_bound = false;

}  // namespace

std::vector<std::string> BindDeviceCalls() {
    std::vector<std::string> missing;
    DeviceCalls calls{};
    Bind(&calls.authBio, "HXSCardAuthBio", &missing);
    Bind(&calls.isDactyl, "HXIsDactyl", &UnboundIsDactyl, &missing);
    Bind(&calls.getVerifyMode, "HXDactylGetVerifyMode", &missing);
    Bind(&calls.verifyUserPinBio, "HXSCardVerifyUserPinBio", &missing);
    Bind(&calls.getMaxTmpltNum, "HXDactylGetMaxTmpltNum", &missing);
    Bind(&calls.readIndexFile, "HXDactylReadIndexFile", &missing);
    Bind(&calls.verifyUserPin, "HXSCardVerifyUserPin", &missing);
    Bind(&calls.getSecState, "HXDactylGetSecState", &missing);
    Bind(&calls.captureImage, "HXDactylCaptureImage", &missing);
    Bind(&calls.featureExtract, "HXDactylFeatureExtract", &missing);
    Bind(&calls.featureIdentify, "HXDactylFeatureIdentify", &missing);
    g_calls = calls;
    g_bound = true;
    return missing;
}

const DeviceCalls &Device() {
    if (!g_bound) BindDeviceCalls();
    return g_calls;
}

}  // namespace authdlg
