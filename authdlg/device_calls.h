// The device functions the dialogs call, looked up by name in the host
// process: the library has no link-time dependency on libfpdevice.so or
// libhxpkcs.so, which the host loads with global visibility.
#ifndef AUTHDLG_DEVICE_CALLS_H
#define AUTHDLG_DEVICE_CALLS_H

#include <string>
#include <vector>

#include "fpdevice.h"
#include "hxpkcs.h"

namespace authdlg {

struct DeviceCalls {
    decltype(&HXSCardAuthBio) authBio;
    decltype(&HXIsDactyl) isDactyl;
    decltype(&HXDactylGetVerifyMode) getVerifyMode;
    decltype(&HXSCardVerifyUserPinBio) verifyUserPinBio;
    decltype(&HXDactylGetMaxTmpltNum) getMaxTmpltNum;
    decltype(&HXDactylReadIndexFile) readIndexFile;
    decltype(&HXSCardVerifyUserPin) verifyUserPin;  // straight from the PKCS library
    decltype(&HXDactylGetSecState) getSecState;
    decltype(&HXDactylCaptureImage) captureImage;
    decltype(&HXDactylFeatureExtract) featureExtract;
    decltype(&HXDactylFeatureIdentify) featureIdentify;
};

// Looks every function up again and makes the result the calls in use. A
// function the process lacks is replaced by one that answers 0x8000B001
// (HXIsDactyl: 0), and its name is returned.
std::vector<std::string> BindDeviceCalls();

// The calls in use; bound on first use when BindDeviceCalls has not run.
// Rebinding happens on the GUI thread while no capture worker runs.
const DeviceCalls &Device();

}  // namespace authdlg

#endif
