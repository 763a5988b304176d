// Segmentation thresholds, ridge spacing, broken-print test, complexity and
// projections at 256 and 512 square.
//
// Segmentation is set beside the usual OpenCV composition for a foreground
// mask: Sobel gradient magnitude, Otsu threshold, then a 9 x 9 closing. The
// fpkey runs get the gradient image ready-made (the thresholds work on one)
// and restore it before every call, as they binarise in place. Project is set
// beside cv::reduce. OpenCV runs on one thread, as the library does.
//
// Names read <routine>/<fpkey|opencv>/<side>.
#include "fpdevice/imaging_frequency.h"
#include "fpdevice/imaging_segmentation.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#ifdef FPKEY_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

// A round finger of ridges (period 9) on a flat, slightly noisy background.
std::vector<uint8_t> finger(int side) {
    std::vector<uint8_t> image(static_cast<size_t>(side) * side);
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> noise(-3, 3);
    const double r = side * 0.38;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const double dy = y - side / 2.0;
            const double dx = x - side / 2.0;
            const bool inside = dx * dx + dy * dy <= r * r;
            const double ridge = 128 + 90 * std::sin(2 * M_PI * (0.6 * x + 0.8 * y) / 9);
            const int v = (inside ? static_cast<int>(ridge) : 210) + noise(rng);
            image[y * side + x] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
        }
    }
    return image;
}

// Sobel magnitude / 4, clipped: the kind of image the thresholds expect.
std::vector<uint8_t> gradients(const std::vector<uint8_t> &gray, int side) {
    std::vector<uint8_t> out(gray.size(), 0);
    for (int y = 1; y + 1 < side; ++y) {
        for (int x = 1; x + 1 < side; ++x) {
            auto g = [&](int dy, int dx) { return int(gray[(y + dy) * side + x + dx]); };
            const int gx = g(-1, 1) + 2 * g(0, 1) + g(1, 1) - g(-1, -1) - 2 * g(0, -1) - g(1, -1);
            const int gy = g(1, -1) + 2 * g(1, 0) + g(1, 1) - g(-1, -1) - 2 * g(-1, 0) - g(-1, 1);
            const int m = static_cast<int>(std::sqrt(double(gx * gx + gy * gy)) / 4);
            out[y * side + x] = static_cast<uint8_t>(m > 255 ? 255 : m);
        }
    }
    return out;
}

void set_items(benchmark::State &state, int side) {
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(side) * side);
}

template <uint32_t (*Threshold)(uint8_t *, int16_t, int16_t)>
void threshold(benchmark::State &state) {
    const int side = static_cast<int>(state.range(0));
    const auto grads = gradients(finger(side), side);
    std::vector<uint8_t> work(grads.size());
    for (auto _ : state) {
        work = grads;
        benchmark::DoNotOptimize(Threshold(work.data(), static_cast<int16_t>(side), static_cast<int16_t>(side)));
        benchmark::ClobberMemory();
    }
    set_items(state, side);
}

void frequency(benchmark::State &state) {
    const int side = static_cast<int>(state.range(0));
    const auto image = finger(side);
    // 36.87 degrees of ridge direction (cos t, sin t) for these stripes.
    std::vector<int16_t> angles(static_cast<size_t>(side / 8) * (side / 8), -37);
    const BlockField field{8, static_cast<uint16_t>(side / 8), static_cast<uint16_t>(side / 8), angles.data()};
    for (auto _ : state) {
        uint8_t *map = nullptr;
        benchmark::DoNotOptimize(
            FpGetFrequency(image.data(), static_cast<int16_t>(side), static_cast<int16_t>(side), &field, &map));
        std::free(map);
    }
    set_items(state, side);
}

void not_continue(benchmark::State &state) {
    const int side = static_cast<int>(state.range(0));
    const auto image = finger(side);
    for (auto _ : state) {
        benchmark::DoNotOptimize(NotContinue(image.data(), side, side, 210));
    }
    set_items(state, side);
}

void complexity(benchmark::State &state) {
    const int side = static_cast<int>(state.range(0));
    auto mask = gradients(finger(side), side);
    FpThresholdingGradsImageEx(mask.data(), static_cast<int16_t>(side), static_cast<int16_t>(side));
    for (auto _ : state) {
        benchmark::DoNotOptimize(Complexity(mask.data(), static_cast<int16_t>(side), static_cast<int16_t>(side), 255));
    }
    set_items(state, side);
}

void project(benchmark::State &state, int32_t direction) {
    const int side = static_cast<int>(state.range(0));
    const auto image = finger(side);
    std::vector<uint32_t> out(side);
    for (auto _ : state) {
        Project(out.data(), image.data(), side, side, direction);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    set_items(state, side);
}

#ifdef FPKEY_HAVE_OPENCV
void cv_segmentation(benchmark::State &state) {
    const int side = static_cast<int>(state.range(0));
    auto gray = finger(side);
    const cv::Mat src(side, side, CV_8U, gray.data());
    cv::Mat gx, gy, magnitude, mag8, mask;
    const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(9, 9));
    for (auto _ : state) {
        cv::Sobel(src, gx, CV_16S, 1, 0);
        cv::Sobel(src, gy, CV_16S, 0, 1);
        cv::convertScaleAbs(gx, gx);
        cv::convertScaleAbs(gy, gy);
        cv::addWeighted(gx, 0.5, gy, 0.5, 0, mag8);
        cv::threshold(mag8, mask, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
        cv::morphologyEx(mask, mask, cv::MORPH_CLOSE, kernel);
        benchmark::DoNotOptimize(mask.data);
        benchmark::ClobberMemory();
    }
    set_items(state, side);
}

void cv_project(benchmark::State &state, int dim) {
    const int side = static_cast<int>(state.range(0));
    auto image = finger(side);
    const cv::Mat src(side, side, CV_8U, image.data());
    cv::Mat out;
    for (auto _ : state) {
        cv::reduce(src, out, dim, cv::REDUCE_SUM, CV_32S);
        benchmark::DoNotOptimize(out.data);
        benchmark::ClobberMemory();
    }
    set_items(state, side);
}
#endif

template <typename F>
void add(const std::string &name, F fn) {
    benchmark::RegisterBenchmark(name.c_str(), fn)->Arg(256)->Arg(512);
}

const int kRegistered = [] {
    add("FpThresholdingGradsImage/fpkey", threshold<FpThresholdingGradsImage>);
    add("FpThresholdingGradsImageEx/fpkey", threshold<FpThresholdingGradsImageEx>);
    add("FpGetFrequency/fpkey", frequency);
    add("NotContinue/fpkey", not_continue);
    add("Complexity/fpkey", complexity);
    add("ProjectRows/fpkey", [](benchmark::State &s) { project(s, 0); });
    add("ProjectColumns/fpkey", [](benchmark::State &s) { project(s, 1); });
#ifdef FPKEY_HAVE_OPENCV
    cv::setNumThreads(1);
    add("FpThresholdingGradsImage/opencv", cv_segmentation);
    add("FpThresholdingGradsImageEx/opencv", cv_segmentation);
    add("ProjectRows/opencv", [](benchmark::State &s) { cv_project(s, 1); });
    add("ProjectColumns/opencv", [](benchmark::State &s) { cv_project(s, 0); });
#endif
    return 0;
}();

}  // namespace
