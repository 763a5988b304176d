// Copying and filling gray images in caller buffers.
#include "fpdevice/imaging_primitives.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

constexpr uint8_t kGuard = 0xA5;

enum class Operation { Copy, Flood, Clear };

struct AreaCase {
    const char *name;
    Operation operation;
    uint16_t height;
    uint16_t width;
};

class ImageCopyFill : public ::testing::TestWithParam<AreaCase> {};

TEST_P(ImageCopyFill, WritesExactlyHeightTimesWidthSamples) {
    const AreaCase &c = GetParam();
    const size_t area = static_cast<size_t>(c.height) * c.width;
    std::vector<uint8_t> source(area + 8);
    for (size_t i = 0; i < source.size(); ++i) {
        source[i] = static_cast<uint8_t>(i * 7 + 1);
    }
    std::vector<uint8_t> image(area + 8, kGuard);
    std::vector<uint8_t> expected = image;
    int32_t result = 0;
    switch (c.operation) {
        case Operation::Copy:
            result = ImageCopy(image.data(), source.data(), c.height, c.width);
            std::copy(source.begin(), source.begin() + static_cast<long>(area), expected.begin());
            break;
        case Operation::Flood:
            result = ImageFlood(image.data(), 0x5A, c.height, c.width);
            std::fill(expected.begin(), expected.begin() + static_cast<long>(area), 0x5A);
            break;
        case Operation::Clear:
            result = ImageClear(image.data(), c.height, c.width);
            std::fill(expected.begin(), expected.begin() + static_cast<long>(area), 0);
            break;
    }
    EXPECT_EQ(result, 0);
    EXPECT_EQ(image, expected);
}

INSTANTIATE_TEST_SUITE_P(Areas, ImageCopyFill,
                         ::testing::Values(AreaCase{"copy_zero_height", Operation::Copy, 0, 9},
                                           AreaCase{"copy_zero_width", Operation::Copy, 9, 0},
                                           AreaCase{"copy_3x4", Operation::Copy, 3, 4},
                                           AreaCase{"copy_rows_above_int16", Operation::Copy, 40000, 2},
                                           AreaCase{"flood_2x3", Operation::Flood, 2, 3},
                                           AreaCase{"flood_zero_height", Operation::Flood, 0, 5},
                                           AreaCase{"clear_7x5", Operation::Clear, 7, 5}),
                         [](const auto &test) { return std::string(test.param.name); });

TEST(ImageCopy, OverlappingBuffersKeepTheForwardByteCopy) {
    // Not a supported use, but callers have always got this result from it.
    std::vector<uint8_t> buffer = {1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(ImageCopy(buffer.data() + 2, buffer.data(), 1, 5), 0);
    EXPECT_EQ(buffer, (std::vector<uint8_t>{1, 2, 1, 2, 1, 2, 1}));
    buffer = {1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(ImageCopy(buffer.data(), buffer.data() + 2, 1, 5), 0);
    EXPECT_EQ(buffer, (std::vector<uint8_t>{3, 4, 5, 6, 7, 6, 7}));
}

TEST(ImageCopyFill, NullBufferReturnsOneAndTouchesNothing) {
    std::vector<uint8_t> buffer(4, kGuard);
    EXPECT_EQ(ImageCopy(nullptr, buffer.data(), 2, 2), 1);
    EXPECT_EQ(ImageCopy(buffer.data(), nullptr, 2, 2), 1);
    EXPECT_EQ(ImageFlood(nullptr, 3, 2, 2), 1);
    EXPECT_EQ(ImageClear(nullptr, 2, 2), 1);
    EXPECT_EQ(buffer, std::vector<uint8_t>(4, kGuard));
}

}  // namespace
