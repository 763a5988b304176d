// Byte window sums of byte rows, 32 bytes at a time: integer_row_sums of
// local_sums_impl.h with 32-byte vectors, compiled for AVX2 and called only
// where the processor has it. No 32-byte vector crosses a function boundary
// by value (clang refuses that where one side is built without AVX): the
// helpers take their vectors by reference and are inlined.
#include "imaging/local_sums_impl.h"

#include <utility>

namespace fpdevice::imaging {

namespace {

using U8x32 = LaneVector<uint8_t, 32>::type;
constexpr auto kLanes = std::make_index_sequence<32>{};

[[gnu::target("avx2"), gnu::always_inline]] inline void Counted(U8x32 &v, const uint8_t *p, bool nonZeroAsOne) {
    load_into(v, p);
    if (nonZeroAsOne) {
        v = (U8x32)(v != 0) & 1;
    }
}

// v += v moved up by K lanes, zeros coming in.
template <int K, size_t... Lane>
[[gnu::target("avx2"), gnu::always_inline]] inline void AddMovedUp(U8x32 &v, std::index_sequence<Lane...>) {
    v += __builtin_shufflevector(
        U8x32{}, v, (static_cast<int>(Lane) < K ? static_cast<int>(Lane) : static_cast<int>(Lane) - K + 32)...);
}

// Prefix sums within the vector, as inclusive_scan.
[[gnu::target("avx2"), gnu::always_inline]] inline void Scan(U8x32 &v) {
    AddMovedUp<1>(v, kLanes);
    AddMovedUp<2>(v, kLanes);
    AddMovedUp<4>(v, kLanes);
    AddMovedUp<8>(v, kLanes);
    AddMovedUp<16>(v, kLanes);
}

template <size_t... Lane>
[[gnu::target("avx2"), gnu::always_inline]] inline void AddLastLane(U8x32 &sum, const U8x32 &v,
                                                                    std::index_sequence<Lane...>) {
    sum += __builtin_shufflevector(v, v, (static_cast<int>(Lane) * 0 + 31)...);
}

}  // namespace

// The same prefix sums and differences as integer_row_sums, modulo 256.
[[gnu::target("avx2")]] void byte_row_sums_avx2(const uint8_t *in, uint8_t *out, uint8_t *prefix, int n, int r,
                                                bool nonZeroAsOne) {
    prefix[0] = 0;
    U8x32 carry{};
    int i = 0;
    for (; i + 32 <= n; i += 32) {
        U8x32 v;
        Counted(v, in + i, nonZeroAsOne);
        Scan(v);
        const U8x32 carried = v + carry;
        store_vector(prefix + i + 1, carried);
        // The block's total joins the carry by one addition, off the chain
        // from block to block.
        AddLastLane(carry, v, kLanes);
    }
    for (; i < n; ++i) {
        const uint8_t counted = nonZeroAsOne ? NonZeroAsOne::scalar<uint8_t>(in[i]) : in[i];
        prefix[i + 1] = static_cast<uint8_t>(prefix[i] + counted);
    }
    const uint8_t total = prefix[n];
    const size_t margin = prefix_margin<uint8_t>(r);
    for (size_t k = 1; k <= margin; ++k) {
        prefix[static_cast<size_t>(n) + k] = total;
    }
    for (int j = 0; j < n; j += 32) {
        U8x32 high, low;
        load_into(high, prefix + j + r + 1);
        load_into(low, prefix + j - r);
        store_vector(out + j, high - low);
    }
}

}  // namespace fpdevice::imaging
