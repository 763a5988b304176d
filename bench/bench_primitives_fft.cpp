// Speed of the histogram and image primitives and of the FFT pair, with
// OpenCV's counterparts (cv::calcHist, cv::resize, cv::dft) alongside where
// they do the same job. OpenCV runs single-threaded so that both sides use
// one core.
#include "fpdevice/imaging_fft.h"
#include "fpdevice/imaging_primitives.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#ifdef FPKEY_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

// A gray image with the spread of a fingerprint scan: mid-gray ridges and
// valleys with noise, so histograms are neither flat nor a single spike.
std::vector<uint8_t> test_image(int height, int width) {
    std::mt19937 random(static_cast<unsigned>(height * 31 + width));
    std::normal_distribution<double> noise(0.0, 18.0);
    std::vector<uint8_t> image(static_cast<size_t>(height) * static_cast<size_t>(width));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double ridge = ((x + y / 2) / 4) % 2 == 0 ? 90.0 : 170.0;
            double value = ridge + noise(random);
            value = value < 0 ? 0 : value > 255 ? 255 : value;
            image[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(value);
        }
    }
    return image;
}

std::vector<uint32_t> test_histogram() {
    const std::vector<uint8_t> image = test_image(256, 256);
    uint32_t *histogram = HistogramCompute(image.data(), 256, 256);
    std::vector<uint32_t> copy(histogram, histogram + FP_HISTOGRAM_BINS);
    HistogramDestroy(histogram);
    return copy;
}

void image_sizes(benchmark::internal::Benchmark *b) { b->Arg(256)->Arg(512)->Arg(1024); }

void set_samples_processed(benchmark::State &state, int64_t side) {
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * side * side);
}

// ---- Histograms ----

void BM_HistogramCreateDestroy(benchmark::State &state) {
    for (auto _ : state) {
        uint32_t *histogram = HistogramCreate();
        benchmark::DoNotOptimize(histogram);
        HistogramDestroy(histogram);
    }
}
BENCHMARK(BM_HistogramCreateDestroy)->Name("HistogramCreateDestroy/fpkey");

void BM_HistogramCompute(benchmark::State &state) {
    const auto side = static_cast<uint16_t>(state.range(0));
    const std::vector<uint8_t> image = test_image(side, side);
    for (auto _ : state) {
        uint32_t *histogram = HistogramCompute(image.data(), side, side);
        benchmark::DoNotOptimize(histogram);
        HistogramDestroy(histogram);
    }
    set_samples_processed(state, side);
}
BENCHMARK(BM_HistogramCompute)->Name("HistogramCompute/fpkey")->Apply(image_sizes);

void BM_HistogramStatistics(benchmark::State &state) {
    const std::vector<uint32_t> histogram = test_histogram();
    for (auto _ : state) {
        benchmark::DoNotOptimize(HistogramGetMean(histogram.data()));
        benchmark::DoNotOptimize(HistogramGetVariance(histogram.data()));
        benchmark::DoNotOptimize(HistogramGetVariance2(histogram.data(), 128));
    }
}
BENCHMARK(BM_HistogramStatistics)->Name("HistogramStatistics/fpkey");

void BM_HistogramPrint(benchmark::State &state) {
    const std::vector<uint32_t> histogram = test_histogram();
    const std::string path = "/tmp/fpkey_bench_histogram_" + std::to_string(getpid()) + ".raw";
    for (auto _ : state) {
        benchmark::DoNotOptimize(HistogramPrint(histogram.data(), 256, path.c_str()));
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_HistogramPrint)->Name("HistogramPrint/fpkey");

// ---- Copy and fill ----

void BM_ImageCopy(benchmark::State &state) {
    const auto side = static_cast<uint16_t>(state.range(0));
    const std::vector<uint8_t> source = test_image(side, side);
    std::vector<uint8_t> destination(source.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(ImageCopy(destination.data(), source.data(), side, side));
        benchmark::ClobberMemory();
    }
    set_samples_processed(state, side);
}
BENCHMARK(BM_ImageCopy)->Name("ImageCopy/fpkey")->Apply(image_sizes);

void BM_ImageFlood(benchmark::State &state) {
    const auto side = static_cast<uint16_t>(state.range(0));
    std::vector<uint8_t> image(static_cast<size_t>(side) * side);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ImageFlood(image.data(), 77, side, side));
        benchmark::ClobberMemory();
    }
    set_samples_processed(state, side);
}
BENCHMARK(BM_ImageFlood)->Name("ImageFlood/fpkey")->Apply(image_sizes);

void BM_ImageClear(benchmark::State &state) {
    const auto side = static_cast<uint16_t>(state.range(0));
    std::vector<uint8_t> image(static_cast<size_t>(side) * side);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ImageClear(image.data(), side, side));
        benchmark::ClobberMemory();
    }
    set_samples_processed(state, side);
}
BENCHMARK(BM_ImageClear)->Name("ImageClear/fpkey")->Apply(image_sizes);

