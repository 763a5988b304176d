// Enrolments and deletions on a simulated key, each cut short after a
// number of exchanges the fuzzer chooses, as a process killed at that point
// would leave it; the key is closed and opened again between operations, so
// its stored state is read back each time. Whatever was cut, the key must
// not jam: the same operation run to the end afterwards succeeds, an
// enrolled finger verifies against its template, and a deleted entry is
// empty.
// Input: pairs of bytes; the first picks the operation (low bit: enrol or
// delete) and where it is cut (the rest, 0 = not cut), the second the
// template number.
#include <dlfcn.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fpdevice.h"
#include "hxkmgr.h"
#include "key_file.h"

namespace {

using KeyExchange = int (*)(uint64_t, uint64_t, const uint8_t *, uint64_t *, uint8_t *);

// Exchanges left before the cut; negative: no cut.
int g_exchangesLeft = -1;

constexpr uint8_t kCapacity = 10;

void Check(bool holds) {
    if (!holds) std::abort();
}

struct OpenKey {
    explicit OpenKey(const std::string &address) {
        Check(HXKeyOpen(address.c_str(), &context) == 0);
        Check(HXSCardAuthBio(&context) == FP_OK);
    }
    ~OpenKey() { HXKeyClose(&context); }
    DeviceContext context{};
};

std::string FingerOf(uint8_t number) { return "finger-" + std::to_string(number); }

void ReadyFeatures(DeviceContext *key, uint8_t number) {
    Check(HXSimPlaceFinger(key, FingerOf(number).c_str()) == 0);
    for (uint8_t slot = 1; slot <= 3; ++slot) {
        Check(HXDactylCaptureImage(key) == FP_OK);
        Check(HXDactylFeatureExtract(key, slot) == FP_OK);
    }
}

uint64_t Enrol(DeviceContext *key, uint8_t number) {
    uint8_t description[FP_INDEX_ENTRY_SIZE] = {};
    FpIndexEntrySetCallerData(description, &number, 1);
    return HXDactylFeatureEnroll(key, number, description);
}

bool Enrolled(DeviceContext *key, uint8_t number) {
    uint8_t index[FP_INDEX_MAX_BYTES] = {};
    Check(HXDactylReadIndexFile(key, index) == FP_OK);
    return FpIndexEntryEnrolled(index + FP_INDEX_ENTRY_OFFSET(number));
}

}  // namespace

// Stands in front of the key manager's exchange and fails every exchange
// after the cut, as if the process had died there.
extern "C" __attribute__((visibility("default"))) int Icc_tsi_apiHxDev(uint64_t handle, uint64_t commandLength,
                                                                       const uint8_t *command, uint64_t *responseLength,
                                                                       uint8_t *response) {
    static const auto next = reinterpret_cast<KeyExchange>(dlsym(RTLD_NEXT, "Icc_tsi_apiHxDev"));
    if (g_exchangesLeft == 0) {
        *responseLength = 0;
        return 0xFFFF;
    }
    if (g_exchangesLeft > 0) --g_exchangesLeft;
    return next(handle, commandLength, command, responseLength, response);
}

// External authentication loads the PKCS library and unloads it again; held
// open here, its coverage counters stay mapped while the fuzzer reads them.
extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    Check(dlopen("libhxpkcs.so", RTLD_NOW | RTLD_GLOBAL) != nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const fuzzkey::ScratchKey scratch;
    static const std::string address = "sim:" + scratch.file();
    Check(HXSimResetKey(address.c_str()) == 0);
    for (; size >= 2; data += 2, size -= 2) {
        const bool enrol = (data[0] & 1) == 0;
        const int cut = data[0] >> 1;
        const auto number = static_cast<uint8_t>(1 + data[1] % kCapacity);
        {
            OpenKey key(address);
            if (enrol) ReadyFeatures(&key.context, number);
            g_exchangesLeft = cut == 0 ? -1 : cut - 1;
            if (enrol) {
                Enrol(&key.context, number);
            } else {
                HXDactylDeleteFingerPrint(&key.context, number);
            }
            g_exchangesLeft = -1;
        }
        OpenKey key(address);
        if (enrol) {
            ReadyFeatures(&key.context, number);
            Check(Enrol(&key.context, number) == FP_OK);
            Check(Enrolled(&key.context, number));
            uint8_t attempts = 0;
            ReadyFeatures(&key.context, number);
            Check(HXDactylFeatureVerify(&key.context, 0, number, &attempts) == FP_OK);
        } else {
            HXDactylDeleteFingerPrint(&key.context, number);
            Check(!Enrolled(&key.context, number));
        }
    }
    return 0;
}
