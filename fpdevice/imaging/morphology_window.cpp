// Binary dilation and erosion by counting the foreground samples of a window.
#include "fpdevice/imaging_localsums.h"
#include "imaging/byte_window_counts_avx2.h"
#include "imaging/local_sums_impl.h"

#include <cstddef>
#include <type_traits>

namespace img = fpdevice::imaging;

namespace {

// Window sums of the plane (window x along rows, y along columns) in the sum
// type Sum, each sample then replaced by the rule. The rule is applied row by
// row as the sums are finished, after the row has been read, so no scratch
// plane is needed and a failed allocation leaves the plane as it was. load
// turns a stored sample into the value that is counted.
template <typename Sum, typename T, typename Load, typename Rule>
int count_and_apply(T *plane, uint16_t height, uint16_t width, uint8_t windowX, uint8_t windowY, const Load &load,
                    const Rule &rule) {
    if (plane == nullptr) {
        return 1;
    }
    if constexpr (std::is_same_v<Sum, uint8_t> && std::is_same_v<T, uint8_t>) {
        if ((windowX >> 1) == img::kTripledRadius && img::ChosenSimdPath() == img::SimdPath::kAvx2) {
            return img::byte_window_counts_avx2<Load>(plane, height, width, windowY >> 1, rule);
        }
    }
    return img::window_sum_rows<Sum>(static_cast<const T *>(plane), height, width, windowX >> 1, windowY >> 1, load,
                                     plane, rule);
}

using img::I16x8;
using img::I8x16;
using img::load_vector;
using img::store_vector;
using img::U16x8;
using img::U8x16;
using U8x32 = img::LaneVector<uint8_t, 32>::type;
using U16x16 = img::LaneVector<uint16_t, 16>::type;

// All-ones lanes where sum >= bound. SSE2 compares signed lanes only, so
// both sides are moved by half the range first.
inline U8x16 at_least(U8x16 sum, uint8_t bound) {
    const auto below = static_cast<int8_t>(bound ^ 0x80) > (I8x16)(sum ^ 0x80);
    return ~(U8x16)below;
}

inline U16x8 at_least(U16x8 sum, uint16_t bound) {
    const auto below = static_cast<int16_t>(bound ^ 0x8000) > (I16x8)(sum ^ 0x8000);
    return ~(U16x8)below;
}

// Two vectors of 16-bit all-ones / zero lanes as one vector of 0xFF / 0 bytes.
inline U8x16 narrow(U16x8 low, U16x8 high) {
    return __builtin_shufflevector((U8x16)low, (U8x16)high, 0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30);
}

// The rules take the window sums of 16 samples (block), 32 (block32 from
// memory, apply32 from a vector) or of one (one) and rewrite the samples.

// BWDilateFast: t or more set the sample to 1, fewer keep it.
struct SetWhenAtLeast {
    uint8_t t;
    void block(const uint8_t *sums, uint8_t *samples) const {
        const U8x16 on = at_least(load_vector<U8x16>(sums), t);
        store_vector(samples, (on & 1) | (~on & load_vector<U8x16>(samples)));
    }
    void one(uint8_t sum, uint8_t &sample) const { sample = sum >= t ? 1 : sample; }
    [[gnu::target("avx2"), gnu::always_inline]] void block32(const uint8_t *sums, uint8_t *samples) const {
        U8x32 s;
        img::load_into(s, sums);
        apply32(s, samples);
    }
    [[gnu::target("avx2"), gnu::always_inline]] void apply32(const U8x32 &s, uint8_t *samples) const {
        U8x32 old;
        img::load_into(old, samples);
        const U8x32 on = (U8x32)(s >= t);
        store_vector(samples, (on & 1) | (~on & old));
    }
};

// BWErodeFast: a sum other than n clears the sample, n keeps it. An 8-bit sum
// never reaches an n of 256 or more.
struct KeepWhenFull {
    int n;
    void block(const uint8_t *sums, uint8_t *samples) const {
        if (n > 255) {
            store_vector(samples, U8x16{});
            return;
        }
        const auto full = load_vector<U8x16>(sums) == static_cast<uint8_t>(n);
        store_vector(samples, (U8x16)full & load_vector<U8x16>(samples));
    }
    void one(uint8_t sum, uint8_t &sample) const { sample = sum != n ? 0 : sample; }
    [[gnu::target("avx2"), gnu::always_inline]] void block32(const uint8_t *sums, uint8_t *samples) const {
        U8x32 s;
        img::load_into(s, sums);
        apply32(s, samples);
    }
    [[gnu::target("avx2"), gnu::always_inline]] void apply32(const U8x32 &s, uint8_t *samples) const {
        U8x32 old;
        img::load_into(old, samples);
        const U8x32 full = n > 255 ? U8x32{} : (U8x32)(s == static_cast<uint8_t>(n));
        store_vector(samples, full & old);
    }
};

// BWDilateFastUint16 / BWErodeFastUint16 on unit planes (1 / 0) and the MY_
// forms on byte masks (255 / 0): the sample is set where the test holds and
// cleared elsewhere.
template <bool AtLeast>
struct SetWhere {
    uint16_t bound;
    U16x8 test(const uint16_t *sums) const {
        const U16x8 s = load_vector<U16x8>(sums);
        return AtLeast ? at_least(s, bound) : (U16x8)(s == bound);
    }
    bool test(uint16_t sum) const { return AtLeast ? sum >= bound : sum == bound; }

