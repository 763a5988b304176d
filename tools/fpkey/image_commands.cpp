// download-image: send a gray image to the key.
#include "cli.h"
#include "fpdevice/dactyl.h"
#include "gray_image.h"

namespace fpkey {

void AddImageCommands(CLI::App &app, Cli &cli) {
    static std::string path;
    auto *command = app.add_subcommand("download-image", "Send an 8-bit gray image (PNG or PGM, at most 240 wide)");
    command->add_option("file", path, "The image file")->required()->check(CLI::ExistingFile);
    command->callback(cli.Action([&cli] {
        GrayImage image;
        std::string error;
        if (!ReadGrayImage(path, &image, &error)) throw UsageFailure{path + ": " + error};
        if (image.width > 240) {
            throw UsageFailure{path + ": lines of " + std::to_string(image.width) +
                               " bytes do not fit the key's 240-byte blocks"};
        }
        cli.Authenticate();
        const ImageRecord record{static_cast<uint64_t>(image.height), static_cast<uint64_t>(image.width), 0,
                                 image.pixels.data()};
        cli.Check("image download", HXDactylDownloadImage(cli.Device(), &record));
        cli.Result()["lines"] = image.height;
        cli.Result()["line_bytes"] = image.width;
        cli.Say("sent " + std::to_string(image.height) + " lines of " + std::to_string(image.width) + " bytes");
    }));
}

}  // namespace fpkey
