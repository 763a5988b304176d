// Ownership of the buffers the image library hands out (released with free).
#ifndef FINGERMATCH_LIBRARY_BUFFERS_H
#define FINGERMATCH_LIBRARY_BUFFERS_H

#include <cstdlib>
#include <memory>
#include <new>

namespace fingermatch {

struct FreeDeleter {
    void operator()(void *block) const { std::free(block); }
};

template <typename T>
using LibraryBuffer = std::unique_ptr<T, FreeDeleter>;

// The image routines answer 1 when they run out of memory: the extractor
// treats it like any other failed allocation of the C++ runtime.
inline void ThrowIfOutOfMemory(int status) {
    if (status == 1) throw std::bad_alloc();
}

}  // namespace fingermatch

#endif
