#include "imaging/simd_dispatch.h"

#include <cstdlib>
#include <cstring>

namespace fpdevice::imaging {

namespace {

SimdPath BestAvailable() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? SimdPath::kAvx2 : SimdPath::kSse2;
}

}  // namespace

SimdPath ChosenSimdPath() {
    const SimdPath best = BestAvailable();
    const char *forced = getenv("FPKEY_SIMD");
    if (forced == nullptr) {
        return best;
    }
    if (strcmp(forced, "scalar") == 0) {
        return SimdPath::kScalar;
    }
    // SSE2 is part of every x86-64 processor.
    if (strcmp(forced, "sse2") == 0) {
        return SimdPath::kSse2;
    }
    return best;
}

}  // namespace fpdevice::imaging
