// Minutiae are found where they are and point the way the minutia
// convention says, on prints whose minutiae are known exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "fingermatch/fingermatch.h"
#include "scans.h"
#include "test_names.h"

namespace {

using fingermatch::Minutia;

constexpr double kPositionTolerance = 6.0;                      // pixels
constexpr double kDirectionTolerance = std::numbers::pi / 9.0;  // 20 degrees

double AngleBetween(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 2 * std::numbers::pi);
    return std::min(d, 2 * std::numbers::pi - d);
}

struct Orientation {
    std::string name;
    double ridgeDegrees;
};

class PlantedMinutiae : public ::testing::TestWithParam<Orientation> {};

TEST_P(PlantedMinutiae, EachIsFoundInPlaceWithItsTypeAndDirectionAndNothingElse) {
    const auto print = fingermatch_test::PrintWithPlantedMinutiae(GetParam().ridgeDegrees);
    const fingermatch::ExtractResult result = fingermatch::Extract(print.image);
    ASSERT_EQ(result.status, fingermatch::ExtractStatus::kOk);
    for (const Minutia &planted : print.planted) {
        const Minutia *nearest = nullptr;
        for (const Minutia &found : result.features.minutiae) {
            if (!nearest || std::hypot(found.x - planted.x, found.y - planted.y) <
                                std::hypot(nearest->x - planted.x, nearest->y - planted.y)) {
                nearest = &found;
            }
        }
        ASSERT_NE(nearest, nullptr);
        SCOPED_TRACE("planted at " + std::to_string(planted.x) + "," + std::to_string(planted.y));
        EXPECT_LE(std::hypot(nearest->x - planted.x, nearest->y - planted.y), kPositionTolerance);
        EXPECT_EQ(nearest->type, planted.type);
        EXPECT_LE(AngleBetween(nearest->direction, planted.direction), kDirectionTolerance)
            << "found " << nearest->direction << ", planted " << planted.direction;
    }
    EXPECT_EQ(result.features.minutiae.size(), print.planted.size());
}

INSTANTIATE_TEST_SUITE_P(RidgeOrientations, PlantedMinutiae,
                         ::testing::Values(Orientation{"Horizontal", 0.0}, Orientation{"Rising30", 30.0},
                                           Orientation{"Vertical", 90.0}, Orientation{"Falling45", 135.0}),
                         fpkey_test::ByName());

}  // namespace