    void block(const uint16_t *sums, uint16_t *samples) const {
        store_vector(samples, test(sums) & 1);
        store_vector(samples + 8, test(sums + 8) & 1);
    }
    void one(uint16_t sum, uint16_t &sample) const { sample = test(sum) ? 1 : 0; }
    [[gnu::target("avx2"), gnu::always_inline]] void block32(const uint16_t *sums, uint16_t *samples) const {
        U16x16 s;
        img::load_into(s, sums);
        store_vector(samples, (AtLeast ? (U16x16)(s >= bound) : (U16x16)(s == bound)) & 1);
    }

    void block(const uint16_t *sums, uint8_t *mask) const { store_vector(mask, narrow(test(sums), test(sums + 8))); }
    void one(uint16_t sum, uint8_t &sample) const { sample = test(sum) ? 255 : 0; }

    // Masks whose windows hold at most 255 samples are counted in 8 bits.
    void block(const uint8_t *sums, uint8_t *mask) const {
        const U8x16 s = load_vector<U8x16>(sums);
        const auto b = static_cast<uint8_t>(bound);
        store_vector(mask, AtLeast ? at_least(s, b) : (U8x16)(s == b));
    }
    void one(uint8_t sum, uint8_t &sample) const { sample = test(sum) ? 255 : 0; }
    [[gnu::target("avx2"), gnu::always_inline]] void block32(const uint8_t *sums, uint8_t *mask) const {
        U8x32 s;
        img::load_into(s, sums);
        apply32(s, mask);
    }
    [[gnu::target("avx2"), gnu::always_inline]] void apply32(const U8x32 &s, uint8_t *mask) const {
        const auto b = static_cast<uint8_t>(bound);
        store_vector(mask, AtLeast ? (U8x32)(s >= b) : (U8x32)(s == b));
    }
};

// The MY_ forms: counted in 8 bits when no window can hold more than 255
// samples (the sums and so the results are the same as in 16 bits, and half
// as wide), else in 16 bits.
template <bool AtLeast>
int32_t mask_rule(uint8_t *mask, uint16_t height, uint16_t width, uint8_t windowX, uint8_t windowY, uint16_t bound) {
    const int most = (2 * (windowX >> 1) + 1) * (2 * (windowY >> 1) + 1);
    if (most <= 255) {
        return count_and_apply<uint8_t>(mask, height, width, windowX, windowY, img::NonZeroAsOne{},
                                        SetWhere<AtLeast>{bound});
    }
    return count_and_apply<uint16_t>(mask, height, width, windowX, windowY, img::NonZeroAsOne{},
                                     SetWhere<AtLeast>{bound});
}

// The 8-bit dilation counts with the window area cut to 8 bits as well, so a
// 16 x 16 window (256) gives threshold 0 and fills the plane.
uint8_t dilate8_threshold(uint8_t windowX, uint8_t windowY) {
    const int n = (windowX * windowY) & 0xFF;
    return static_cast<uint8_t>(0.1 * n + 0.7);
}

uint16_t dilate16_threshold(uint8_t windowX, uint8_t windowY) {
    const int n = static_cast<uint16_t>(windowX * windowY);
    return static_cast<uint16_t>(0.18 * n + 0.7);
}

uint16_t area16(uint8_t windowX, uint8_t windowY) {
    return static_cast<uint16_t>(windowX * windowY);  // at most 65025
}

}  // namespace

extern "C" {

FPDEVICE_API int32_t BWDilateFast(uint8_t *plane, uint16_t height, uint16_t width, uint8_t windowX, uint8_t windowY) {
    // Soft dilation: t foreground samples in the window make a sample
    // foreground; below that it keeps its value. Sums wrap at 256.
    return count_and_apply<uint8_t>(plane, height, width, windowX, windowY, img::AsStored{},
                                    SetWhenAtLeast{dilate8_threshold(windowX, windowY)});
}

FPDEVICE_API int32_t BWErodeFast(uint8_t *plane, uint16_t height, uint16_t width, uint8_t windowX, uint8_t windowY) {
    // Compared with the full product: from 256 on every sample is cleared.
    return count_and_apply<uint8_t>(plane, height, width, windowX, windowY, img::AsStored{},
                                    KeepWhenFull{windowX * windowY});
}

FPDEVICE_API int32_t BWDilateFastUint16(uint16_t *plane, uint16_t height, uint16_t width, uint8_t windowX,
                                        uint8_t windowY) {
    return count_and_apply<uint16_t>(plane, height, width, windowX, windowY, img::AsStored{},
                                     SetWhere<true>{dilate16_threshold(windowX, windowY)});
}

FPDEVICE_API int32_t BWErodeFastUint16(uint16_t *plane, uint16_t height, uint16_t width, uint8_t windowX,
                                       uint8_t windowY) {
    return count_and_apply<uint16_t>(plane, height, width, windowX, windowY, img::AsStored{},
                                     SetWhere<false>{area16(windowX, windowY)});
}

// The byte-mask forms count the mask as the unit plane (mask != 0) in 16 bits
// and write the BWDilateFastUint16 / BWErodeFastUint16 result back as 255 / 0,
// without a unit plane of their own.
FPDEVICE_API int32_t MY_BWDilateFastUint16(uint8_t *mask, uint16_t height, uint16_t width, uint8_t windowX,
                                           uint8_t windowY) {
    return mask_rule<true>(mask, height, width, windowX, windowY, dilate16_threshold(windowX, windowY));
}

FPDEVICE_API int32_t MY_BWErodeFastUint16(uint8_t *mask, uint16_t height, uint16_t width, uint8_t windowX,
                                          uint8_t windowY) {
    return mask_rule<false>(mask, height, width, windowX, windowY, area16(windowX, windowY));
}

}  // extern "C"
