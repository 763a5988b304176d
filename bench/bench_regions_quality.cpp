// Speed of the region tools, the 3 x 3 mean, stripe removal and block
// quality, at 256 x 256 and 512 x 512, with OpenCV's counterparts alongside:
// cv::floodFill for RegionGrow, cv::blur for MeanSmooth and, for
// RemoveSmallArea, cv::connectedComponentsWithStats with a recolouring pass.
// OpenCV runs single-threaded so that both sides use one core.
#include "fpdevice/imaging_quality.h"
#include "fpdevice/imaging_regions.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#ifdef FPKEY_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr uint8_t kBackground = 0;
constexpr uint8_t kForeground = 255;
constexpr uint8_t kAlternate = 128;

void image_sizes(benchmark::internal::Benchmark *b) { b->Arg(256)->Arg(512); }

void set_samples_processed(benchmark::State &state, int64_t side) {
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * side * side);
}

// A gray image with fingerprint-like ridges of period 8 that curve around a
// centre, with noise: the input of the mean and of the quality map.
std::vector<uint8_t> ridge_image(int side) {
    std::mt19937 random(static_cast<unsigned>(side));
    std::normal_distribution<double> noise(0.0, 12.0);
    std::vector<uint8_t> image(static_cast<size_t>(side) * side);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const double dx = x - side * 0.5;
            const double dy = y - side * 0.7;
            const double phase = std::sqrt(dx * dx + dy * dy) * 2.0 * M_PI / 8.0;
            double value = 128.0 + 70.0 * std::sin(phase) + noise(random);
            value = value < 0 ? 0 : value > 255 ? 255 : value;
            image[static_cast<size_t>(y) * side + x] = static_cast<uint8_t>(value);
        }
    }
    return image;
}

// A foreground mask: one large disk (the finger) with a few small holes.
std::vector<uint8_t> blob_mask(int side) {
    std::vector<uint8_t> mask(static_cast<size_t>(side) * side, kBackground);
    const double radius = side * 0.42;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const double dx = x - side * 0.5;
            const double dy = y - side * 0.5;
            const bool hole = (x / 16 + y / 16) % 7 == 0 && x % 16 < 2 && y % 16 < 2;
            if (dx * dx + dy * dy < radius * radius && !hole) {
                mask[static_cast<size_t>(y) * side + x] = kForeground;
            }
        }
    }
    return mask;
}

// A random mask just above the percolation threshold: one ragged region
// spanning the image with many short runs, the hard case for a run fill.
std::vector<uint8_t> maze_mask(int side) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> roll(0, 99);
    std::vector<uint8_t> mask(static_cast<size_t>(side) * side);
    for (auto &p : mask) {
        p = roll(random) < 62 ? kForeground : kBackground;
    }
    const size_t centre = static_cast<size_t>(side / 2) * side + side / 2;
    mask[centre] = kForeground;
    return mask;
}

// A mask with specks and holes of all sizes from 1 to about 40 pixels.
std::vector<uint8_t> speckled_mask(int side) {
    std::vector<uint8_t> mask = blob_mask(side);
    std::mt19937 random(3);
    std::uniform_int_distribution<int> position(0, side - 1);
    std::uniform_int_distribution<int> extent(1, 6);
    for (int k = 0; k < side; ++k) {
        const int y0 = position(random);
        const int x0 = position(random);
        const int h = extent(random);
        const int w = extent(random);
        const uint8_t level = (k % 2 == 0) ? kForeground : kBackground;
        for (int y = y0; y < y0 + h && y < side; ++y) {
            for (int x = x0; x < x0 + w && x < side; ++x) {
                mask[static_cast<size_t>(y) * side + x] = level;
            }
        }
    }
    return mask;
}

constexpr int kBlob = 0;
constexpr int kMaze = 1;

std::vector<uint8_t> scene(int which, int side) { return which == kBlob ? blob_mask(side) : maze_mask(side); }

// ---- Region growing ----

