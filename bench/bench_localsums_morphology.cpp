// Box sums, box means and binary morphology at 256, 512 and 1024 square,
// each next to the nearest OpenCV operation on the same data where there is
// one: unnormalised cv::boxFilter (zero border, that is cut windows) for the
// sums, normalised cv::boxFilter for the means, cv::dilate / cv::erode with a
// rectangle for the morphology. OpenCV runs on one thread, as the library
// does. Windows are 9 x 9 (the size the segmentation cleans its masks with),
// 3 x 3 for BDilate / BErode.
//
// Names read <routine>/<fpkey|opencv>/<side>.
#include "fpdevice/imaging_localsums.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#ifdef FPKEY_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr int kWindow = 9;

template <typename T>
std::vector<T> random_plane(size_t count, int low, int high, unsigned seed = 1) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> dist(low, high);
    std::vector<T> v(count);
    for (auto &x : v) {
        x = static_cast<T>(dist(rng));
    }
    return v;
}

// A unit plane of blobs: foreground where a coarse random grid says so.
template <typename T>
std::vector<T> blob_plane(int side, T foreground) {
    const int cells = side / 8 + 1;
    const auto grid = random_plane<uint8_t>(static_cast<size_t>(cells) * cells, 0, 1, 7);
    std::vector<T> v(static_cast<size_t>(side) * side);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            v[y * side + x] = grid[(y / 8) * cells + x / 8] != 0 ? foreground : T(0);
        }
    }
    return v;
}

void set_items(benchmark::State &state, int side) {
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(side) * side);
}

// ---- fpkey ----

template <typename In, typename Out, void (*Vector)(Out *, const In *, int16_t, int16_t, int16_t, uint8_t)>
void vector_sum(benchmark::State &state) {
    const int side = static_cast<int>(state.range(0));
    const auto in = random_plane<In>(static_cast<size_t>(side) * side, 0, 255);
    std::vector<Out> out(in.size());
    for (auto _ : state) {
        // Every row of the plane as one vector.
        for (int y = 0; y < side; ++y) {
            const size_t row = static_cast<size_t>(y) * side;
            Vector(out.data() + row, in.data() + row, 1, 1, static_cast<int16_t>(side), kWindow);
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    set_items(state, side);
}

template <typename In, typename Out, int32_t (*Image)(Out *, const In *, uint16_t, uint16_t, uint8_t, uint8_t)>
void image_sum(benchmark::State &state) {
    const int side = static_cast<int>(state.range(0));
    const auto in = random_plane<In>(static_cast<size_t>(side) * side, 0, 255);
    std::vector<Out> out(in.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            Image(out.data(), in.data(), static_cast<uint16_t>(side), static_cast<uint16_t>(side), kWindow, kWindow));
        benchmark::ClobberMemory();
    }
    set_items(state, side);
}

template <typename T, int32_t (*Morph)(T *, uint16_t, uint16_t, uint8_t, uint8_t)>
void window_morphology(benchmark::State &state) {
    const int side = static_cast<int>(state.range(0));
    auto plane = blob_plane<T>(side, T(1));
    // In place: the cost does not depend on the contents, so the plane is
    // not restored between runs.
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            Morph(plane.data(), static_cast<uint16_t>(side), static_cast<uint16_t>(side), kWindow, kWindow));
        benchmark::ClobberMemory();
    }
    set_items(state, side);
}

template <int32_t (*Morph)(uint8_t *, uint16_t, uint16_t, uint8_t, uint8_t)>
void mask_morphology(benchmark::State &state) {
    const int side = static_cast<int>(state.range(0));
    auto mask = blob_plane<uint8_t>(side, 255);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            Morph(mask.data(), static_cast<uint16_t>(side), static_cast<uint16_t>(side), kWindow, kWindow));
        benchmark::ClobberMemory();
    }
    set_items(state, side);
}

