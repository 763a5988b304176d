// Plain references for the box-sum tests: the running sum written out
// literally, one column at a time through a scratch vector, and the direct
// sum over each window.
#ifndef FPKEY_TESTS_IMAGING_LOCALSUMS_REFERENCE_H
#define FPKEY_TESTS_IMAGING_LOCALSUMS_REFERENCE_H

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <random>
#include <type_traits>
#include <vector>

namespace localsums_reference {

// The arithmetic type of a sum: int32 sums wrap, so they are formed in
// uint32_t; narrow sums are cut back after every step by the cast.
template <typename T>
using Arith = std::conditional_t<std::is_same_v<T, int32_t>, uint32_t, T>;

template <typename Out, typename In>
Out step_add(Out s, In v) {
    using A = Arith<Out>;
    return static_cast<Out>(static_cast<A>(static_cast<A>(s) + static_cast<A>(v)));
}

template <typename Out, typename In>
Out step_sub(Out s, In v) {
    using A = Arith<Out>;
    return static_cast<Out>(static_cast<A>(static_cast<A>(s) - static_cast<A>(v)));
}

// The running sum exactly as documented; needs n >= 2r + 1.
template <typename Out, typename In>
void running_sum(Out *dst, std::ptrdiff_t ds, const In *src, std::ptrdiff_t ss, int n, int k) {
    const int r = k >> 1;
    Out s = 0;
    for (int i = 0; i <= r; ++i) {
        s = step_add(s, src[i * ss]);
    }
    for (int j = 0; j <= r - 1; ++j) {
        dst[j * ds] = s;
        s = step_add(s, src[(j + r + 1) * ss]);
    }
    for (int j = r; j <= n - r - 2; ++j) {
        dst[j * ds] = s;
        s = step_add(s, src[(j + r + 1) * ss]);
        s = step_sub(s, src[(j - r) * ss]);
    }
    for (int j = n - r - 1; j <= n - 1; ++j) {
        dst[j * ds] = s;
        s = step_sub(s, src[(j - r) * ss]);
    }
}

// Rows into the output, then each column through a scratch vector and back,
// as the image sums were first written. Needs both sides >= their window.
template <typename Out, typename In>
std::vector<Out> image_sum(const std::vector<In> &in, int h, int w, int kx, int ky) {
    std::vector<Out> out(in.size());
    for (int y = 0; y < h; ++y) {
        running_sum(out.data() + y * w, 1, in.data() + y * w, 1, w, kx);
    }
    std::vector<Out> column(h);
    for (int x = 0; x < w; ++x) {
        running_sum(column.data(), 1, out.data() + x, w, h, ky);
        for (int y = 0; y < h; ++y) {
            out[y * w + x] = column[y];
        }
    }
    return out;
}

// The sum over each window cut to the plane, added in 64 bits (or double)
// and cut to the output type once: the meaning of the box sum for integer
// types, and for floats whose sums are exact.
template <typename Out, typename In>
std::vector<Out> direct_sum(const std::vector<In> &in, int h, int w, int kx, int ky) {
    using Wide = std::conditional_t<std::is_floating_point_v<Out>, double, int64_t>;
    const int rx = kx >> 1;
    const int ry = ky >> 1;
    std::vector<Out> out(in.size());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            Wide s = 0;
            for (int v = std::max(0, y - ry); v <= std::min(h - 1, y + ry); ++v) {
                for (int u = std::max(0, x - rx); u <= std::min(w - 1, x + rx); ++u) {
                    s += static_cast<Wide>(in[v * w + u]);
                }
            }
            if constexpr (std::is_floating_point_v<Out>) {
                out[y * w + x] = static_cast<Out>(s);
            } else {
                out[y * w + x] = static_cast<Out>(static_cast<Arith<Out>>(s));
            }
        }
    }
    return out;
}

// Random samples of a type: the whole range for integers, floats of mixed
// magnitude so that the running sums round.
template <typename T>
std::vector<T> random_plane(std::mt19937 &rng, size_t count) {
    std::vector<T> v(count);
    if constexpr (std::is_floating_point_v<T>) {
        std::uniform_real_distribution<float> mantissa(-1.0f, 1.0f);
        std::uniform_int_distribution<int> exponent(-8, 12);
        for (auto &x : v) {
            x = std::ldexp(mantissa(rng), exponent(rng));
        }
    } else {
        std::uniform_int_distribution<int64_t> dist(std::numeric_limits<T>::min(), std::numeric_limits<T>::max());
        for (auto &x : v) {
            x = static_cast<T>(dist(rng));
        }
    }
    return v;
}

}  // namespace localsums_reference

#endif
