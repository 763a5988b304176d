// The malloc interposer behind failing_malloc.h. The library frees nothing
// it did not allocate within the same call, so counting blocks is enough.
#include "failing_malloc.h"

#ifndef FPKEY_SANITIZE

extern "C" {
void *__libc_malloc(std::size_t size);
void *__libc_calloc(std::size_t count, std::size_t size);
void *__libc_realloc(void *block, std::size_t size);
void __libc_free(void *block);
}

namespace {

bool armed = false;
std::size_t failAt = 0;
std::size_t attempts = 0;
long outstanding = 0;

// Counts one attempt; true when it is the one to fail.
bool should_fail() { return armed && attempts++ == failAt; }

void *counted(void *block) {
    outstanding += armed && block != nullptr ? 1 : 0;
    return block;
}

}  // namespace

extern "C" {

void *malloc(std::size_t size) noexcept { return should_fail() ? nullptr : counted(__libc_malloc(size)); }

void *calloc(std::size_t count, std::size_t size) noexcept {
    return should_fail() ? nullptr : counted(__libc_calloc(count, size));
}

void *realloc(void *block, std::size_t size) noexcept {
    // Moves a block without changing how many are held.
    return should_fail() ? nullptr : __libc_realloc(block, size);
}

void free(void *block) noexcept {
    outstanding -= armed && block != nullptr ? 1 : 0;
    __libc_free(block);
}

}  // extern "C"

namespace failing_malloc {

bool available() { return true; }

void arm(std::size_t attempt) {
    failAt = attempt;
    attempts = 0;
    outstanding = 0;
    armed = true;
}

Outcome disarm() {
    armed = false;
    return Outcome{attempts > failAt, outstanding};
}

}  // namespace failing_malloc

#else  // FPKEY_SANITIZE

namespace failing_malloc {

bool available() { return false; }

void arm(std::size_t) {}

Outcome disarm() { return Outcome{false, 0}; }

}  // namespace failing_malloc

#endif
