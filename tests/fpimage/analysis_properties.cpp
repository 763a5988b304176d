// The analysis on synthetic patterns whose answers are known.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "analysis.h"
#include "patterns.h"

namespace fpkey {
namespace {

using patterns::BandedStripes;
using patterns::Generate;
using patterns::Ridge;
using patterns::RidgedDisc;
using patterns::Stripes;

Analysis Analyzed(const GrayImage &image) {
    Analysis analysis;
    std::string error;
    EXPECT_TRUE(Analyze(image, &analysis, &error)) << error;
    return analysis;
}

struct SpacingCase {
    double period;
    double degrees;
};

class StripeSpacing : public ::testing::TestWithParam<SpacingCase> {};

TEST_P(StripeSpacing, MedianSpacingIsNearThePeriod) {
    const Analysis a = Analyzed(Stripes(128, GetParam().period, GetParam().degrees));
    ASSERT_TRUE(a.medianSpacing.has_value());
    EXPECT_NEAR(*a.medianSpacing, GetParam().period, 1.0);
}

INSTANTIATE_TEST_SUITE_P(Periods, StripeSpacing,
                         ::testing::Values(SpacingCase{7.0, 0.0}, SpacingCase{9.0, 45.0}, SpacingCase{9.0, 90.0},
                                           SpacingCase{12.0, -30.0}, SpacingCase{10.0, 120.0}));

// The difference of two orientations modulo 180 degrees.
int AngleApart(int a, int b) {
    const int d = std::abs(a - b) % 180;
    return std::min(d, 180 - d);
}

class StripeOrientation : public ::testing::TestWithParam<double> {};

TEST_P(StripeOrientation, InteriorBlocksFollowTheRidges) {
    const Analysis a = Analyzed(Stripes(128, 9.0, GetParam()));
    int checked = 0;
    for (int r = 2; r + 2 < a.orientation.rows; ++r) {
        for (int c = 2; c + 2 < a.orientation.cols; ++c) {
            EXPECT_LE(AngleApart(a.orientation.at(r, c), static_cast<int>(GetParam())), 6) << "block " << r << "," << c;
            ++checked;
        }
    }
    EXPECT_GT(checked, 100);
}

INSTANTIATE_TEST_SUITE_P(Angles, StripeOrientation, ::testing::Values(0.0, 30.0, 90.0, -60.0));

struct DiscCase {
    int side;
    double radius;
};

class FingerArea : public ::testing::TestWithParam<DiscCase> {};

TEST_P(FingerArea, ForegroundShareIsNearTheDiscs) {
    const auto [side, radius] = GetParam();
    const Analysis a = Analyzed(RidgedDisc(side, radius, 9.0));
    const double disc = M_PI * radius * radius / (static_cast<double>(side) * side);
    EXPECT_NEAR(a.foregroundShare, disc, 0.05);
    // The centre is finger, the corners are not.
    EXPECT_EQ(a.mask[static_cast<size_t>(side / 2) * side + side / 2], 255);
    EXPECT_EQ(a.mask[0], 0);
    EXPECT_EQ(a.mask.back(), 0);
    ASSERT_TRUE(a.complexity.has_value());
    EXPECT_GT(*a.complexity, 0.0);
}

INSTANTIATE_TEST_SUITE_P(Discs, FingerArea,
                         ::testing::Values(DiscCase{128, 40.0}, DiscCase{160, 60.0}, DiscCase{200, 70.0}));

struct BandCase {
    int bandHeight;
    bool broken;
};

class BlankBand : public ::testing::TestWithParam<BandCase> {};

TEST_P(BlankBand, WideBandAcrossThePrintIsBroken) {
    const Analysis a = Analyzed(BandedStripes(192, 9.0, 80, GetParam().bandHeight));
    ASSERT_TRUE(a.broken.has_value());
    EXPECT_EQ(*a.broken, GetParam().broken);
}

INSTANTIATE_TEST_SUITE_P(Bands, BlankBand,
                         ::testing::Values(BandCase{0, false}, BandCase{40, true}, BandCase{56, true}));

TEST(ConstantImage, HasZeroQualityNoFingerAndNoSpacing) {
    const Analysis a = Analyzed(Generate(96, 80, [](int, int) { return 117.0; }));
    EXPECT_TRUE(std::all_of(a.quality.values.begin(), a.quality.values.end(), [](uint8_t v) { return v == 0; }));
    EXPECT_EQ(a.meanQuality, 0.0);
    EXPECT_EQ(a.lowestQuality, 0);
    EXPECT_EQ(a.foregroundShare, 0.0);
    EXPECT_FALSE(a.complexity.has_value());
    EXPECT_FALSE(a.medianSpacing.has_value());
}

TEST(MapLayout, CoversTheImageForOddSizes) {
    const Analysis a = Analyzed(Generate(75, 101, [](int y, int x) { return Ridge(y, x, 9.0, 20.0); }));
    EXPECT_EQ(a.mask.size(), 75u * 101u);
    EXPECT_EQ(a.spacing.rows, 75 / 4);
    EXPECT_EQ(a.spacing.cols, 101 / 4);
    EXPECT_EQ(a.quality.rows, (75 - 1) / 16 + 1);
    EXPECT_EQ(a.quality.cols, (101 - 1) / 16 + 1);
    EXPECT_EQ(a.orientation.rows, 75 / 2 / 4);
    EXPECT_EQ(a.orientation.cols, 101 / 2 / 4);
    // The odd last row and column repeat their neighbours.
    for (int x = 0; x < 101; ++x) EXPECT_EQ(a.mask[74u * 101 + x], a.mask[73u * 101 + x]);
    for (int y = 0; y < 75; ++y) EXPECT_EQ(a.mask[y * 101u + 100], a.mask[y * 101u + 99]);
}

struct SizeCase {
    int height;
    int width;
};

class RejectedSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(RejectedSize, IsAnErrorThatNamesTheLimit) {
    const GrayImage image = Generate(GetParam().height, GetParam().width, [](int, int) { return 9.0; });
    Analysis analysis;
    analysis.height = -7;
    std::string error;
    EXPECT_FALSE(Analyze(image, &analysis, &error));
    EXPECT_NE(error.find("at least 32"), std::string::npos) << error;
    EXPECT_EQ(analysis.height, -7);  // untouched
}

INSTANTIATE_TEST_SUITE_P(TooSmall, RejectedSize,
                         ::testing::Values(SizeCase{1, 1}, SizeCase{31, 200}, SizeCase{200, 31}, SizeCase{0, 0}));

}  // namespace
}  // namespace fpkey
