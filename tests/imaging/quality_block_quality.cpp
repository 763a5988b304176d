// Block quality maps from four-direction gradients.
#include "failing_malloc.h"

#include "on_every_simd_path.h"
#include "test_names.h"

#include "fpdevice/imaging_quality.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> stripes(int height, int width, bool vertical) {
    std::vector<uint8_t> image(static_cast<size_t>(height) * width);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int across = vertical ? x : y;
            image[static_cast<size_t>(y) * width + x] = across % 4 < 2 ? 200 : 0;
        }
    }
    return image;
}

// A record that releases its map.
struct Record {
    BlkQualityMap map{0xEE, 0xEE, 0xEEEE, 0xEEEE, nullptr};
    ~Record() { free(map.map); }

    std::vector<uint8_t> values() const {
        return map.map == nullptr ? std::vector<uint8_t>()
                                  : std::vector<uint8_t>(map.map, map.map + map.rows * map.cols);
    }
};

struct GradientSet {
    uint16_t **set;
    ~GradientSet() {
        for (int d = 0; d < 4 && set != nullptr; ++d) {
            free(set[d]);
        }
        free(set);
    }
};

struct MapCase {
    const char *name;
    int height;
    int width;
    std::vector<uint8_t> image;
    uint16_t rows;
    uint16_t cols;
    std::vector<uint8_t> expected;
};

class BlockQualityMaps : public ::testing::TestWithParam<MapCase> {};

