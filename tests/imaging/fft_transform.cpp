// The radix-2 FFT pair.
#include "fpdevice/imaging_fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace {

using Signal = std::vector<float>;

struct ExampleCase {
    const char *name;
    bool inverse;  // IFFT instead of FFT
    Signal re;
    Signal im;
    Signal expectedRe;
    Signal expectedIm;
};

class FftExamples : public ::testing::TestWithParam<ExampleCase> {};

TEST_P(FftExamples, GiveTheExactSinglePrecisionResult) {
    ExampleCase c = GetParam();
    const auto n = static_cast<int16_t>(c.re.size());
    if (c.inverse) {
        IFFT(c.re.data(), c.im.data(), n);
    } else {
        FFT(c.re.data(), c.im.data(), n);
    }
    EXPECT_EQ(c.re, c.expectedRe);
    EXPECT_EQ(c.im, c.expectedIm);
}

Signal impulse(size_t n, float value) {
    Signal signal(n, 0.0f);
    signal[0] = value;
    return signal;
}

// One step above -0.5: the twiddle factor of a quarter turn is
// cos((float)(pi / 2)) = -4.37e-8, not 0, and leaves this trace.
const float kAlmostMinusHalf = std::nextafter(-0.5f, 0.0f);

INSTANTIATE_TEST_SUITE_P(Examples, FftExamples,
                         ::testing::Values(ExampleCase{"impulse_spreads_scaled_by_1_over_n", false, impulse(8, 1.0f),
                                                       Signal(8, 0.0f), Signal(8, 0.125f), Signal(8, 0.0f)},
                                           ExampleCase{"inverse_impulse_is_unscaled", true, impulse(8, 1.0f),
                                                       Signal(8, 0.0f), Signal(8, 1.0f), Signal(8, 0.0f)},
                                           ExampleCase{"constant_to_dc", false, Signal(4, 1.0f), Signal(4, 0.0f),
                                                       impulse(4, 1.0f), Signal(4, 0.0f)},
                                           ExampleCase{"ramp_of_four",
                                                       false,
                                                       {1.0f, 2.0f, 3.0f, 4.0f},
                                                       {0.0f, 0.0f, 0.0f, 0.0f},
                                                       {2.5f, kAlmostMinusHalf, -0.5f, -0.5f},
                                                       {0.0f, 0.5f, 0.0f, -0.5f}}),
                         [](const auto &test) { return std::string(test.param.name); });

// With x[7] = -1 and x[15] = 1 (n = 16) only the first-stage butterfly of
// group 7 carries a value, and it reaches X[1] through exact steps alone:
// X[1] = (-cos w, sin w) / 8 for that group's twiddle angle w. The angle is
// step = (float)(2 pi / 16) added seven times in single precision,
// 0x1.5fdbbep+1, not 7 * step = 0x1.5fdbcp+1; cosine and sine are rounded
// to single. Recomputing the angle, or exact twiddles, give other low bits.
TEST(Fft, TwiddleAngleIsAccumulatedInSinglePrecision) {
    Signal re(16, 0.0f);
    Signal im(16, 0.0f);
    re[7] = -1.0f;
    re[15] = 1.0f;
    FFT(re.data(), im.data(), 16);
    EXPECT_EQ(re[1], 0x1.d906bcp-4f);
    EXPECT_EQ(im[1], 0x1.87de2ep-5f);
    EXPECT_EQ(re[0], 0.0f);
    EXPECT_EQ(im[0], 0.0f);
}

// Double-precision DFT with the negative exponent, scaled by `scale`.
std::vector<std::complex<double>> reference_dft(const Signal &re, const Signal &im, double scale) {
    const size_t n = re.size();
    std::vector<std::complex<double>> out(n);
    std::vector<std::complex<double>> twiddle(n);
    const double pi = 3.14159265358979323846;
    for (size_t j = 0; j < n; ++j) {
        twiddle[j] = std::polar(1.0, -2.0 * pi * static_cast<double>(j) / static_cast<double>(n));
    }
    for (size_t k = 0; k < n; ++k) {
        std::complex<double> sum = 0.0;
        for (size_t m = 0; m < n; ++m) {
            sum += std::complex<double>(re[m], im[m]) * twiddle[(k * m) % n];
        }
        out[k] = sum * scale;
    }
    return out;
}

Signal random_signal(std::mt19937 &random, size_t n) {
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    Signal signal(n);
    for (auto &v : signal) {
        v = value(random);
    }
    return signal;
}

class FftSizes : public ::testing::TestWithParam<int> {};

TEST_P(FftSizes, ForwardAndInverseMatchTheDiscreteTransform) {
    const auto n = static_cast<size_t>(GetParam());
    std::mt19937 random(static_cast<unsigned>(n));
    const Signal re = random_signal(random, n);
    const Signal im = random_signal(random, n);
    // Single-precision rounding grows with log2 n. The inverse is compared
    // after scaling by 1 / n, as its sums grow with n.
    const double tolerance = 4e-7 * std::log2(static_cast<double>(n));
    const double scale = 1.0 / static_cast<double>(n);

    Signal fre = re, fim = im;
    FFT(fre.data(), fim.data(), static_cast<int16_t>(n));
    Signal ire = re, iim = im;
    IFFT(ire.data(), iim.data(), static_cast<int32_t>(n));
    const auto expected = reference_dft(re, im, scale);
    for (size_t k = 0; k < n; ++k) {
        EXPECT_NEAR(fre[k], expected[k].real(), tolerance) << "k " << k;
        EXPECT_NEAR(fim[k], expected[k].imag(), tolerance) << "k " << k;
        EXPECT_NEAR(ire[k] * scale, expected[k].real(), tolerance) << "k " << k;
        EXPECT_NEAR(iim[k] * scale, expected[k].imag(), tolerance) << "k " << k;
    }
}

