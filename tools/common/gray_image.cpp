#include "gray_image.h"

#include <png.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>

namespace fpkey {
namespace {

struct FileCloser {
    void operator()(FILE *file) const { std::fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

bool CheckSize(long height, long width, uint64_t maxPixels, std::string *error) {
    if (height <= 0 || width <= 0) {
        *error = "image has no samples";
        return false;
    }
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (height > kMaxImageSide || width > kMaxImageSide) {
        *error = "image is " + size + "; each side must be at most " + std::to_string(kMaxImageSide);
        return false;
    }
    const uint64_t pixels = static_cast<uint64_t>(height) * static_cast<uint64_t>(width);
    if (pixels > maxPixels) {
        *error = "image is " + size + ", " + std::to_string(pixels) + " pixels: more than the limit of " +
                 std::to_string(maxPixels) + " pixels";
        return false;
    }
    return true;
}

// The bytes from the read position to the end, when the stream can tell
// (a pipe cannot).
std::optional<uint64_t> BytesLeft(std::istream &in) {
    const std::istream::pos_type here = in.tellg();
    if (here < 0 || !in.seekg(0, std::ios::end)) return std::nullopt;
    const std::istream::pos_type end = in.tellg();
    in.seekg(here);
    if (end < here || !in) return std::nullopt;
    return static_cast<uint64_t>(end - here);
}

// Skips white space and '#' comments between PGM header fields.
bool ReadPgmNumber(std::istream &in, long *value) {
    for (;;) {
        const int c = in.peek();
        if (c == '#') {
            std::string comment;
            std::getline(in, comment);
        } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            in.get();
        } else {
            break;
        }
    }
    return static_cast<bool>(in >> *value);
}

bool ReadPgm(const std::string &path, uint64_t maxPixels, GrayImage *image, std::string *error) {
    std::ifstream in(path, std::ios::binary);
    char magic[2] = {};
    in.read(magic, 2);
    if (magic[0] != 'P' || magic[1] != '5') {
        *error = "not a binary PGM (P5) file";
        return false;
    }
    long width = 0, height = 0, maxval = 0;
    if (!ReadPgmNumber(in, &width) || !ReadPgmNumber(in, &height) || !ReadPgmNumber(in, &maxval)) {
        *error = "PGM header is damaged";
        return false;
    }
    if (maxval != 255) {
        *error = "PGM samples are not 8-bit (maxval " + std::to_string(maxval) + ")";
        return false;
    }
    if (!CheckSize(height, width, maxPixels, error)) return false;
    in.get();  // the single white-space byte before the samples
    const uint64_t samples = static_cast<uint64_t>(height) * static_cast<uint64_t>(width);
    const std::optional<uint64_t> left = BytesLeft(in);
    if (left && *left < samples) {
        *error = "PGM file is shorter than its header says";
        return false;
    }
    std::vector<uint8_t> pixels(static_cast<size_t>(samples));
    in.read(reinterpret_cast<char *>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
    if (in.gcount() != static_cast<std::streamsize>(pixels.size())) {
        *error = "PGM file is shorter than its header says";
        return false;
    }
    image->height = static_cast<int>(height);
    image->width = static_cast<int>(width);
    image->pixels = std::move(pixels);
    return true;
}

// libpng reports errors by longjmp back to a setjmp. The functions that set
// one hold nothing with a destructor and change no local after it, so the
// jump skips no clean-up and finds every value it needs intact.
bool ReadPngHeader(png_structp png, png_infop info, FILE *file, png_uint_32 *height, png_uint_32 *width, int *colour,
                   int *depth) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_read_info(png, info);
    *width = png_get_image_width(png, info);
    *height = png_get_image_height(png, info);
    *colour = png_get_color_type(png, info);
    *depth = png_get_bit_depth(png, info);
    return true;
}

bool ReadPngRows(png_structp png, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_image(png, rows);
    return true;
}

bool WritePngRows(png_structp png, png_infop info, FILE *file, int height, int width, int channels, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 channels == 3 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngReader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

bool ReadPng(FILE *file, uint64_t maxPixels, GrayImage *image, std::string *error) {
    PngReader reader;
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (reader.png != nullptr) reader.info = png_create_info_struct(reader.png);
    if (reader.info == nullptr) {
        *error = "out of memory";
        return false;
    }
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int colour = 0;
    int depth = 0;
    if (!ReadPngHeader(reader.png, reader.info, file, &height, &width, &colour, &depth)) {
        *error = "PNG file is damaged";
        return false;
    }
    if (colour != PNG_COLOR_TYPE_GRAY || depth != 8) {
        *error = "not an 8-bit gray image (convert it to 8-bit grayscale first)";
        return false;
    }
    // Compressed rows say nothing about the size the header claims: only
    // the limit stands between a small file and a large allocation.
    if (!CheckSize(static_cast<long>(height), static_cast<long>(width), maxPixels, error)) return false;
    std::vector<uint8_t> pixels(static_cast<size_t>(height) * width);
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels.data() + static_cast<size_t>(y) * width;
    if (!ReadPngRows(reader.png, rows.data())) {
        *error = "PNG file is damaged";
        return false;
    }
    image->height = static_cast<int>(height);
    image->width = static_cast<int>(width);
    image->pixels = std::move(pixels);
    return true;
}

struct PngWriter {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngWriter() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

}  // namespace

bool ReadGrayImage(const std::string &path, GrayImage *image, std::string *error, uint64_t maxPixels) {
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        *error = std::string("cannot open: ") + std::strerror(errno);
        return false;
    }
    uint8_t signature[8] = {};
    const size_t got = std::fread(signature, 1, sizeof signature, file.get());
    if (got == sizeof signature && png_sig_cmp(signature, 0, sizeof signature) == 0) {
        std::rewind(file.get());
        return ReadPng(file.get(), maxPixels, image, error);
    }
    if (got >= 2 && signature[0] == 'P' && signature[1] == '5') return ReadPgm(path, maxPixels, image, error);
    *error = "not a PNG or binary PGM file";
    return false;
}

bool WritePng(const std::string &path, int height, int width, int channels, const uint8_t *samples,
              std::string *error) {
    FILE *file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        *error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    bool written = false;
    {
        PngWriter writer;
        writer.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        if (writer.png != nullptr) writer.info = png_create_info_struct(writer.png);
        if (writer.info != nullptr) {
            const size_t stride = static_cast<size_t>(width) * static_cast<size_t>(channels);
            std::vector<png_bytep> rows(static_cast<size_t>(height));
            for (size_t y = 0; y < rows.size(); ++y) rows[y] = const_cast<png_bytep>(samples + y * stride);
            written = WritePngRows(writer.png, writer.info, file, height, width, channels, rows.data());
        }
    }
    // A file that could not be finished is removed rather than left
    // half-written; a device or pipe given as the path is left alone.
    struct stat status {};
    const bool regular = fstat(fileno(file), &status) == 0 && S_ISREG(status.st_mode);
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        if (regular) std::remove(path.c_str());
        *error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace fpkey
