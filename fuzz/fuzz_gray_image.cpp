// Arbitrary bytes as a PGM or PNG file. The reader either refuses the file
// with a reason or hands out an image whose pixels match its size; it never
// allocates what a header merely claims (the fuzzer's memory limit catches
// that).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

#include "gray_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const int file = memfd_create("fuzz-image", 0);
    if (file < 0) std::abort();
    size_t written = 0;
    while (written < size) {
        const ssize_t got = write(file, data + written, size - written);
        if (got <= 0) std::abort();
        written += static_cast<size_t>(got);
    }
    fpkey::GrayImage image;
    std::string error;
    const bool read = fpkey::ReadGrayImage("/proc/self/fd/" + std::to_string(file), &image, &error);
    close(file);
    if (read) {
        if (image.height < 1 || image.width < 1) std::abort();
        if (image.pixels.size() != static_cast<size_t>(image.height) * static_cast<size_t>(image.width)) std::abort();
    } else if (error.empty()) {
        std::abort();
    }
    return 0;
}