TEST_P(FftSizes, InverseOfForwardIsTheReversedInput) {
    const auto n = static_cast<size_t>(GetParam());
    std::mt19937 random(static_cast<unsigned>(n) + 1);
    const Signal re = random_signal(random, n);
    const Signal im = random_signal(random, n);
    Signal outRe = re, outIm = im;
    FFT(outRe.data(), outIm.data(), static_cast<int16_t>(n));
    IFFT(outRe.data(), outIm.data(), static_cast<int32_t>(n));
    const double tolerance = 4e-6 * std::log2(static_cast<double>(n));
    for (size_t k = 0; k < n; ++k) {
        EXPECT_NEAR(outRe[k], re[(n - k) % n], tolerance) << "k " << k;
        EXPECT_NEAR(outIm[k], im[(n - k) % n], tolerance) << "k " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(PowersOfTwo, FftSizes,
                         ::testing::Values(2, 4, 8, 16, 32, 64, 128, 256, 512, 1024, 2048, 4096, 8192));

// The transform as first written: factors computed for every twiddle angle
// on each call, butterflies one at a time, the bit-reversal permutation at
// the end. Every size must give these bits.
void transform_one_at_a_time(Signal &re, Signal &im) {
    const auto n = static_cast<uint32_t>(re.size());
    auto step = static_cast<float>(6.283185307179586 / static_cast<double>(static_cast<float>(n)));
    for (uint32_t span = n; span >= 2; span >>= 1) {
        float angle = 0.0f;
        for (uint32_t j = 0; j < span / 2; ++j) {
            const auto c = static_cast<float>(std::cos(static_cast<double>(angle)));
            const auto s = static_cast<float>(std::sin(static_cast<double>(angle)));
            angle = angle + step;
            for (uint32_t a = j; a < n; a += span) {
                const uint32_t b = a + span / 2;
                const float tr = re[a] - re[b];
                const float ti = im[a] - im[b];
                re[a] = re[a] + re[b];
                im[a] = im[a] + im[b];
                const float pr = c * tr;
                const float qr = s * ti;
                const float pi = c * ti;
                const float qi = s * tr;
                re[b] = pr + qr;
                im[b] = pi - qi;
            }
        }
        step = step * 2.0f;
    }
    for (uint32_t i = 0, bits = static_cast<uint32_t>(std::log2(n)); i < n; ++i) {
        uint32_t r = 0;
        for (uint32_t b = 0; b < bits; ++b) {
            r = (r << 1) | ((i >> b) & 1u);
        }
        if (i < r) {
            std::swap(re[i], re[r]);
            std::swap(im[i], im[r]);
        }
    }
}

TEST_P(FftSizes, GiveTheBitsOfTheTransformComputedOneButterflyAtATime) {
    const auto n = static_cast<size_t>(GetParam());
    std::mt19937 random(static_cast<unsigned>(n) + 2);
    const Signal re = random_signal(random, n);
    const Signal im = random_signal(random, n);
    Signal expectedRe = re, expectedIm = im;
    transform_one_at_a_time(expectedRe, expectedIm);

    Signal inverseRe = re, inverseIm = im;
    IFFT(inverseRe.data(), inverseIm.data(), static_cast<int32_t>(n));
    EXPECT_EQ(inverseRe, expectedRe);
    EXPECT_EQ(inverseIm, expectedIm);

    // FFT is the same transform with each result divided by n.
    for (size_t k = 0; k < n; ++k) {
        expectedRe[k] = expectedRe[k] / static_cast<float>(n);
        expectedIm[k] = expectedIm[k] / static_cast<float>(n);
    }
    Signal forwardRe = re, forwardIm = im;
    FFT(forwardRe.data(), forwardIm.data(), static_cast<int16_t>(n));
    EXPECT_EQ(forwardRe, expectedRe);
    EXPECT_EQ(forwardIm, expectedIm);
}

TEST(Fft, UnsupportedSizesLeaveTheSignalUnchanged) {
    std::mt19937 random(5);
    const Signal re = random_signal(random, 16384);
    const Signal im = random_signal(random, 16384);
    for (const int32_t n : {-8, 0, 1, 3, 6, 12, 100, 8191, 16384}) {
        Signal outRe = re, outIm = im;
        if (n <= INT16_MAX) {
            FFT(outRe.data(), outIm.data(), static_cast<int16_t>(n));
            EXPECT_EQ(outRe, re) << "FFT n " << n;
            EXPECT_EQ(outIm, im) << "FFT n " << n;
        }
        IFFT(outRe.data(), outIm.data(), n);
        EXPECT_EQ(outRe, re) << "IFFT n " << n;
        EXPECT_EQ(outIm, im) << "IFFT n " << n;
    }
}

TEST(Fft, NullArraysLeaveTheOtherUnchanged) {
    Signal values = {1.0f, 2.0f, 3.0f, 4.0f};
    const Signal original = values;
    FFT(values.data(), nullptr, 4);
    FFT(nullptr, values.data(), 4);
    IFFT(values.data(), nullptr, 4);
    IFFT(nullptr, values.data(), 4);
    EXPECT_EQ(values, original);
}

}  // namespace
