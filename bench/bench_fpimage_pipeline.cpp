// Speed of the whole fpimage analysis of one image (mask, orientation,
// spacing, quality, broken test, complexity; no pictures) on a synthetic
// fingerprint at 256 x 256 and 512 x 512. Goal: under 10 ms at 512 x 512.
#ifdef FPKEY_HAVE_FPIMAGE
#include <benchmark/benchmark.h>

#include <string>

#include "analysis.h"
#include "synthetic_finger.h"

namespace {

void AnalyzePipeline(benchmark::State &state) {
    const int side = static_cast<int>(state.range(0));
    const fpkey::GrayImage image = fpkey::SyntheticFinger(side, side, 9.0, 1);
    for (auto _ : state) {
        fpkey::Analysis analysis;
        std::string error;
        if (!fpkey::Analyze(image, &analysis, &error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        benchmark::DoNotOptimize(analysis.foregroundShare);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * side * side);
}

}  // namespace

BENCHMARK(AnalyzePipeline)->Name("AnalyzePipeline/fpkey")->Arg(256)->Arg(512)->Unit(benchmark::kMillisecond);
#endif
