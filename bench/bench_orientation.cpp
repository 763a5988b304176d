// The orientation field at 256, 512 and 1024 square, next to the OpenCV
// composition of its gradient part: two cv::Sobel, the products P = 2 Gx Gy
// and Q = Gy^2 - Gx^2, and two unnormalised cv::boxFilter with a zero border.
// The library does the same and then the block angles, the smoothing and the
// change map, which OpenCV has no counterpart for. OpenCV runs on one thread.
// Window 9 x 9.
//
// Names read <routine>/<fpkey|opencv>/<side>.
#include "fpdevice/imaging_orientation.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#ifdef FPKEY_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr int kWindow = 9;

// Ridges of a whorl with some noise, like a half-resolution scan.
std::vector<uint8_t> ridge_image(int side) {
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> noise(-25, 25);
    std::vector<uint8_t> image(static_cast<size_t>(side) * side);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const double r = std::hypot(x - side * 0.45, (y - side * 0.55) * 1.3);
            const int v = 128 + static_cast<int>(90 * std::sin(r * 0.75)) + noise(rng);
            image[static_cast<size_t>(y) * side + x] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
        }
    }
    return image;
}

void set_items(benchmark::State &state, int side) {
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(side) * side);
}

void direction_field(benchmark::State &state) {
    const int side = static_cast<int>(state.range(0));
    const auto image = ridge_image(side);
    for (auto _ : state) {
        int32_t *p = nullptr;
        int32_t *q = nullptr;
        BlockField fine{0, 0, 0, nullptr}, change{0, 0, 0, nullptr}, coarse{0, 0, 0, nullptr};
        benchmark::DoNotOptimize(FingerprintGetDirectionFloat(
            image.data(), static_cast<uint16_t>(side), static_cast<uint16_t>(side), static_cast<uint16_t>(2 * side),
            static_cast<uint16_t>(2 * side), kWindow, 0, &p, &q, &fine, &change, &coarse));
        free(p);
        free(q);
        free(fine.data);
        free(change.data);
        free(coarse.data);
    }
    set_items(state, side);
}

// A field of side x side blocks with smoothly turning orientations.
std::vector<int16_t> orientation_field(int side) {
    std::vector<int16_t> field(static_cast<size_t>(side) * side);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            field[static_cast<size_t>(y) * side + x] = static_cast<int16_t>((x * 7 + y * 3) % 181 - 90);
        }
    }
    return field;
}

void orient_grad(benchmark::State &state) {
    const int side = static_cast<int>(state.range(0));
    auto field = orientation_field(side);
    const BlockField source{8, static_cast<uint16_t>(side), static_cast<uint16_t>(side), field.data()};
    BlockField result{0, 0, 0, nullptr};
    for (auto _ : state) {
        benchmark::DoNotOptimize(FingerprintOrientGrad(&result, &source));
    }
    free(result.data);
    set_items(state, side);
}

void angle_diff(benchmark::State &state) {
    const int side = static_cast<int>(state.range(0));
    const auto field = orientation_field(side);
    for (auto _ : state) {
        int sum = 0;
        for (size_t i = 0; i + 1 < field.size(); ++i) {
            sum += AngleDiffAbs(field[i], field[i + 1]);
        }
        benchmark::DoNotOptimize(sum);
    }
    set_items(state, side);
}

#ifdef FPKEY_HAVE_OPENCV
void opencv_gradient_sums(benchmark::State &state) {
    cv::setNumThreads(1);
    const int side = static_cast<int>(state.range(0));
    auto image = ridge_image(side);
    const cv::Mat src(side, side, CV_8U, image.data());
    cv::Mat gx, gy, gxx, gyy, p, q;
    for (auto _ : state) {
        cv::Sobel(src, gx, CV_32F, 1, 0, 3);
        cv::Sobel(src, gy, CV_32F, 0, 1, 3);
        cv::multiply(gx, gy, p, 2.0);
        cv::multiply(gy, gy, gyy);
        cv::multiply(gx, gx, gxx);
        cv::subtract(gyy, gxx, q);
        cv::boxFilter(p, p, -1, cv::Size(kWindow, kWindow), cv::Point(-1, -1), false, cv::BORDER_CONSTANT);
        cv::boxFilter(q, q, -1, cv::Size(kWindow, kWindow), cv::Point(-1, -1), false, cv::BORDER_CONSTANT);
        benchmark::DoNotOptimize(p.data);
        benchmark::DoNotOptimize(q.data);
        benchmark::ClobberMemory();
    }
    set_items(state, side);
}
#endif

}  // namespace

BENCHMARK(direction_field)->Name("FingerprintGetDirectionFloat/fpkey")->Arg(256)->Arg(512)->Arg(1024);
#ifdef FPKEY_HAVE_OPENCV
BENCHMARK(opencv_gradient_sums)->Name("FingerprintGetDirectionFloat/opencv")->Arg(256)->Arg(512)->Arg(1024);
#endif
BENCHMARK(orient_grad)->Name("FingerprintOrientGrad/fpkey")->Arg(256)->Arg(512)->Arg(1024);
BENCHMARK(angle_diff)->Name("AngleDiffAbs/fpkey")->Arg(256)->Arg(512)->Arg(1024);
