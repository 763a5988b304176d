// Fault injection for the image library's allocations.
//
// The test executable interposes malloc, calloc, realloc and free. Between
// arm() and disarm() it counts allocation attempts, fails the chosen one and
// counts the blocks still held; otherwise every call goes straight to the C
// library. Sanitizer builds bring their own allocator, so there the
// interposer is absent and available() answers false.
#ifndef FPKEY_TESTS_IMAGING_FAILING_MALLOC_H
#define FPKEY_TESTS_IMAGING_FAILING_MALLOC_H

#include <cstddef>

namespace failing_malloc {

struct Outcome {
    bool failed;       // whether the chosen attempt was reached
    long outstanding;  // blocks allocated while armed, less those freed
};

bool available();
void arm(std::size_t failAt);  // fails attempt number failAt (0-based)
Outcome disarm();

// Runs `call` failing its first allocation, then its second, and so on, and
// once more with every allocation granted; each run's result and outcome go
// to `check`, which releases what a successful run returns. Returns the
// number of allocations a successful run makes.
template <typename Call, typename Check>
std::size_t sweep(Call call, Check check) {
    for (std::size_t failAt = 0;; ++failAt) {
        arm(failAt);
        auto result = call();
        const Outcome outcome = disarm();
        check(result, outcome);
        if (!outcome.failed) {
            return failAt;
        }
    }
}

}  // namespace failing_malloc

#endif