// The region is filled back and forth between two values, so every
// iteration fills the same pixels without copying the image.
template <int Scene>
void BM_RegionGrow(benchmark::State &state) {
    const auto side = static_cast<int16_t>(state.range(0));
    std::vector<uint8_t> image = scene(Scene, side);
    uint8_t from = kForeground;
    uint8_t to = kAlternate;
    uint32_t area = 0;
    int16_t left = 0, top = 0, right = 0, bottom = 0;
    for (auto _ : state) {
        RegionGrow(image.data(), side, side, static_cast<int16_t>(side / 2), static_cast<int16_t>(side / 2), &area,
                   &left, &top, &right, &bottom, from, to, 1);
        benchmark::DoNotOptimize(area);
        std::swap(from, to);
    }
    state.counters["area"] = area;
    set_samples_processed(state, side);
}
BENCHMARK_TEMPLATE(BM_RegionGrow, kBlob)->Name("RegionGrowBlob/fpkey")->Apply(image_sizes);
BENCHMARK_TEMPLATE(BM_RegionGrow, kMaze)->Name("RegionGrowMaze/fpkey")->Apply(image_sizes);

// A smooth radial ramp filled within a tolerance of 20 around its centre;
// the image is restored by a copy in every iteration.
std::vector<uint8_t> ramp_image(int side) {
    std::vector<uint8_t> image(static_cast<size_t>(side) * side);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const double dx = x - side * 0.5;
            const double dy = y - side * 0.5;
            const double r = std::sqrt(dx * dx + dy * dy) * 255.0 / (side * 0.75);
            image[static_cast<size_t>(y) * side + x] = static_cast<uint8_t>(r > 255 ? 255 : r);
        }
    }
    return image;
}

void BM_RegionGrowTolerance(benchmark::State &state) {
    const auto side = static_cast<int16_t>(state.range(0));
    const std::vector<uint8_t> original = ramp_image(side);
    std::vector<uint8_t> image = original;
    const uint8_t value = original[static_cast<size_t>(side / 2) * side + side / 2];
    uint32_t area = 0;
    int16_t left = 0, top = 0, right = 0, bottom = 0;
    for (auto _ : state) {
        memcpy(image.data(), original.data(), original.size());
        RegionGrow(image.data(), side, side, static_cast<int16_t>(side / 2), static_cast<int16_t>(side / 2), &area,
                   &left, &top, &right, &bottom, value, 250, 20);
        benchmark::DoNotOptimize(area);
    }
    state.counters["area"] = area;
    set_samples_processed(state, side);
}
BENCHMARK(BM_RegionGrowTolerance)->Name("RegionGrowTolerance/fpkey")->Apply(image_sizes);

void BM_RemoveSmallArea(benchmark::State &state) {
    const auto side = static_cast<int16_t>(state.range(0));
    const std::vector<uint8_t> original = speckled_mask(side);
    std::vector<uint8_t> image = original;
    for (auto _ : state) {
        memcpy(image.data(), original.data(), original.size());
        benchmark::DoNotOptimize(RemoveSmallArea(image.data(), side, side, kForeground, kBackground, 40));
        benchmark::ClobberMemory();
    }
    set_samples_processed(state, side);
}
BENCHMARK(BM_RemoveSmallArea)->Name("RemoveSmallArea/fpkey")->Apply(image_sizes);

// ---- Filters ----

void BM_MeanSmooth(benchmark::State &state) {
    const auto side = static_cast<int16_t>(state.range(0));
    const std::vector<uint8_t> source = ridge_image(side);
    std::vector<uint8_t> destination(source.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(MeanSmooth(source.data(), destination.data(), side, side));
        benchmark::ClobberMemory();
    }
    set_samples_processed(state, side);
}
BENCHMARK(BM_MeanSmooth)->Name("MeanSmooth/fpkey")->Apply(image_sizes);
// The same run again, paired with cv::blur under MeanSmooth's border rule.
BENCHMARK(BM_MeanSmooth)->Name("MeanSmoothConstantBorder/fpkey")->Apply(image_sizes);

void BM_MeanSmoothInPlace(benchmark::State &state) {
    const auto side = static_cast<int16_t>(state.range(0));
    std::vector<uint8_t> image = ridge_image(side);
    for (auto _ : state) {
        benchmark::DoNotOptimize(MeanSmooth(image.data(), image.data(), side, side));
        benchmark::ClobberMemory();
    }
    set_samples_processed(state, side);
}
BENCHMARK(BM_MeanSmoothInPlace)->Name("MeanSmoothInPlace/fpkey")->Apply(image_sizes);

