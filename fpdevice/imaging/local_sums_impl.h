// Box sums shared by the vector and image sums, the box means, the window-count
// morphology and the orientation field. Private to the library.
//
// The arithmetic is fixed to the bit because host applications compare
// results across machines:
// - every window sum is one running sum: S = x[0] + ... + x[r], then for each
//   output j: emit S, add x[j + r + 1], subtract x[j - r], the addition first;
// - sums wrap at the width of their type. Integer sums are carried in
//   uint32_t and cut to their type when stored: modulo 2^8 or 2^16 the low
//   bits of a 32-bit sum are those of a sum wrapped at every step, and
//   unsigned wrapping is defined behaviour (int32 planes are handed in as
//   uint32_t, the same bits). Integer sums may therefore be regrouped;
// - float sums round to single precision after every addition and every
//   subtraction, so their results carry the rounding of the running sum and
//   the order above must not change (no regrouping, no wider sums);
// - images are summed along rows first, then along columns, each column with
//   the same running sum as a vector.
// A window that is longer than the data is cut to the samples that exist.
#ifndef FPDEVICE_IMAGING_LOCAL_SUMS_IMPL_H
#define FPDEVICE_IMAGING_LOCAL_SUMS_IMPL_H

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <type_traits>

#include "imaging/simd_dispatch.h"

namespace fpdevice::imaging {

// The carried type of a running sum of Sum.
template <typename Sum>
using SumCarry = std::conditional_t<std::is_floating_point_v<Sum>, Sum, uint32_t>;

// A vector of Lanes elements of T (declared at namespace scope: a dependent
// vector typedef inside a function template loses its attribute).
template <typename T, size_t Lanes>
struct LaneVector {
    typedef T type __attribute__((vector_size(Lanes * sizeof(T))));
};

// Plain 16-byte vectors: the width every x86-64 processor works in (SSE2),
// where comparisons and narrowing map onto single instructions.
using U8x16 = LaneVector<uint8_t, 16>::type;
using I8x16 = LaneVector<int8_t, 16>::type;
using U16x8 = LaneVector<uint16_t, 8>::type;
using I16x8 = LaneVector<int16_t, 8>::type;
using U32x4 = LaneVector<uint32_t, 4>::type;
using I32x4 = LaneVector<int32_t, 4>::type;
using F32x4 = LaneVector<float, 4>::type;

template <typename V, typename T>
inline V load_vector(const T *p) {
    V v;
    memcpy(&v, p, sizeof v);
    return v;
}

// The form for kernels that are also built for AVX2: a 32-byte vector is
// never returned by value from a function built without AVX, whose calling
// convention for it differs.
template <typename V, typename T>
[[gnu::always_inline]] inline void load_into(V &v, const T *p) {
    memcpy(&v, p, sizeof v);
}

template <typename V, typename T>
inline void store_vector(T *p, const V &v) {
    memcpy(p, &v, sizeof v);
}

// How a stored sample is counted: scalar() gives one sample in the carried
// type, lanes() the 16 / sizeof(Sum) samples from p as one vector of Sum.
struct AsStored {
    template <typename Carry, typename In>
    static Carry scalar(In v) {
        return static_cast<Carry>(v);
    }

    template <typename Sum, typename In>
    static typename LaneVector<Sum, 16 / sizeof(Sum)>::type lanes(const In *p) {
        if constexpr (sizeof(In) == sizeof(Sum)) {
            return load_vector<typename LaneVector<Sum, 16 / sizeof(Sum)>::type>(p);
        } else if constexpr (sizeof(In) == 1 && sizeof(Sum) == 4) {
            // Bytes to 16 bits, then to 32: two interleaves with zero, which
            // stay in registers where one wider shuffle does not.
            uint32_t bytes;
            memcpy(&bytes, p, sizeof bytes);
            const U8x16 low = (U8x16)(LaneVector<uint32_t, 4>::type{bytes, 0, 0, 0});
            const U16x8 words =
                (U16x8)__builtin_shufflevector(low, U8x16{}, 0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23);
            return (U32x4)__builtin_shufflevector(words, U16x8{}, 0, 8, 1, 9, 2, 10, 3, 11);
        } else {
            static_assert(sizeof(In) == 1 && sizeof(Sum) == 2, "bytes widen to 16 or 32 bits only");
            uint64_t bytes;
            memcpy(&bytes, p, sizeof bytes);
            const U8x16 low = (U8x16)(LaneVector<uint64_t, 2>::type{bytes, 0});
            return (U16x8)__builtin_shufflevector(low, U8x16{}, 0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23);
        }
    }
};

// A byte mask counted as its unit plane: any non-zero byte counts 1.
struct NonZeroAsOne {
    template <typename Carry>
    static Carry scalar(uint8_t v) {
        return v != 0 ? 1 : 0;
    }

