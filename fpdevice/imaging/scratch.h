// Scratch memory of the image routines: a block from malloc or calloc that
// is freed however the routine leaves, early returns included. The library
// has no C++ runtime, so no operator new: only the C allocator and a
// unique_ptr that calls free.
#ifndef FPDEVICE_IMAGING_SCRATCH_H
#define FPDEVICE_IMAGING_SCRATCH_H

#include <cstddef>
#include <cstdlib>
#include <memory>

namespace fpdevice::imaging {

struct FreeDeleter {
    void operator()(void *block) const { std::free(block); }
};

// release() hands the block on to a caller who frees it with free().
template <typename T>
using Scratch = std::unique_ptr<T[], FreeDeleter>;

// Room for `count` elements, uninitialised; empty when out of memory.
template <typename T>
Scratch<T> scratch_alloc(size_t count) {
    return Scratch<T>(static_cast<T *>(std::malloc(count * sizeof(T))));
}

// Room for `count` elements, all bits zero; empty when out of memory.
template <typename T>
Scratch<T> scratch_zeroed(size_t count) {
    return Scratch<T>(static_cast<T *>(std::calloc(count, sizeof(T))));
}

}  // namespace fpdevice::imaging

#endif