// Runs of up to 3 foreground pixels of the maze, along rows (direction 0) or
// columns (direction 1).
template <uint8_t Direction>
void BM_RemoveStripe(benchmark::State &state) {
    const auto side = static_cast<int16_t>(state.range(0));
    const std::vector<uint8_t> original = maze_mask(side);
    std::vector<uint8_t> image = original;
    const uint8_t direction = Direction;
    for (auto _ : state) {
        memcpy(image.data(), original.data(), original.size());
        benchmark::DoNotOptimize(RemoveStripe(image.data(), side, side, kForeground, kBackground, 3, direction));
        benchmark::ClobberMemory();
    }
    set_samples_processed(state, side);
}
BENCHMARK_TEMPLATE(BM_RemoveStripe, 0)->Name("RemoveStripeRows/fpkey")->Apply(image_sizes);
BENCHMARK_TEMPLATE(BM_RemoveStripe, 1)->Name("RemoveStripeColumns/fpkey")->Apply(image_sizes);

// ---- Gradients and block quality ----

void release_set(uint16_t **set) {
    for (int d = 0; d < 4; ++d) {
        free(set[d]);
    }
    free(set);
}

void BM_FpGetImg4DirectionGrads(benchmark::State &state) {
    const auto side = static_cast<int16_t>(state.range(0));
    const std::vector<uint8_t> image = ridge_image(side);
    for (auto _ : state) {
        uint16_t *grid = nullptr;
        benchmark::DoNotOptimize(FpGetImg4DirectionGrads(image.data(), side, side, &grid, 1, 4));
        free(grid);
    }
    set_samples_processed(state, side);
}
BENCHMARK(BM_FpGetImg4DirectionGrads)->Name("FpGetImg4DirectionGrads/fpkey")->Apply(image_sizes);

void BM_FpGetImg4DirectionGradsEx(benchmark::State &state) {
    const auto side = static_cast<int16_t>(state.range(0));
    const std::vector<uint8_t> image = ridge_image(side);
    for (auto _ : state) {
        uint16_t **set = FpGetImg4DirectionGradsEx(image.data(), side, side, 4);
        benchmark::DoNotOptimize(set);
        release_set(set);
    }
    set_samples_processed(state, side);
}
BENCHMARK(BM_FpGetImg4DirectionGradsEx)->Name("FpGetImg4DirectionGradsEx/fpkey")->Apply(image_sizes);

void BM_ImageBlkQuality(benchmark::State &state) {
    const auto side = static_cast<int16_t>(state.range(0));
    const std::vector<uint8_t> image = ridge_image(side);
    for (auto _ : state) {
        BlkQualityMap record{};
        benchmark::DoNotOptimize(ImageBlkQuality(&record, image.data(), side, side, nullptr));
        free(record.map);
    }
    set_samples_processed(state, side);
}
BENCHMARK(BM_ImageBlkQuality)->Name("ImageBlkQuality/fpkey")->Apply(image_sizes);

void BM_ImageBlkQualityEx(benchmark::State &state) {
    const auto side = static_cast<int16_t>(state.range(0));
    const std::vector<uint8_t> image = ridge_image(side);
    uint16_t **set = FpGetImg4DirectionGradsEx(image.data(), side, side, 4);
    for (auto _ : state) {
        BlkQualityMap record{};
        benchmark::DoNotOptimize(ImageBlkQualityEx(&record, image.data(), side, side, nullptr, set));
        free(record.map);
    }
    release_set(set);
    set_samples_processed(state, side);
}
BENCHMARK(BM_ImageBlkQualityEx)->Name("ImageBlkQualityEx/fpkey")->Apply(image_sizes);

#ifdef FPKEY_HAVE_OPENCV

struct SingleThreadedOpenCv {
    SingleThreadedOpenCv() { cv::setNumThreads(1); }
};
const SingleThreadedOpenCv kSingleThreaded;

// Exact-value fill, 4-connected, back and forth as BM_RegionGrow.
template <int Scene>
void BM_OpenCv_FloodFill(benchmark::State &state) {
    const int side = static_cast<int>(state.range(0));
    std::vector<uint8_t> pixels = scene(Scene, side);
    cv::Mat image(side, side, CV_8UC1, pixels.data());
    const cv::Point seed(side / 2, side / 2);
    uint8_t to = kAlternate;
    int area = 0;
    for (auto _ : state) {
        area = cv::floodFill(image, seed, cv::Scalar(to), nullptr, cv::Scalar(0), cv::Scalar(0), 4);
        benchmark::DoNotOptimize(area);
        to = to == kAlternate ? kForeground : kAlternate;
    }
    state.counters["area"] = area;
    set_samples_processed(state, side);
}
BENCHMARK_TEMPLATE(BM_OpenCv_FloodFill, kBlob)->Name("RegionGrowBlob/opencv")->Apply(image_sizes);
BENCHMARK_TEMPLATE(BM_OpenCv_FloodFill, kMaze)->Name("RegionGrowMaze/opencv")->Apply(image_sizes);