// ---- Scaling (the argument is the side of the larger image) ----

void BM_ImageEnlarge(benchmark::State &state) {
    const auto side = static_cast<uint16_t>(state.range(0));
    const auto half = static_cast<uint16_t>(side / 2);
    const std::vector<uint8_t> source = test_image(half, half);
    for (auto _ : state) {
        uint8_t *result = ImageEnlarge(source.data(), half, half, side, side);
        benchmark::DoNotOptimize(result);
        free(result);
    }
    set_samples_processed(state, side);
}
BENCHMARK(BM_ImageEnlarge)->Name("ImageEnlarge/fpkey")->Apply(image_sizes);

void BM_ImageReduce(benchmark::State &state) {
    const auto side = static_cast<uint16_t>(state.range(0));
    const auto half = static_cast<uint16_t>(side / 2);
    const std::vector<uint8_t> source = test_image(side, side);
    for (auto _ : state) {
        uint8_t *result = ImageReduce(source.data(), side, side, half, half);
        benchmark::DoNotOptimize(result);
        free(result);
    }
    set_samples_processed(state, side);
}
BENCHMARK(BM_ImageReduce)->Name("ImageReduce/fpkey")->Apply(image_sizes);

// ---- Normalisation ----

void BM_ImageNormalize(benchmark::State &state) {
    const auto side = static_cast<uint16_t>(state.range(0));
    std::vector<uint8_t> image = test_image(side, side);
    // Each pass stretches the previous result again: the same work every time.
    for (auto _ : state) {
        benchmark::DoNotOptimize(ImageNormalize(image.data(), side, side, 128, 1000));
        benchmark::ClobberMemory();
    }
    set_samples_processed(state, side);
}
BENCHMARK(BM_ImageNormalize)->Name("ImageNormalize/fpkey")->Apply(image_sizes);

// ---- Rotation tables (angle count, block side) ----

void BM_AxisTransform(benchmark::State &state) {
    const auto angles = static_cast<uint8_t>(state.range(0));
    const auto block = static_cast<uint8_t>(state.range(1));
    for (auto _ : state) {
        int16_t **table = AxisTransform(angles, block, block);
        benchmark::DoNotOptimize(table);
        AxisDestroy(table, angles);
    }
}
BENCHMARK(BM_AxisTransform)->Name("AxisTransform/fpkey")->Args({12, 16})->Args({16, 32})->Args({180, 32});

// ---- FFT ----

void fft_sizes(benchmark::internal::Benchmark *b) { b->RangeMultiplier(2)->Range(2, 8192); }

struct Signal {
    std::vector<float> re;
    std::vector<float> im;
};

Signal test_signal(int n) {
    std::mt19937 random(static_cast<unsigned>(n));
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    Signal signal{std::vector<float>(static_cast<size_t>(n)), std::vector<float>(static_cast<size_t>(n))};
    for (int k = 0; k < n; ++k) {
        signal.re[static_cast<size_t>(k)] = value(random);
        signal.im[static_cast<size_t>(k)] = value(random);
    }
    return signal;
}

// Forward and inverse alternate, so the data stay bounded (the pair returns
// the reversed input) and each iteration is one FFT and one IFFT.
void BM_FftPair(benchmark::State &state) {
    const auto n = static_cast<int>(state.range(0));
    Signal signal = test_signal(n);
    for (auto _ : state) {
        FFT(signal.re.data(), signal.im.data(), static_cast<int16_t>(n));
        IFFT(signal.re.data(), signal.im.data(), n);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 2);
}
BENCHMARK(BM_FftPair)->Name("FftPair/fpkey")->Apply(fft_sizes);