template <int32_t (*Morph)(uint8_t *, uint16_t, uint16_t)>
void morphology_3x3(benchmark::State &state) {
    const int side = static_cast<int>(state.range(0));
    auto mask = blob_plane<uint8_t>(side, 255);
    for (auto _ : state) {
        benchmark::DoNotOptimize(Morph(mask.data(), static_cast<uint16_t>(side), static_cast<uint16_t>(side)));
        benchmark::ClobberMemory();
    }
    set_items(state, side);
}

#ifdef FPKEY_HAVE_OPENCV
// ---- OpenCV ----

void cv_box(benchmark::State &state, int srcType, int dstDepth, cv::Size window, bool normalize) {
    const int side = static_cast<int>(state.range(0));
    cv::Mat src(side, side, srcType);
    cv::randu(src, 0, 256);
    cv::Mat dst(side, side, CV_MAKETYPE(dstDepth, 1));
    for (auto _ : state) {
        cv::boxFilter(src, dst, dstDepth, window, cv::Point(-1, -1), normalize, cv::BORDER_CONSTANT);
        benchmark::DoNotOptimize(dst.data);
        benchmark::ClobberMemory();
    }
    set_items(state, side);
}

void cv_morph(benchmark::State &state, int type, bool dilate, int window, uint8_t foreground) {
    const int side = static_cast<int>(state.range(0));
    const auto plane = blob_plane<uint8_t>(side, foreground);
    cv::Mat src8(side, side, CV_8U, const_cast<uint8_t *>(plane.data()));
    cv::Mat src;
    src8.convertTo(src, type);
    cv::Mat dst(side, side, type);
    const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(window, window));
    for (auto _ : state) {
        if (dilate) {
            cv::dilate(src, dst, kernel);
        } else {
            cv::erode(src, dst, kernel);
        }
        benchmark::DoNotOptimize(dst.data);
        benchmark::ClobberMemory();
    }
    set_items(state, side);
}
#endif

template <typename F>
void add(const std::string &name, F fn) {
    benchmark::RegisterBenchmark(name.c_str(), fn)->Arg(256)->Arg(512)->Arg(1024);
}

