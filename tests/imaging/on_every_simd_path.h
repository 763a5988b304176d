// Runs a computation once on each instruction set of the image kernels.
#ifndef FPKEY_TESTS_IMAGING_ON_EVERY_SIMD_PATH_H
#define FPKEY_TESTS_IMAGING_ON_EVERY_SIMD_PATH_H

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace fpkey_test {

// The results of `compute` forced onto the scalar, SSE2 and AVX2 paths, in
// that order (a path the processor lacks runs its best one); the caller's
// FPKEY_SIMD is restored afterwards.
template <typename Compute>
auto OnEverySimdPath(Compute compute) {
    const char *chosen = std::getenv("FPKEY_SIMD");
    const std::string before = chosen != nullptr ? chosen : "";
    std::vector<std::pair<std::string, decltype(compute())>> results;
    for (const char *path : {"scalar", "sse2", "avx2"}) {
        setenv("FPKEY_SIMD", path, 1);
        results.emplace_back(path, compute());
    }
    if (chosen != nullptr) {
        setenv("FPKEY_SIMD", before.c_str(), 1);
    } else {
        unsetenv("FPKEY_SIMD");
    }
    return results;
}

}  // namespace fpkey_test

#endif
