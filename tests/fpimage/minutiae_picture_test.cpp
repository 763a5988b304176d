// The minutiae picture: each minutia marked at its place, its kind by shape
// and colour, a stroke in its direction; the overview sheet gives it a row.
#include <gtest/gtest.h>

#include <numbers>

#include "minutiae_picture.h"
#include "pictures.h"
#include "patterns.h"
#include "test_names.h"

namespace fpkey {
namespace {

struct MarkCase {
    const char *name;
    fingermatch::MinutiaType type;
    float direction;
    int strokeDy, strokeDx;  // a point on the stroke, from the minutia
    int markDy, markDx;      // a point on the mark's outline
};

class MinutiaMark : public ::testing::TestWithParam<MarkCase> {};

TEST_P(MinutiaMark, SitsAtItsPlaceWithAStrokeInItsDirection) {
    const MarkCase &c = GetParam();
    GrayImage image{120, 120, std::vector<uint8_t>(120 * 120, 255)};
    fingermatch::ExtractResult extraction;
    extraction.status = fingermatch::ExtractStatus::kOk;
    extraction.features.minutiae.push_back({60, 50, c.direction, c.type, 80, 0});
    const Canvas picture = MinutiaePicture(image, extraction);
    const Rgb white{255, 255, 255};
    const Rgb stroke = picture.Get(50 + c.strokeDy, 60 + c.strokeDx);
    EXPECT_NE(stroke, white);
    EXPECT_EQ(picture.Get(50 + c.markDy, 60 + c.markDx), stroke);
    EXPECT_EQ(picture.Get(50 - c.strokeDy, 60 - c.strokeDx), white) << "the stroke goes one way only";
}

INSTANTIATE_TEST_SUITE_P(Kinds, MinutiaMark,
                         ::testing::Values(
                             // Counterclockwise with rows running down: a quarter turn points up.
                             MarkCase{"EndingPointingRight", fingermatch::MinutiaType::kEnding, 0.0f, 0, 10, 0, 4},
                             MarkCase{"EndingPointingUp", fingermatch::MinutiaType::kEnding,
                                      std::numbers::pi_v<float> / 2, -10, 0, 4, 0},
                             MarkCase{"BifurcationPointingLeft", fingermatch::MinutiaType::kBifurcation,
                                      std::numbers::pi_v<float>, 0, -10, -4, -4}),
                         fpkey_test::ByName());

TEST(MinutiaeSheet, OverviewGainsARowForTheMinutiae) {
    const GrayImage image = patterns::RidgedDisc(128, 50.0, 8.0);
    Analysis analysis;
    std::string error;
    ASSERT_TRUE(Analyze(image, &analysis, &error)) << error;
    const Canvas minutiae = MinutiaePicture(image, ExtractMinutiae(image));
    const Canvas four = OverviewSheet(image, analysis, "DISC");
    const Canvas five = OverviewSheet(image, analysis, "DISC", &minutiae);
    EXPECT_EQ(five.width(), four.width());
    EXPECT_GT(five.height(), four.height() + minutiae.height());
}

}  // namespace
}  // namespace fpkey