    template <typename Sum>
    static typename LaneVector<Sum, 16 / sizeof(Sum)>::type lanes(const uint8_t *p) {
        using V = typename LaneVector<Sum, 16 / sizeof(Sum)>::type;
        const V stored = AsStored::lanes<Sum>(p);
        return (V)(stored != 0) & 1;
    }
};

// Bounds of the three stretches of a running sum over n samples with radius
// r: outputs j < addEnd take in sample j + r + 1, outputs j >= r give up
// sample j - r. With n >= 2r + 1 these are the stretches of the plain running
// sum: [0, r) adds, [r, n - r - 1) adds then subtracts, [n - r - 1, n)
// subtracts. A vector shorter than its window has a middle stretch that
// neither adds nor subtracts, so each window stays cut to the data.
struct Stretches {
    int head;     // the first window is samples 0 ... head
    int addOnly;  // [0, addOnly): add
    int both;     // [addOnly, both): add, then subtract (empty when short)
    int idle;     // [both, idle): neither (empty unless short)
    // [idle, n): subtract

    Stretches(int n, int r) {
        head = r < n ? r : n - 1;
        const int addEnd = n - r - 1;
        if (r <= addEnd) {
            addOnly = r;
            both = addEnd;
            idle = addEnd;
        } else {
            addOnly = addEnd > 0 ? addEnd : 0;
            both = addOnly;
            idle = r < n ? r : n;
        }
    }
};

// One running window sum over a strided vector.
template <typename Sum, typename In, typename Load = AsStored>
inline void vector_window_sum(Sum *out, ptrdiff_t outStride, const In *in, ptrdiff_t inStride, int n, int r,
                              Load load = {}) {
    using Carry = SumCarry<Sum>;
    if (n <= 0) {
        return;
    }
    auto at = [&](int i) { return load.template scalar<Carry>(in[i * inStride]); };
    const Stretches st(n, r);
    Carry s = 0;
    for (int i = 0; i <= st.head; ++i) {
        s = static_cast<Carry>(s + at(i));
    }
    int j = 0;
    for (; j < st.addOnly; ++j) {
        out[j * outStride] = static_cast<Sum>(s);
        s = static_cast<Carry>(s + at(j + r + 1));
    }
    for (; j < st.both; ++j) {
        out[j * outStride] = static_cast<Sum>(s);
        s = static_cast<Carry>(s + at(j + r + 1));
        s = static_cast<Carry>(s - at(j - r));
    }
    for (; j < st.idle; ++j) {
        out[j * outStride] = static_cast<Sum>(s);
    }
    for (; j < n; ++j) {
        out[j * outStride] = static_cast<Sum>(s);
        s = static_cast<Carry>(s - at(j - r));
    }
}

// Float row sums: running sums along Lanes rows at once, in lockstep, so that
// their dependency chains (two roundings per sample) overlap. Each row gets
// exactly the additions and subtractions of vector_window_sum in the same
// order.
template <int Lanes>
inline void float_row_sums(const float *const *in, float *const *out, int n, int r) {
    if (n <= 0) {
        return;
    }
    const float *src[Lanes];
    float *dst[Lanes];
    float s[Lanes];
#pragma GCC unroll 8
    for (int k = 0; k < Lanes; ++k) {
        src[k] = in[k];
        dst[k] = out[k];
        s[k] = 0.0f;
    }
    const Stretches st(n, r);
    for (int i = 0; i <= st.head; ++i) {
#pragma GCC unroll 8
        for (int k = 0; k < Lanes; ++k) {
            s[k] = s[k] + src[k][i];
        }
    }
    int j = 0;
    for (; j < st.addOnly; ++j) {
#pragma GCC unroll 8
        for (int k = 0; k < Lanes; ++k) {
            dst[k][j] = s[k];
            s[k] = s[k] + src[k][j + r + 1];
        }
    }
    for (; j < st.both; ++j) {
#pragma GCC unroll 8
        for (int k = 0; k < Lanes; ++k) {
            dst[k][j] = s[k];
            s[k] = s[k] + src[k][j + r + 1];
            s[k] = s[k] - src[k][j - r];
        }
    }
    for (; j < st.idle; ++j) {
#pragma GCC unroll 8
        for (int k = 0; k < Lanes; ++k) {
            dst[k][j] = s[k];
        }
    }
    for (; j < n; ++j) {
#pragma GCC unroll 8
        for (int k = 0; k < Lanes; ++k) {
            dst[k][j] = s[k];
            s[k] = s[k] - src[k][j - r];
        }
    }
}

// Prefix sums within one vector: lanes move up by K, zeros come in. Lane
// moves use __builtin_shufflevector with constant lane numbers, which g++
// and clang both take.
template <typename V, int K, size_t... Lane>
inline V lanes_up(V v, std::index_sequence<Lane...>) {
    constexpr int lanes = sizeof...(Lane);
    return __builtin_shufflevector(
        V{}, v, (static_cast<int>(Lane) < K ? static_cast<int>(Lane) : static_cast<int>(Lane) - K + lanes)...);
}

template <typename V, int K>
inline V lanes_up(V v) {
    return lanes_up<V, K>(v, std::make_index_sequence<sizeof(V) / sizeof(v[0])>{});
}

template <typename V>
inline V inclusive_scan(V v) {
    constexpr int lanes = sizeof(V) / sizeof(v[0]);
    v += lanes_up<V, 1>(v);
    if constexpr (lanes > 2) {
        v += lanes_up<V, 2>(v);
    }
    if constexpr (lanes > 4) {
        v += lanes_up<V, 4>(v);
    }
    if constexpr (lanes > 8) {
        v += lanes_up<V, 8>(v);
    }
    if constexpr (lanes > 16) {
        v += lanes_up<V, 16>(v);
    }
    return v;
}

template <typename V, size_t... Lane>
inline V last_lane_everywhere(V v, std::index_sequence<Lane...>) {
    constexpr int last = static_cast<int>(sizeof...(Lane)) - 1;
    return __builtin_shufflevector(v, v, (static_cast<int>(Lane) * 0 + last)...);
}

template <typename V>
inline V last_lane_everywhere(V v) {
    return last_lane_everywhere(v, std::make_index_sequence<sizeof(V) / sizeof(v[0])>{});
}

// Integer row sums of one row through prefix sums, 16 bytes of sums at a time:
// prefix[i] = x[0] + ... + x[i - 1], out[j] = prefix[min(n, j + r + 1)] -
// prefix[max(0, j - r)], all modulo 2^bits of Sum. Modular sums do not depend
// on their order, so this is exactly the running sum.
//
// The prefix sums are extended so that every output, cut windows included, is
// one difference: r + 16 bytes of zeros below prefix[0] (never written) and
// r + 16 bytes of copies of prefix[n] above it. out may be written up to the
// next whole 16 bytes beyond n (the padding of a row of sums).
template <typename Sum>
inline size_t prefix_margin(int r) {
    // Room for 32-byte vectors, which the AVX2 byte sums read.
    return static_cast<size_t>(r) + 32 / sizeof(Sum);
}

template <typename Sum, typename In, typename Load>
inline void integer_row_sums(const In *in, Sum *out, Sum *prefix, int n, int r, const Load &load) {
    using V = typename LaneVector<Sum, 16 / sizeof(Sum)>::type;
    constexpr int lanes = 16 / sizeof(Sum);
    prefix[0] = 0;
    V carry{};
    int i = 0;
    for (; i + lanes <= n; i += lanes) {
        const V v = inclusive_scan(load.template lanes<Sum>(in + i));
        store_vector(prefix + i + 1, v + carry);
        // The block's total joins the carry by one addition: the shuffles
        // that spread it stay off the chain from block to block.
        carry += last_lane_everywhere(v);
    }
    for (; i < n; ++i) {
        prefix[i + 1] = static_cast<Sum>(prefix[i] + load.template scalar<Sum>(in[i]));
    }
    const Sum total = prefix[n];
    const size_t margin = prefix_margin<Sum>(r);
    for (size_t k = 1; k <= margin; ++k) {
        prefix[static_cast<size_t>(n) + k] = total;
    }
    for (int j = 0; j < n; j += lanes) {
        const V high = load_vector<V>(prefix + j + r + 1);
        const V low = load_vector<V>(prefix + j - r);
        store_vector(out + j, high - low);
    }
}

// integer_row_sums of bytes into byte sums, 32 bytes at a time, in a
// function built for AVX2 (byte_row_sums_avx2.cpp); nonZeroAsOne counts
// every non-zero byte as 1, as NonZeroAsOne does.
void byte_row_sums_avx2(const uint8_t *in, uint8_t *out, uint8_t *prefix, int n, int r, bool nonZeroAsOne);

// Row sums of a whole row batch, for window_sum_rows below.
template <typename Sum>
inline constexpr int kRowLanes = std::is_floating_point_v<Sum> ? 4 : 1;

// Rows of sums are padded to a multiple of 32 bytes so that the column sums
// advance in whole vectors; what the padding holds is never written out.
inline constexpr size_t kColumnBlock = 32;

template <typename Sum>
inline size_t padded_width(size_t width) {
    constexpr size_t lanes = kColumnBlock / sizeof(Sum);
    return (width + lanes - 1) / lanes * lanes;
}

// The column running sums advance for all columns at once, one row at a time,
// so that the plane is read and written in storage order. Per column these
// are the additions of vector_window_sum in the same order; a vector lane
// rounds exactly as the scalar operation does.
template <typename Sum, bool Add, bool Subtract>
inline void columns_step(Sum *sums, const Sum *added, const Sum *removed, size_t count) {
    constexpr size_t lanes = 16 / sizeof(Sum);
    using V = typename LaneVector<Sum, lanes>::type;
    for (size_t x = 0; x < count; x += lanes) {
        V s = load_vector<V>(sums + x);
        if constexpr (Add) {
            s = s + load_vector<V>(added + x);
        }
        if constexpr (Subtract) {
            s = s - load_vector<V>(removed + x);
        }
        store_vector(sums + x, s);
    }
}

// Output rows are written from the finished sums 16 samples at a time with
// rule.block(sums, samples) and one at a time at the end of a row with
// rule.one(sum, sample).
inline constexpr size_t kRuleBlock = 16;

// Writes output row y from the column sums and moves the column sums on to
// row y + 1, block by block while both are in the first-level cache.
template <typename Sum, bool Add, bool Subtract, typename T, typename Rule>
inline void emit_and_step(T *row, Sum *sums, const Sum *added, const Sum *removed, size_t width, size_t paddedWidth,
                          const Rule &rule) {
    // Only rows that take part are offset (no arithmetic on a null row).
    auto at = [](const Sum *p, size_t x) { return p != nullptr ? p + x : p; };
    size_t x = 0;
    for (; x + kRuleBlock <= width; x += kRuleBlock) {
        rule.block(sums + x, row + x);
        columns_step<Sum, Add, Subtract>(sums + x, at(added, x), at(removed, x), kRuleBlock);
    }
    for (size_t i = x; i < width; ++i) {
        rule.one(sums[i], row[i]);
    }
    // The rest of the padded row, a whole number of 16-byte vectors.
    columns_step<Sum, Add, Subtract>(sums + x, at(added, x), at(removed, x), paddedWidth - x);
}

// emit_and_step for byte and 16-bit sums 32 bytes at a time, in a function
// built for AVX2 and called only where the processor has it: rule.block32
// rewrites the samples of 32 bytes of sums. Integer sums wrap alike in any
// lane width, so every column gets the same sums.
template <typename Sum, bool Add, bool Subtract, typename T, typename Rule>
[[gnu::target("avx2")]] inline void emit_and_step_avx2(T *row, Sum *sums, const Sum *added, const Sum *removed,
                                                       size_t width, size_t paddedWidth, const Rule &rule) {
    constexpr size_t lanes = 32 / sizeof(Sum);
    using V = typename LaneVector<Sum, lanes>::type;
    size_t x = 0;
    for (; x + lanes <= width; x += lanes) {
        rule.block32(sums + x, row + x);
        V s;
        load_into(s, sums + x);
        if constexpr (Add) {
            V a;
            load_into(a, added + x);
            s += a;
        }
        if constexpr (Subtract) {
            V d;
            load_into(d, removed + x);
            s -= d;
        }
        store_vector(sums + x, s);
    }
    auto at = [](const Sum *p, size_t i) { return p != nullptr ? p + i : p; };
    emit_and_step<Sum, Add, Subtract>(row + x, sums + x, at(added, x), at(removed, x), width - x, paddedWidth - x,
                                      rule);
}

// Whether window_sum_rows runs emit_and_step_avx2 on an AVX2 processor.
template <typename Sum, typename T>
inline constexpr bool kWideColumns = (std::is_same_v<Sum, uint8_t> ||
                                      std::is_same_v<Sum, uint16_t>)&&std::is_same_v<T, Sum>;

// Output = the sums themselves.
struct CopySums {
    template <typename Sum>
    void block(const Sum *sums, Sum *samples) const {
        memcpy(samples, sums, kRuleBlock * sizeof(Sum));
    }
    template <typename Sum>
    void one(Sum sum, Sum &sample) const {
        sample = sum;
    }
    template <typename Sum>
    [[gnu::target("avx2"), gnu::always_inline]] void block32(const Sum *sums, Sum *samples) const {
        memcpy(samples, sums, 32);
    }
};

// The two-dimensional window sums of a height x width plane of In, counted as
// load says, each output row written by the rule into the plane out as soon
// as its sums are complete.
//
// Every input row is summed before the output row of the same index is
// written and is not read again, so out may be the input plane itself. The
// row sums live in a ring of rows: input row i is summed once, added to the
// column sums once output row i - ry - 1 has been written and subtracted once
// output row i + ry has been.
// Scratch: ring + 1 padded rows and, for integer sums, the prefix sums of
// one row. Returns 0, or 1 when the scratch cannot be allocated (nothing
// written).
template <typename Sum, typename In, typename Load, typename T, typename Rule>
inline int window_sum_rows(const In *plane, int height, int width, int rx, int ry, const Load &load, T *out,
                           const Rule &rule) {
    if (height <= 0 || width <= 0) {
        return 0;
    }
    constexpr int batch = kRowLanes<Sum>;
    // Live rows: j - ry ... j + ry + 1 plus those summed ahead in one batch.
    int ringRows = 2 * ry + 1 + batch;
    ringRows = ringRows < height ? ringRows : height;
    const size_t w = static_cast<size_t>(width);
    const size_t pw = padded_width<Sum>(w);
    // Column sums, the ring, then the prefix sums of one row with their
    // margins (integer sums only).
    const size_t margin = prefix_margin<Sum>(rx);
    const size_t prefixSize = std::is_floating_point_v<Sum> ? 0 : w + 1 + 2 * margin;
    const size_t rows = static_cast<size_t>(ringRows) + 1;
    Sum *scratch = static_cast<Sum *>(calloc(rows * pw + prefixSize, sizeof(Sum)));
    if (scratch == nullptr) {
        return 1;
    }
    Sum *columnSums = scratch;
    Sum *ring = scratch + pw;
    Sum *prefix = scratch + rows * pw + margin;
    auto slot = [&](int row) { return ring + static_cast<size_t>(row % ringRows) * pw; };

    // Byte sums of bytes take 32 at a time where the processor has AVX2.
    bool wideBytes = false;
    if constexpr (std::is_same_v<Sum, uint8_t> && std::is_same_v<In, uint8_t>) {
        wideBytes = ChosenSimdPath() == SimdPath::kAvx2;
    }
    bool wideColumns = false;
    if constexpr (kWideColumns<Sum, T>) {
        wideColumns = ChosenSimdPath() == SimdPath::kAvx2;
    }
    int summedRows = 0;
    auto sumRowsThrough = [&](int last) {
        while (summedRows <= last) {
            const int n = width;
            if constexpr (std::is_floating_point_v<Sum>) {
                const int count = height - summedRows < batch ? height - summedRows : batch;
                const float *in[batch];
                float *rowOut[batch];
                for (int k = 0; k < count; ++k) {
                    in[k] = plane + static_cast<size_t>(summedRows + k) * w;
                    rowOut[k] = slot(summedRows + k);
                }
                if (count == batch) {
                    float_row_sums<batch>(in, rowOut, n, rx);
                } else {
                    for (int k = 0; k < count; ++k) {
                        float_row_sums<1>(in + k, rowOut + k, n, rx);
                    }
                }
                summedRows += count;
            } else {
                const In *rowIn = plane + static_cast<size_t>(summedRows) * w;
                if constexpr (std::is_same_v<Sum, uint8_t> && std::is_same_v<In, uint8_t>) {
                    if (wideBytes) {
                        byte_row_sums_avx2(rowIn, slot(summedRows), prefix, n, rx, std::is_same_v<Load, NonZeroAsOne>);
                        summedRows += 1;
                        continue;
                    }
                }
                integer_row_sums(rowIn, slot(summedRows), prefix, n, rx, load);
                summedRows += 1;
            }
        }
    };

    const int head = ry < height ? ry : height - 1;
    sumRowsThrough(head);
    for (int i = 0; i <= head; ++i) {
        columns_step<Sum, true, false>(columnSums, slot(i), nullptr, pw);
    }
    for (int y = 0; y < height; ++y) {
        T *row = out + static_cast<size_t>(y) * w;
        const int added = y + ry + 1;
        const int removed = y - ry;
        if (added < height) {
            sumRowsThrough(added);
        }
        // Row `added` is summed before row y is written: it lies below y.
        if constexpr (kWideColumns<Sum, T>) {
            if (wideColumns) {
                if (added < height && removed >= 0) {
                    emit_and_step_avx2<Sum, true, true>(row, columnSums, slot(added), slot(removed), w, pw, rule);
                } else if (added < height) {
                    emit_and_step_avx2<Sum, true, false>(row, columnSums, slot(added), nullptr, w, pw, rule);
                } else if (removed >= 0) {
                    emit_and_step_avx2<Sum, false, true>(row, columnSums, nullptr, slot(removed), w, pw, rule);
                } else {
                    emit_and_step_avx2<Sum, false, false>(row, columnSums, nullptr, nullptr, w, pw, rule);
                }
                continue;
            }
        }
        if (added < height && removed >= 0) {
            emit_and_step<Sum, true, true>(row, columnSums, slot(added), slot(removed), w, pw, rule);
        } else if (added < height) {
            emit_and_step<Sum, true, false>(row, columnSums, slot(added), nullptr, w, pw, rule);
        } else if (removed >= 0) {
            emit_and_step<Sum, false, true>(row, columnSums, nullptr, slot(removed), w, pw, rule);
        } else {
            emit_and_step<Sum, false, false>(row, columnSums, nullptr, nullptr, w, pw, rule);
        }
    }
    free(scratch);
    return 0;
}

// The image box sum: output = window sums of input, output and input either
// the same buffer or disjoint. 0, or 1 on a failed allocation with the output
// untouched.
template <typename In, typename Sum>
inline int image_window_sum(Sum *out, const In *in, int height, int width, int windowX, int windowY) {
    return window_sum_rows<Sum>(in, height, width, windowX >> 1, windowY >> 1, AsStored{}, out, CopySums{});
}

}  // namespace fpdevice::imaging

#endif  // FPDEVICE_IMAGING_LOCAL_SUMS_IMPL_H
