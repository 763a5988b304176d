// The library's exported data, the cache checks and the exported class
// CHXLoginVerify.
#include <cstdio>

#include "authdlg.h"
#include "fpdevice/dactyl.h"

extern "C" {

AUTHDLG_API std::atomic<int16_t> g_CancelPressed{0};
AUTHDLG_API int16_t Enable_Fingerprint_Mode = 0;

// Copies of the protocol control records, for hosts that look for them here
// (declared with default visibility in fpdevice/transport.h).
const SCardIoRequest g_rgSCardT0Pci = {1, 8};
const SCardIoRequest g_rgSCardT1Pci = {2, 8};

// The key keeps no PIN login to reuse.
AUTHDLG_API uint64_t VerifyCachePin(DeviceContext *hDev) {
    std::printf("hDev=%p\n", static_cast<void *>(hDev));
    return FP_E_UNKNOWN_STATUS;
}

// No finger login counts as cached either.
AUTHDLG_API uint64_t VerifyCacheFinger(DeviceContext *hDev, uint8_t *RetryTimes) {
    std::printf("hDev=%p\n", static_cast<void *>(hDev));
    std::printf("RetryTimes=%d\n", RetryTimes != nullptr ? *RetryTimes : 0);
    return 0x10000006u;
}

}  // extern "C"

CHXLoginVerify::CHXLoginVerify() = default;
