// download-image: send a gray image to the key.
#include <cstdlib>

#include "cli.h"
#include "fpdevice/imaging_primitives.h"
#include "fpdevice/dactyl.h"
#include "gray_image.h"

namespace fpkey {
namespace {

constexpr int kMaxLineBytes = 240;

// Halves the image with the image library's smoothing reduction until its
// lines fit a block; returns the resolution that is left.
int HalveToFit(GrayImage *image, int dpi) {
    while (image->width > kMaxLineBytes) {
        const int height = image->height / 2, width = image->width / 2;
        if (height == 0) throw UsageFailure{"the image is too flat to halve"};
        uint8_t *halved =
            ImageReduce(image->pixels.data(), static_cast<uint16_t>(image->height), static_cast<uint16_t>(image->width),
                        static_cast<uint16_t>(height), static_cast<uint16_t>(width));
        if (!halved) throw UsageFailure{"the image could not be halved"};
        image->pixels.assign(halved, halved + static_cast<size_t>(height) * static_cast<size_t>(width));
        std::free(halved);
        image->height = height, image->width = width;
        dpi /= 2;
    }
    return dpi;
}

}  // namespace

void AddImageCommands(CLI::App &app, Cli &cli) {
    static std::string path;
    static bool reduce = false;
    static int dpi = 500;
    auto *command = app.add_subcommand("download-image", "Send an 8-bit gray image (PNG or PGM, at most 240 wide)");
    command->add_option("file", path, "The image file")->required()->check(CLI::ExistingFile);
    command->add_flag("--reduce", reduce, "Halve a wider image (and its resolution) until its lines fit");
    command->add_option("--dpi", dpi, "The image's resolution")->check(CLI::Range(1, 10000))->capture_default_str();
    command->callback(cli.Action([&cli] {
        GrayImage image;
        std::string error;
        if (!ReadGrayImage(path, &image, &error)) throw UsageFailure{path + ": " + error};
        if (reduce) dpi = HalveToFit(&image, dpi);
        if (image.width > kMaxLineBytes) {
            throw UsageFailure{path + ": lines of " + std::to_string(image.width) +
                               " bytes do not fit the key's 240-byte blocks (--reduce halves the image)"};
        }
        cli.Authenticate();
        const ImageRecord record{static_cast<uint64_t>(image.height), static_cast<uint64_t>(image.width), 0,
                                 image.pixels.data()};
        cli.Check("image download", HXDactylDownloadImage(cli.Device(), &record));
        cli.Result()["lines"] = image.height;
        cli.Result()["line_bytes"] = image.width;
        cli.Result()["dpi"] = dpi;
        cli.Say("sent " + std::to_string(image.height) + " lines of " + std::to_string(image.width) + " bytes (" +
                std::to_string(dpi) + " dpi)");
    }));
}

}  // namespace fpkey
