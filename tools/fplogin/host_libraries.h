// The libraries a login host loads, the way a host application does it:
// libfpdevice.so and libhxpkcs.so with global symbol visibility first, so
// that libauthdlg.so, loaded next, finds the device functions by name.
#ifndef FPLOGIN_HOST_LIBRARIES_H
#define FPLOGIN_HOST_LIBRARIES_H

#include <string>

#include "authdlg.h"
#include "fpdevice.h"

namespace fplogin {

struct DeviceFunctions {
    decltype(&HXSCardAuthBio) authBio = nullptr;
    decltype(&HXDactylGetVerifyMode) getVerifyMode = nullptr;
    decltype(&HXDactylSetVerifyMode) setVerifyMode = nullptr;
    decltype(&HXDactylGetMaxTmpltNum) getMaxTmpltNum = nullptr;
    decltype(&HXDactylReadIndexFile) readIndexFile = nullptr;
    decltype(&HXDactylCaptureImage) captureImage = nullptr;
    decltype(&HXDactylFeatureExtract) featureExtract = nullptr;
    decltype(&HXDactylFeatureEnroll) featureEnroll = nullptr;
    decltype(&HXDactylFeatureVerifyTest) featureVerifyTest = nullptr;
};

class HostLibraries {
public:
    // Loads the three libraries (found through this program's run path) and
    // looks up what the demo calls. Returns false with *error set.
    bool Load(std::string *error);

    const DeviceFunctions &device() const { return device_; }
    decltype(&HXLoginVerify) loginVerify() const { return loginVerify_; }

private:
    DeviceFunctions device_;
    decltype(&HXLoginVerify) loginVerify_ = nullptr;
};

}  // namespace fplogin

#endif
