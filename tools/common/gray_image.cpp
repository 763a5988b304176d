#include "gray_image.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>

namespace fpkey {
namespace {

struct FileCloser {
    void operator()(FILE *file) const { std::fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

bool CheckSize(long height, long width, std::string *error) {
    if (height <= 0 || width <= 0) {
        *error = "image has no samples";
        return false;
    }
    if (height > kMaxImageSide || width > kMaxImageSide) {
        *error = "image is " + std::to_string(width) + " x " + std::to_string(height) +
                 "; each side must be at most " + std::to_string(kMaxImageSide);
        return false;
    }
    return true;
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

bool ReadPgm(const std::string &path, GrayImage *image, std::string *error) {
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
    if (!CheckSize(height, width, error)) return false;
    in.get();  // the single white-space byte before the samples
    std::vector<uint8_t> pixels(static_cast<size_t>(height) * static_cast<size_t>(width));
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

struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngReader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

bool ReadPng(FILE *file, GrayImage *image, std::string *error) {
    PngReader reader;
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (reader.png == nullptr) {
        *error = "out of memory";
        return false;
    }
    reader.info = png_create_info_struct(reader.png);
    std::vector<uint8_t> pixels;
    std::vector<png_bytep> rows;
    // libpng reports damage by longjmp; nothing with a destructor is created
    // between here and the reads below.
    if (reader.info == nullptr || setjmp(png_jmpbuf(reader.png))) {
        *error = "PNG file is damaged";
        return false;
    }
    png_init_io(reader.png, file);
    png_read_info(reader.png, reader.info);
    const png_uint_32 width = png_get_image_width(reader.png, reader.info);
    const png_uint_32 height = png_get_image_height(reader.png, reader.info);
    const int colour = png_get_color_type(reader.png, reader.info);
    const int depth = png_get_bit_depth(reader.png, reader.info);
    if (colour != PNG_COLOR_TYPE_GRAY || depth != 8) {
        *error = "not an 8-bit gray image (convert it to 8-bit grayscale first)";
        return false;
    }
    if (!CheckSize(static_cast<long>(height), static_cast<long>(width), error)) return false;
    pixels.resize(static_cast<size_t>(height) * width);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels.data() + static_cast<size_t>(y) * width;
    png_read_image(reader.png, rows.data());
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

bool ReadGrayImage(const std::string &path, GrayImage *image, std::string *error) {
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        *error = std::string("cannot open: ") + std::strerror(errno);
        return false;
    }
    uint8_t signature[8] = {};
    const size_t got = std::fread(signature, 1, sizeof signature, file.get());
    if (got == sizeof signature && png_sig_cmp(signature, 0, sizeof signature) == 0) {
        std::rewind(file.get());
        return ReadPng(file.get(), image, error);
    }
    if (got >= 2 && signature[0] == 'P' && signature[1] == '5') return ReadPgm(path, image, error);
    *error = "not a PNG or binary PGM file";
    return false;
}

bool WritePng(const std::string &path, int height, int width, int channels, const uint8_t *samples,
              std::string *error) {
    File file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        *error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    PngWriter writer;
    writer.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (writer.png == nullptr) {
        *error = "out of memory";
        return false;
    }
    writer.info = png_create_info_struct(writer.png);
    if (writer.info == nullptr || setjmp(png_jmpbuf(writer.png))) {
        *error = "cannot write " + path;
        return false;
    }
    png_init_io(writer.png, file.get());
    png_set_IHDR(writer.png, writer.info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 channels == 3 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(writer.png, writer.info);
    const size_t stride = static_cast<size_t>(width) * static_cast<size_t>(channels);
    for (int y = 0; y < height; ++y) {
        png_write_row(writer.png, const_cast<png_bytep>(samples + static_cast<size_t>(y) * stride));
    }
    png_write_end(writer.png, nullptr);
    return true;
}

}  // namespace fpkey