// Levels within 19 of the seed's, as RegionGrow with tolerance 20.
void BM_OpenCv_FloodFillTolerance(benchmark::State &state) {
    const int side = static_cast<int>(state.range(0));
    const std::vector<uint8_t> original = ramp_image(side);
    std::vector<uint8_t> pixels = original;
    cv::Mat image(side, side, CV_8UC1, pixels.data());
    const cv::Point seed(side / 2, side / 2);
    int area = 0;
    for (auto _ : state) {
        memcpy(pixels.data(), original.data(), original.size());
        area = cv::floodFill(image, seed, cv::Scalar(250), nullptr, cv::Scalar(19), cv::Scalar(19),
                             4 | cv::FLOODFILL_FIXED_RANGE);
        benchmark::DoNotOptimize(area);
    }
    state.counters["area"] = area;
    set_samples_processed(state, side);
}
BENCHMARK(BM_OpenCv_FloodFillTolerance)->Name("RegionGrowTolerance/opencv")->Apply(image_sizes);

// Labels the foreground, then recolours the labels of at most 40 pixels.
void BM_OpenCv_ConnectedComponentsRemoval(benchmark::State &state) {
    const int side = static_cast<int>(state.range(0));
    const std::vector<uint8_t> original = speckled_mask(side);
    std::vector<uint8_t> pixels = original;
    cv::Mat image(side, side, CV_8UC1, pixels.data());
    cv::Mat labels, stats, centroids;
    std::vector<uint8_t> small;
    for (auto _ : state) {
        memcpy(pixels.data(), original.data(), original.size());
        const int count = cv::connectedComponentsWithStats(image, labels, stats, centroids, 4, CV_32S);
        small.assign(static_cast<size_t>(count), 0);
        for (int k = 1; k < count; ++k) {
            small[static_cast<size_t>(k)] = stats.at<int>(k, cv::CC_STAT_AREA) <= 40 ? 1 : 0;
        }
        for (int y = 0; y < side; ++y) {
            const int *row = labels.ptr<int>(y);
            uint8_t *out = image.ptr<uint8_t>(y);
            for (int x = 0; x < side; ++x) {
                if (small[static_cast<size_t>(row[x])] != 0) {
                    out[x] = kBackground;
                }
            }
        }
        benchmark::ClobberMemory();
    }
    set_samples_processed(state, side);
}
BENCHMARK(BM_OpenCv_ConnectedComponentsRemoval)->Name("RemoveSmallArea/opencv")->Apply(image_sizes);

void BM_OpenCv_Blur(benchmark::State &state) {
    const int side = static_cast<int>(state.range(0));
    std::vector<uint8_t> pixels = ridge_image(side);
    const cv::Mat source(side, side, CV_8UC1, pixels.data());
    cv::Mat destination(side, side, CV_8UC1);
    for (auto _ : state) {
        cv::blur(source, destination, cv::Size(3, 3));
        benchmark::DoNotOptimize(destination.data);
    }
    set_samples_processed(state, side);
}
BENCHMARK(BM_OpenCv_Blur)->Name("MeanSmooth/opencv")->Apply(image_sizes);

// The border rule of MeanSmooth: samples outside count as 0.
void BM_OpenCv_BlurConstantBorder(benchmark::State &state) {
    const int side = static_cast<int>(state.range(0));
    std::vector<uint8_t> pixels = ridge_image(side);
    const cv::Mat source(side, side, CV_8UC1, pixels.data());
    cv::Mat destination(side, side, CV_8UC1);
    for (auto _ : state) {
        cv::blur(source, destination, cv::Size(3, 3), cv::Point(-1, -1), cv::BORDER_CONSTANT);
        benchmark::DoNotOptimize(destination.data);
    }
    set_samples_processed(state, side);
}
BENCHMARK(BM_OpenCv_BlurConstantBorder)->Name("MeanSmoothConstantBorder/opencv")->Apply(image_sizes);

#endif  // FPKEY_HAVE_OPENCV

}  // namespace