TEST_P(BlockQualityMaps, RatesEveryCompleteBlock) {
    const MapCase &c = GetParam();
    Record record;
    ASSERT_EQ(ImageBlkQuality(&record.map, c.image.data(), static_cast<int16_t>(c.height),
                              static_cast<int16_t>(c.width), nullptr),
              0);
    EXPECT_EQ(record.map.blockHeight, 16);
    EXPECT_EQ(record.map.blockWidth, 16);
    EXPECT_EQ(record.map.rows, c.rows);
    EXPECT_EQ(record.map.cols, c.cols);
    EXPECT_EQ(record.values(), c.expected);

    // The same map from grids the caller computed.
    GradientSet grads{
        FpGetImg4DirectionGradsEx(c.image.data(), static_cast<int16_t>(c.height), static_cast<int16_t>(c.width), 4)};
    ASSERT_NE(grads.set, nullptr);
    Record fromGrids;
    ASSERT_EQ(ImageBlkQualityEx(&fromGrids.map, c.image.data(), static_cast<int16_t>(c.height),
                                static_cast<int16_t>(c.width), nullptr, grads.set),
              0);
    EXPECT_EQ(fromGrids.values(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, BlockQualityMaps,
    ::testing::Values(
        MapCase{"constant_256x256_is_all_zero", 256, 256, std::vector<uint8_t>(256 * 256, 128), 16, 16,
                std::vector<uint8_t>(256, 0)},
        // Cells of the outer grid ring have no gradients and vote for
        // direction 0; the rest vote 2 with strength 255. Corner blocks
        // score 143 * 9/16 = 80, edge blocks 191 * 12/16 = 143, inner 255,
        // then the 3 x 3 mean darkens the border of the map.
        MapCase{"vertical_stripes_64x64",
                64,
                64,
                stripes(64, 64, true),
                4,
                4,
                {69, 113, 113, 69, 113, 185, 185, 113, 113, 185, 185, 113, 69, 113, 113, 69}},
        // Here the ring agrees with the stripes (direction 0): every block has
        // dominance 1 and scores its mean strength (143, 191, 255).
        MapCase{"horizontal_stripes_64x64",
                64,
                64,
                stripes(64, 64, false),
                4,
                4,
                {86, 136, 136, 86, 136, 214, 214, 136, 136, 214, 214, 136, 86, 136, 136, 86}},
        // Mended: 72 x 88 has 4 x 5 complete blocks in a 5 x 6 map; each
        // score sits at its own row and column, the partial ones stay 0. The
        // last ring of the grid falls in the partial blocks, so only the top
        // and left complete blocks lose votes.
        MapCase{"partial_blocks_stay_zero_72x88", 72, 88, stripes(72, 88, true), 5, 6, {69,  113, 132, 132, 88,  0,
                                                                                        113, 185, 217, 217, 145, 0,
                                                                                        132, 217, 255, 255, 170, 0,
                                                                                        88,  145, 170, 170, 113, 0,
                                                                                        0,   0,   0,   0,   0,   0}}),
    fpkey_test::ByName());

// Mended: 1024 x 1024 pixels make 65,536 cells, one more than a 16-bit
// counter reaches.
TEST(BlockQuality, ImagesOf65536CellsAndMoreAreRatedCompletely) {
    const std::vector<uint8_t> image = stripes(1024, 1040, true);
    Record record;
    ASSERT_EQ(ImageBlkQuality(&record.map, image.data(), 1024, 1040, nullptr), 0);
    ASSERT_EQ(record.map.rows, 64);
    ASSERT_EQ(record.map.cols, 65);
    const std::vector<uint8_t> map = record.values();
    EXPECT_EQ(map[0], 69);
    EXPECT_EQ(map[1 * 65 + 1], 185);
    EXPECT_EQ(map[63 * 65 + 64], 69);
    for (int r = 2; r < 62; ++r) {
        for (int c = 2; c < 63; ++c) {
            ASSERT_EQ(map[static_cast<size_t>(r) * 65 + c], 255) << r << ", " << c;
        }
    }
}

// Grids made by hand for a 50 x 60 image: 12 x 15 cells, 3 x 3 complete
// blocks in a 4 x 4 map. Every cell of block (r, c) has strength
// 10 * (3r + c + 1) and votes direction 0, so the block scores exactly that;
// the map holds the 3 x 3 mean of the scores at each block's own place.
TEST(BlockQualityEx, PlacesEachBlockAtItsOwnRowAndColumn) {
    const int cellRows = 12;
    const int cellCols = 15;
    std::vector<std::vector<uint16_t>> grids(4, std::vector<uint16_t>(cellRows * cellCols, 0));
    for (int i = 0; i < cellRows; ++i) {
        for (int j = 0; j < cellCols && j < 12; ++j) {
            const auto strength = static_cast<uint16_t>(10 * (3 * (i / 4) + j / 4 + 1));
            grids[0][i * cellCols + j] = strength;
            for (int d = 1; d < 4; ++d) {
                grids[d][i * cellCols + j] = static_cast<uint16_t>(strength + 1);
            }
        }
    }
    uint16_t *const pointers[4] = {grids[0].data(), grids[1].data(), grids[2].data(), grids[3].data()};
    const std::vector<uint8_t> image(50 * 60, 0);
    Record record;
    ASSERT_EQ(ImageBlkQualityEx(&record.map, image.data(), 50, 60, nullptr, pointers), 0);
    ASSERT_EQ(record.map.rows, 4);
    ASSERT_EQ(record.map.cols, 4);
    EXPECT_EQ(record.values(), (std::vector<uint8_t>{13, 23, 17, 0, 30, 50, 36, 0, 26, 43, 31, 0, 0, 0, 0, 0}));
}

TEST(BlockQualityEx, GridValuesAbove32767ReadAsNegativeGiveStrengthZero) {
    std::vector<uint16_t> grid(16 * 16, 40000);
    uint16_t *const pointers[4] = {grid.data(), grid.data(), grid.data(), grid.data()};
    const std::vector<uint8_t> image(64 * 64, 0);
    Record record;
    ASSERT_EQ(ImageBlkQualityEx(&record.map, image.data(), 64, 64, nullptr, pointers), 0);
    EXPECT_EQ(record.values(), std::vector<uint8_t>(16, 0));
}

// Caller's grids of any 16-bit values (negative ones too), with cell counts
// that leave every tail after the lanes' eight cells at a time: every
// instruction set gives the map of the plain loop.
TEST(BlockQualityEx, EveryInstructionSetGivesTheSameMap) {
    std::mt19937 rng(5);
    for (const auto &[height, width] : {std::pair{64, 64}, std::pair{68, 76}, std::pair{100, 84}, std::pair{50, 116}}) {
        const size_t cells = static_cast<size_t>(height / 4) * (width / 4);
        std::vector<std::vector<uint16_t>> grids(4, std::vector<uint16_t>(cells));
        for (auto &grid : grids) {
            for (auto &v : grid) {
                v = static_cast<uint16_t>(rng() % 3 == 0 ? rng() : rng() % 1100);
            }
        }
        uint16_t *const pointers[4] = {grids[0].data(), grids[1].data(), grids[2].data(), grids[3].data()};
        const std::vector<uint8_t> image(static_cast<size_t>(height) * width, 0);
        const auto maps = fpkey_test::OnEverySimdPath([&] {
            Record record;
            const int32_t status = ImageBlkQualityEx(&record.map, image.data(), static_cast<int16_t>(height),
                                                     static_cast<int16_t>(width), nullptr, pointers);
            return status == 0 ? record.values() : std::vector<uint8_t>{};
        });
        ASSERT_FALSE(maps[0].second.empty());
        for (const auto &[path, map] : maps) {
            EXPECT_EQ(map, maps[0].second) << path << ", " << height << " x " << width;
        }
    }
}

TEST(BlockQualityEx, MissingGridsAreRefusedBeforeTheRecordIsTouched) {
    std::vector<uint16_t> grid(16 * 16, 0);
    const std::vector<uint8_t> image(64 * 64, 0);
    for (int missing = 0; missing < 4; ++missing) {
        uint16_t *pointers[4] = {grid.data(), grid.data(), grid.data(), grid.data()};
        pointers[missing] = nullptr;
        Record record;
        EXPECT_EQ(ImageBlkQualityEx(&record.map, image.data(), 64, 64, nullptr, pointers), 2);
        EXPECT_EQ(record.map.rows, 0xEEEE);
        EXPECT_EQ(record.map.map, nullptr);
    }
    Record record;
    EXPECT_EQ(ImageBlkQualityEx(&record.map, image.data(), 64, 64, nullptr, nullptr), 2);
    EXPECT_EQ(record.map.rows, 0xEEEE);
}

struct BadCase {
    const char *name;
    bool nullRecord;
    bool nullImage;
    int16_t height;
    int16_t width;
};

class BlockQualityBadArguments : public ::testing::TestWithParam<BadCase> {};

TEST_P(BlockQualityBadArguments, ReturnTwoWithTheRecordUntouched) {
    const BadCase &c = GetParam();
    const std::vector<uint8_t> image(64 * 64, 0);
    Record record;
    BlkQualityMap *target = c.nullRecord ? nullptr : &record.map;
    const uint8_t *pixels = c.nullImage ? nullptr : image.data();
    EXPECT_EQ(ImageBlkQuality(target, pixels, c.height, c.width, nullptr), 2);
    EXPECT_EQ(record.map.rows, 0xEEEE);
    EXPECT_EQ(record.map.map, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Arguments, BlockQualityBadArguments,
                         ::testing::Values(BadCase{"null_record", true, false, 64, 64},
                                           BadCase{"null_image", false, true, 64, 64},
                                           BadCase{"zero_height", false, false, 0, 64},
                                           BadCase{"negative_width", false, false, 64, -64}),
                         fpkey_test::ByName());

TEST(BlockQuality, ImageWithoutACompleteBlockGivesTwoAndAZeroMap) {
    const std::vector<uint8_t> image = stripes(15, 40, true);
    Record record;
    EXPECT_EQ(ImageBlkQuality(&record.map, image.data(), 15, 40, nullptr), 2);
    EXPECT_EQ(record.map.rows, 1);
    EXPECT_EQ(record.map.cols, 3);
    EXPECT_EQ(record.values(), std::vector<uint8_t>(3, 0));
}

// Mended: a gradient set that cannot be allocated used to be reported as
// success with an all-zero map.
TEST(BlockQuality, FailedAllocationsReportOneAndKeepOnlyTheZeroMap) {
    if (!failing_malloc::available()) {
        GTEST_SKIP() << "allocation failures cannot be injected under the sanitizers";
    }
    const std::vector<uint8_t> image = stripes(64, 64, true);
    Record record;
    failing_malloc::sweep([&] { return ImageBlkQuality(&record.map, image.data(), 64, 64, nullptr); },
                          [&](int32_t result, const failing_malloc::Outcome &outcome) {
                              EXPECT_EQ(outcome.outstanding, record.map.map != nullptr ? 1 : 0);
                              if (outcome.failed) {
                                  EXPECT_EQ(result, 1);
                                  EXPECT_EQ(record.values(), std::vector<uint8_t>(record.map.map ? 16 : 0, 0));
                              } else {
                                  EXPECT_EQ(result, 0);
                                  EXPECT_EQ(record.values()[5], 185);
                              }
                              free(record.map.map);
                              record.map.map = nullptr;
                          });
}

}  // namespace
