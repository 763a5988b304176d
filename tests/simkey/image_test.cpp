// The image download: framing of the line blocks and the image the key keeps.
#include "sim_key_fixture.h"

namespace simkey_test {
namespace {

using simkey_test::operator<<;  // cases declared here print as their name

// 80 F7 01 00 Lc, first line (low byte first), 00 00, line count, 00 00 00, pixels.
std::vector<uint8_t> imageBlock(unsigned firstLine, unsigned lineCount, const std::vector<uint8_t> &pixels) {
    std::vector<uint8_t> command(13 + pixels.size(), 0);
    const uint8_t header[] = {0x80,
                              0xF7,
                              0x01,
                              0x00,
                              static_cast<uint8_t>(pixels.size() + 8),
                              static_cast<uint8_t>(firstLine & 0xFF),
                              static_cast<uint8_t>(firstLine >> 8),
                              0x00,
                              0x00,
                              static_cast<uint8_t>(lineCount)};
    std::copy(std::begin(header), std::end(header), command.begin());
    std::copy(pixels.begin(), pixels.end(), command.begin() + 13);
    return command;
}

std::vector<uint8_t> testImage(size_t lines, size_t lineBytes) {
    std::vector<uint8_t> pixels(lines * lineBytes);
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<uint8_t>((i * 7 + i / 13) & 0xFF);
    }
    return pixels;
}

class ImageDownload : public SimKeyTest {
protected:
    // Sends the image the way the host does: as many whole lines per block as fit in 240 bytes.
    void download(const std::vector<uint8_t> &pixels, size_t lineBytes) {
        const size_t lines = pixels.size() / lineBytes;
        const size_t perBlock = 240 / lineBytes;
        for (size_t first = 0; first < lines; first += perBlock) {
            const size_t count = std::min(perBlock, lines - first);
            const auto begin = pixels.begin() + static_cast<std::ptrdiff_t>(first * lineBytes);
            const std::vector<uint8_t> part(begin, begin + static_cast<std::ptrdiff_t>(count * lineBytes));
            ASSERT_EQ(send(imageBlock(static_cast<unsigned>(first), static_cast<unsigned>(count), part)).status,
                      0x9000u)
                << "block at line " << first;
        }
    }

    std::vector<uint8_t> lastImage(uint64_t &lines, uint64_t &lineBytes) {
        std::vector<uint8_t> pixels(1 << 20);
        EXPECT_EQ(HXSimLastImage(&context_, &lines, &lineBytes, pixels.data(), pixels.size()), 0) << HXKeyLastError();
        pixels.resize(lines * lineBytes);
        return pixels;
    }
};

struct ImageShape {
    const char *name;
    size_t lines;
    size_t lineBytes;
};

class WholeImage : public ImageDownload, public ::testing::WithParamInterface<ImageShape> {};

TEST_P(WholeImage, ArrivesLineForLine) {
    const auto pixels = testImage(GetParam().lines, GetParam().lineBytes);
    download(pixels, GetParam().lineBytes);
    uint64_t lines = 0;
    uint64_t lineBytes = 0;
    EXPECT_EQ(lastImage(lines, lineBytes), pixels);
    EXPECT_EQ(lines, GetParam().lines);
    EXPECT_EQ(lineBytes, GetParam().lineBytes);
}

INSTANTIATE_TEST_SUITE_P(ImageDownload, WholeImage,
                         ::testing::Values(ImageShape{"HundredLinesOfTwenty", 100, 20},
                                           ImageShape{"ManyLinesOfOneByte", 360, 1},
                                           ImageShape{"ExactlyOneBlock", 24, 10},
                                           ImageShape{"FullWidthLines", 30, 240}),
                         CaseName());

struct FramingCase {
    const char *name;
    std::vector<uint8_t> apdu;
    uint32_t status;
};

class BadBlock : public ImageDownload, public ::testing::WithParamInterface<FramingCase> {};

TEST_P(BadBlock, IsRefusedAndLeavesTheImageAsItWas) {
    const auto pixels = testImage(24, 10);
    download(pixels, 10);
    EXPECT_EQ(send(GetParam().apdu).status, GetParam().status);
    uint64_t lines = 0;
    uint64_t lineBytes = 0;
    EXPECT_EQ(lastImage(lines, lineBytes), pixels);
}

std::vector<uint8_t> withByte(std::vector<uint8_t> apdu, size_t index, uint8_t value) {
    apdu[index] = value;
    return apdu;
}

INSTANTIATE_TEST_SUITE_P(
    ImageDownload, BadBlock,
    ::testing::Values(FramingCase{"PixelsNotWholeLines", imageBlock(24, 3, std::vector<uint8_t>(31)), 0x6A80},
                      FramingCase{"ZeroLines", imageBlock(24, 0, std::vector<uint8_t>(10)), 0x6A80},
                      FramingCase{"NoPixels", imageBlock(24, 1, {}), 0x6A80},
                      FramingCase{"MoreThan240Pixels", imageBlock(24, 1, std::vector<uint8_t>(241)), 0x6700},
                      FramingCase{"SkipsALine", imageBlock(25, 1, std::vector<uint8_t>(10)), 0x6A80},
                      FramingCase{"RepeatsALine", imageBlock(23, 1, std::vector<uint8_t>(10)), 0x6A80},
                      FramingCase{"OtherLineLength", imageBlock(24, 1, std::vector<uint8_t>(12)), 0x6A80},
                      FramingCase{"ReservedByteSet", withByte(imageBlock(24, 1, std::vector<uint8_t>(10)), 8, 1),
                                  0x6A80},
                      FramingCase{"ShorterThanTheHeader", hexBytes("80 F7 01 00 04 18 00 00 00"), 0x6A80},
                      FramingCase{"P2NotZero", withByte(imageBlock(24, 1, std::vector<uint8_t>(10)), 3, 1), 0x6B00}),
    CaseName());

TEST_F(ImageDownload, FirstBlockMustStartAtLineZero) {
    EXPECT_EQ(send(imageBlock(12, 1, std::vector<uint8_t>(10))).status, 0x6A80u);
}

TEST_F(ImageDownload, LineZeroStartsANewImage) {
    download(testImage(24, 10), 10);
    const auto second = testImage(5, 40);
    download(second, 40);
    uint64_t lines = 0;
    uint64_t lineBytes = 0;
    EXPECT_EQ(lastImage(lines, lineBytes), second);
    EXPECT_EQ(lines, 5u);
}

TEST_F(ImageDownload, TooSmallPixelBufferIsRefused) {
    download(testImage(24, 10), 10);
    uint64_t lines = 0;
    uint64_t lineBytes = 0;
    std::vector<uint8_t> small(100);
    EXPECT_EQ(HXSimLastImage(&context_, &lines, &lineBytes, small.data(), small.size()), -2);
    EXPECT_EQ(HXSimLastImage(&context_, &lines, &lineBytes, nullptr, 0), 0);
    EXPECT_EQ(lines * lineBytes, 240u);
}

TEST_F(ImageDownload, ImageBelongsToItsConnection) {
    download(testImage(24, 10), 10);
    DeviceContext other = openAnother();
    uint64_t lines = 1;
    uint64_t lineBytes = 1;
    EXPECT_EQ(HXSimLastImage(&other, &lines, &lineBytes, nullptr, 0), 0);
    EXPECT_EQ(lines, 0u);
    EXPECT_EQ(lineBytes, 0u);
    HXKeyClose(&other);
}

}  // namespace
}  // namespace simkey_test
