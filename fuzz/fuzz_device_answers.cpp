// The key manager answers from the fuzzer's bytes, so every device call
// meets status words, lengths and data a broken or hostile key could send.
// Each answer: result (2 bytes, high first), data length (2 bytes, up to
// 0xFFFF, claims included), then the data bytes available.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fpdevice.h"

namespace {

const uint8_t *g_input;
size_t g_left;

uint16_t Take16() {
    if (g_left < 2) {
        g_left = 0;
        return 0x9000;
    }
    const auto value = static_cast<uint16_t>(g_input[0] << 8 | g_input[1]);
    g_input += 2;
    g_left -= 2;
    return value;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int Icc_tsi_apiHxDev(uint64_t, uint64_t, const uint8_t *,
                                                                       uint64_t *responseLength, uint8_t *response) {
    const uint16_t result = Take16();
    uint64_t claimed = Take16();
    const uint64_t available = claimed < g_left ? claimed : g_left;
    const uint64_t copied = available < *responseLength ? available : *responseLength;
    std::memcpy(response, g_input, copied);
    g_input += available;
    g_left -= available;
    *responseLength = claimed;  // a key manager may claim more than it wrote
    return result;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    g_input = data;
    g_left = size;
    DeviceContext key{};
    key.state = FP_DEVICE_STATE_READY;
    key.activeProtocol = size % 2 ? 1 : 2;

    uint8_t byte = 0, matched = 0, attempts = 0, info[256];
    uint64_t length = 0;
    uint8_t index[255 * FP_INDEX_ENTRY_SIZE];
    uint8_t description[FP_INDEX_ENTRY_SIZE] = {};
    uint8_t pixels[100 * 20] = {};
    const ImageRecord image{100, 20, 0, pixels};

    HXIsDactyl(&key);
    HXDactylGetDeviceInfo(&key, info, &length);
    HXDactylGetVerifyMode(&key, &byte);
    HXDactylGetMaxTmpltNum(&key, &byte);
    HXDactylFeatureVerify(&key, 0, 1, &attempts);
    HXDactylFeatureIdentify(&key, 1, &matched, &attempts);
    HXDactylFeatureVerifyTest(&key, 0, &matched);
    HXDactylReadIndexFile(&key, index);
    HXDactylFeatureEnroll(&key, 1, description);
    HXDactylDeleteFingerPrint(&key, 1);
    HXDactylDownloadImage(&key, &image);
    uint16_t number = 0;
    token_get_current_fid(&key, &number);
    return 0;
}