const int kRegistered = [] {
#ifdef FPKEY_HAVE_OPENCV
    cv::setNumThreads(1);
    const cv::Size row(kWindow, 1);
    const cv::Size square(kWindow, kWindow);
#endif
    add("VectorLocalSumChar2Char/fpkey", vector_sum<uint8_t, uint8_t, fvs_VectorLocalSumChar2Char>);
    add("VectorLocalSumChar2Uint16/fpkey", vector_sum<uint8_t, uint16_t, fvs_VectorLocalSumChar2Uint16>);
    add("VectorLocalSumUint162Uint16/fpkey", vector_sum<uint16_t, uint16_t, fvs_VectorLocalSumUint162Uint16>);
    add("VectorLocalSumInt2Int/fpkey", vector_sum<int32_t, int32_t, fvs_VectorLocalSumInt2Int>);
    add("VectorLocalSumFloat2Float/fpkey", vector_sum<float, float, fvs_VectorLocalSumFloat2Float>);
#ifdef FPKEY_HAVE_OPENCV
    add("VectorLocalSumChar2Char/opencv", [row](benchmark::State &s) { cv_box(s, CV_8U, CV_8U, row, false); });
    add("VectorLocalSumChar2Uint16/opencv", [row](benchmark::State &s) { cv_box(s, CV_8U, CV_16U, row, false); });
    add("VectorLocalSumUint162Uint16/opencv", [row](benchmark::State &s) { cv_box(s, CV_16U, CV_16U, row, false); });
    add("VectorLocalSumInt2Int/opencv", [row](benchmark::State &s) { cv_box(s, CV_32S, CV_32S, row, false); });
    add("VectorLocalSumFloat2Float/opencv", [row](benchmark::State &s) { cv_box(s, CV_32F, CV_32F, row, false); });
#endif

    add("ImageLocalSumChar2Char/fpkey", image_sum<uint8_t, uint8_t, fvs_ImageLocalSumChar2Char>);
    add("ImageLocalSumChar2Uint16/fpkey", image_sum<uint8_t, uint16_t, fvs_ImageLocalSumChar2Uint16>);
    add("ImageLocalSumUint162Uint16/fpkey", image_sum<uint16_t, uint16_t, fvs_ImageLocalSumUint162Uint16>);
    add("ImageLocalSumInt2Int/fpkey", image_sum<int32_t, int32_t, fvs_ImageLocalSumInt2Int>);
    add("ImageLocalSumFloat2Float/fpkey", image_sum<float, float, fvs_ImageLocalSumFloat2Float>);
    add("ImageMeanChar2Char/fpkey", image_sum<uint8_t, uint8_t, fvs_ImageMeanChar2Char>);
    add("ImageMeanInt2Int/fpkey", image_sum<int32_t, int32_t, fvs_ImageMeanInt2Int>);
#ifdef FPKEY_HAVE_OPENCV
    // 8-bit unnormalised sums saturate in OpenCV where ours wrap: same work.
    add("ImageLocalSumChar2Char/opencv", [square](benchmark::State &s) { cv_box(s, CV_8U, CV_8U, square, false); });
    add("ImageLocalSumChar2Uint16/opencv", [square](benchmark::State &s) { cv_box(s, CV_8U, CV_16U, square, false); });
    add("ImageLocalSumUint162Uint16/opencv",
        [square](benchmark::State &s) { cv_box(s, CV_16U, CV_16U, square, false); });
    add("ImageLocalSumInt2Int/opencv", [square](benchmark::State &s) { cv_box(s, CV_32S, CV_32S, square, false); });
    add("ImageLocalSumFloat2Float/opencv", [square](benchmark::State &s) { cv_box(s, CV_32F, CV_32F, square, false); });
    add("ImageMeanChar2Char/opencv", [square](benchmark::State &s) { cv_box(s, CV_8U, CV_8U, square, true); });
    add("ImageMeanInt2Int/opencv", [square](benchmark::State &s) { cv_box(s, CV_32S, CV_32S, square, true); });
#endif

    add("BWDilateFast/fpkey", window_morphology<uint8_t, BWDilateFast>);
    add("BWErodeFast/fpkey", window_morphology<uint8_t, BWErodeFast>);
    add("BWDilateFastUint16/fpkey", window_morphology<uint16_t, BWDilateFastUint16>);
    add("BWErodeFastUint16/fpkey", window_morphology<uint16_t, BWErodeFastUint16>);
    add("MY_BWDilateFastUint16/fpkey", mask_morphology<MY_BWDilateFastUint16>);
    add("MY_BWErodeFastUint16/fpkey", mask_morphology<MY_BWErodeFastUint16>);
    add("BDilate/fpkey", morphology_3x3<BDilate>);
    add("BErode/fpkey", morphology_3x3<BErode>);
#ifdef FPKEY_HAVE_OPENCV
    add("BWDilateFast/opencv", [](benchmark::State &s) { cv_morph(s, CV_8U, true, kWindow, 1); });
    add("BWErodeFast/opencv", [](benchmark::State &s) { cv_morph(s, CV_8U, false, kWindow, 1); });
    add("BWDilateFastUint16/opencv", [](benchmark::State &s) { cv_morph(s, CV_16U, true, kWindow, 1); });
    add("BWErodeFastUint16/opencv", [](benchmark::State &s) { cv_morph(s, CV_16U, false, kWindow, 1); });
    add("MY_BWDilateFastUint16/opencv", [](benchmark::State &s) { cv_morph(s, CV_8U, true, kWindow, 255); });
    add("MY_BWErodeFastUint16/opencv", [](benchmark::State &s) { cv_morph(s, CV_8U, false, kWindow, 255); });
    add("BDilate/opencv", [](benchmark::State &s) { cv_morph(s, CV_8U, true, 3, 255); });
    add("BErode/opencv", [](benchmark::State &s) { cv_morph(s, CV_8U, false, 3, 255); });
#endif
    return 0;
}();

}  // namespace
