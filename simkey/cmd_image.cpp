// Image download (80 F7 01 00): the host sends a gray image in blocks of
// whole lines. Block data: first line (low byte first), two zero bytes, the
// line count, three zero bytes, then the pixels.
#include <algorithm>

#include "simkey/commands.h"

namespace simkey {
namespace {

constexpr size_t kBlockHeader = 8;
constexpr size_t kMaxBlockPixels = 240;
// A sensor image is a few ten kilobytes; this bounds what one connection holds.
constexpr size_t kMaxImageBytes = 1024 * 1024;

}  // namespace

Answer imageBlock(CardContext &card, const Command &command) {
    if (!command.carriesData()) {
        return Answer::withStatus(SW_WRONG_LENGTH);
    }
    if (command.p1 != 0x01 || command.p2 != 0x00) {
        return Answer::withStatus(SW_WRONG_P1P2);
    }
    const auto &data = command.data;
    if (data.size() < kBlockHeader) {
        return Answer::withStatus(SW_INCORRECT_DATA);
    }
    const size_t pixelBytes = data.size() - kBlockHeader;
    if (pixelBytes > kMaxBlockPixels) {
        return Answer::withStatus(SW_WRONG_LENGTH);
    }
    const size_t firstLine = static_cast<size_t>(data[0] | (data[1] << 8));
    const size_t lineCount = data[4];
    const bool reservedClear = data[2] == 0 && data[3] == 0 && data[5] == 0 && data[6] == 0 && data[7] == 0;
    if (!reservedClear || lineCount == 0 || pixelBytes == 0 || pixelBytes % lineCount != 0) {
        return Answer::withStatus(SW_INCORRECT_DATA);
    }
    const size_t lineBytes = pixelBytes / lineCount;

    auto &image = card.image;
    if (firstLine == 0) {
        image = ImageDownload{};
        image.lineBytes = lineBytes;
    } else if (image.lineBytes == 0 || firstLine != image.lines || lineBytes != image.lineBytes) {
        return Answer::withStatus(SW_INCORRECT_DATA);
    }
    if (image.pixels.size() + pixelBytes > kMaxImageBytes) {
        return Answer::withStatus(SW_NOT_ENOUGH_MEMORY);
    }
    image.pixels.insert(image.pixels.end(), data.begin() + kBlockHeader, data.end());
    image.lines += lineCount;
    return Answer::success();
}

}  // namespace simkey