// One forward transform of fresh data each time (the 1/n scaling would
// otherwise drive repeated transforms into denormals); the copy of 2 x 128
// floats is included, as in BM_OpenCv_Dft which writes a separate output.
void BM_Fft(benchmark::State &state) {
    const auto n = static_cast<int>(state.range(0));
    const Signal source = test_signal(n);
    Signal signal = source;
    for (auto _ : state) {
        std::copy(source.re.begin(), source.re.end(), signal.re.begin());
        std::copy(source.im.begin(), source.im.end(), signal.im.begin());
        FFT(signal.re.data(), signal.im.data(), static_cast<int16_t>(n));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Fft)->Name("FFT/fpkey")->Arg(128);

void BM_HistogramSmooth(benchmark::State &state) {
    const std::vector<uint32_t> source = test_histogram();
    std::vector<uint32_t> histogram(FP_HISTOGRAM_BINS);
    for (auto _ : state) {
        std::copy(source.begin(), source.end(), histogram.begin());
        benchmark::DoNotOptimize(HistogramSmooth(histogram.data()));
    }
}
BENCHMARK(BM_HistogramSmooth)->Name("HistogramSmooth/fpkey");

void BM_HistogramSmooth128(benchmark::State &state) {
    const std::vector<uint32_t> source = test_histogram();
    std::vector<uint32_t> histogram(FP_HISTOGRAM_BINS);
    for (auto _ : state) {
        std::copy(source.begin(), source.end(), histogram.begin());
        benchmark::DoNotOptimize(HistogramSmooth128(histogram.data()));
    }
}
BENCHMARK(BM_HistogramSmooth128)->Name("HistogramSmooth128/fpkey");

#ifdef FPKEY_HAVE_OPENCV

struct SingleThreadedOpenCv {
    SingleThreadedOpenCv() { cv::setNumThreads(1); }
};
const SingleThreadedOpenCv kSingleThreaded;

void BM_OpenCv_CalcHist(benchmark::State &state) {
    const int side = static_cast<int>(state.range(0));
    std::vector<uint8_t> pixels = test_image(side, side);
    const cv::Mat image(side, side, CV_8UC1, pixels.data());
    const int channels[] = {0};
    const int bins[] = {256};
    const float range[] = {0.0f, 256.0f};
    const float *ranges[] = {range};
    cv::Mat histogram;
    for (auto _ : state) {
        cv::calcHist(&image, 1, channels, cv::Mat(), histogram, 1, bins, ranges);
        benchmark::DoNotOptimize(histogram.data);
    }
    set_samples_processed(state, side);
}
BENCHMARK(BM_OpenCv_CalcHist)->Name("HistogramCompute/opencv")->Apply(image_sizes);

void BM_OpenCv_ResizeNearestUp(benchmark::State &state) {
    const int side = static_cast<int>(state.range(0));
    std::vector<uint8_t> pixels = test_image(side / 2, side / 2);
    const cv::Mat source(side / 2, side / 2, CV_8UC1, pixels.data());
    for (auto _ : state) {
        cv::Mat result;
        cv::resize(source, result, cv::Size(side, side), 0, 0, cv::INTER_NEAREST);
        benchmark::DoNotOptimize(result.data);
    }
    set_samples_processed(state, side);
}
BENCHMARK(BM_OpenCv_ResizeNearestUp)->Name("ImageEnlarge/opencv")->Apply(image_sizes);

void BM_OpenCv_ResizeAreaDown(benchmark::State &state) {
    const int side = static_cast<int>(state.range(0));
    std::vector<uint8_t> pixels = test_image(side, side);
    const cv::Mat source(side, side, CV_8UC1, pixels.data());
    for (auto _ : state) {
        cv::Mat result;
        cv::resize(source, result, cv::Size(side / 2, side / 2), 0, 0, cv::INTER_AREA);
        benchmark::DoNotOptimize(result.data);
    }
    set_samples_processed(state, side);
}
BENCHMARK(BM_OpenCv_ResizeAreaDown)->Name("ImageReduce/opencv-area")->Apply(image_sizes);

void BM_OpenCv_PyrDown(benchmark::State &state) {
    const int side = static_cast<int>(state.range(0));
    std::vector<uint8_t> pixels = test_image(side, side);
    const cv::Mat source(side, side, CV_8UC1, pixels.data());
    for (auto _ : state) {
        cv::Mat result;
        cv::pyrDown(source, result, cv::Size(side / 2, side / 2));
        benchmark::DoNotOptimize(result.data);
    }
    set_samples_processed(state, side);
}
BENCHMARK(BM_OpenCv_PyrDown)->Name("ImageReduce/opencv")->Apply(image_sizes);

// Complex 128-point transform, forward scaled by 1/n like FFT.
void BM_OpenCv_Dft(benchmark::State &state) {
    const auto n = static_cast<int>(state.range(0));
    const Signal signal = test_signal(n);
    cv::Mat input(1, n, CV_32FC2);
    for (int k = 0; k < n; ++k) {
        input.at<cv::Vec2f>(0, k) = cv::Vec2f(signal.re[static_cast<size_t>(k)], signal.im[static_cast<size_t>(k)]);
    }
    cv::Mat output;
    for (auto _ : state) {
        cv::dft(input, output, cv::DFT_SCALE);
        benchmark::DoNotOptimize(output.data);
    }
}
BENCHMARK(BM_OpenCv_Dft)->Name("FFT/opencv")->Arg(128);

// Forward and inverse, as BM_FftPair.
void BM_OpenCv_DftPair(benchmark::State &state) {
    const auto n = static_cast<int>(state.range(0));
    const Signal signal = test_signal(n);
    cv::Mat data(1, n, CV_32FC2);
    for (int k = 0; k < n; ++k) {
        data.at<cv::Vec2f>(0, k) = cv::Vec2f(signal.re[static_cast<size_t>(k)], signal.im[static_cast<size_t>(k)]);
    }
    cv::Mat spectrum;
    for (auto _ : state) {
        cv::dft(data, spectrum, cv::DFT_SCALE);
        cv::dft(spectrum, data, cv::DFT_INVERSE);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 2);
}
BENCHMARK(BM_OpenCv_DftPair)->Name("FftPair/opencv")->Arg(128);

#endif  // FPKEY_HAVE_OPENCV

}  // namespace
