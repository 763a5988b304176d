// Scores: a finger matches itself however it lies on the sensor, and does
// not match another finger.
#include <gtest/gtest.h>

#include "fingermatch/fingermatch.h"
#include "fingermatch/template_format.h"
#include "scans.h"
#include "test_names.h"

namespace {

struct Placement {
    std::string name;
    std::string scan;
    double degrees;
    int dx;
    int dy;
};

class TurnedAndMovedScan : public ::testing::TestWithParam<Placement> {};

TEST_P(TurnedAndMovedScan, MatchesItsOriginalAndNotAnotherFinger) {
    const auto &p = GetParam();
    const auto original = fingermatch::Extract(fingermatch_test::SharedScan(p.scan));
    const auto moved = fingermatch::Extract(
        fingermatch_test::TurnedAndMoved(fingermatch_test::SharedScan(p.scan), p.degrees, p.dx, p.dy));
    const auto other = fingermatch::Extract(fingermatch_test::SharedScan("fvc2002_db1b_104_2"));
    ASSERT_EQ(original.status, fingermatch::ExtractStatus::kOk);
    ASSERT_EQ(moved.status, fingermatch::ExtractStatus::kOk);
    ASSERT_EQ(other.status, fingermatch::ExtractStatus::kOk);
    const float same = fingermatch::Compare(moved.features, original.features);
    const float different = fingermatch::Compare(moved.features, other.features);
    EXPECT_TRUE(fingermatch::Matches(same)) << same;
    EXPECT_GE(same, 3 * fingermatch::kMatchThreshold);
    EXPECT_FALSE(fingermatch::Matches(different)) << different;
}

INSTANTIATE_TEST_SUITE_P(Placements, TurnedAndMovedScan,
                         ::testing::Values(Placement{"MovedOnly", "fvc2002_db1b_101_1", 0.0, 25, -30},
                                           Placement{"TurnedLeft", "fvc2002_db1b_101_1", 30.0, -10, 15},
                                           Placement{"TurnedRight", "fvc2002_db2b_102_1", -45.0, 20, 0},
                                           Placement{"UpsideDown", "fvc2002_db3b_102_1", 180.0, 0, 0}),
                         fpkey_test::ByName());

struct Scanner {
    std::string name;
    double factor;  // of the resolution to 500 dpi
};

class OtherResolution : public ::testing::TestWithParam<Scanner> {};

TEST_P(OtherResolution, IsBroughtTo500DpiAndMatchesTheSameFinger) {
    const auto original = fingermatch::Extract(fingermatch_test::SharedScan("fvc2002_db1b_103_1"));
    const auto scanned = fingermatch::Extract(
        fingermatch_test::Enlarged(fingermatch_test::SharedScan("fvc2002_db1b_103_1"), GetParam().factor));
    ASSERT_EQ(scanned.status, fingermatch::ExtractStatus::kOk);
    EXPECT_NEAR(scanned.features.width, original.features.width, 1);
    EXPECT_GE(fingermatch::Compare(scanned.features, original.features), 3 * fingermatch::kMatchThreshold);
}

INSTANTIATE_TEST_SUITE_P(Scanners, OtherResolution,
                         ::testing::Values(Scanner{"Dpi569", 569.0 / 500.0}, Scanner{"Dpi1000", 2.0}),
                         fpkey_test::ByName());

fingermatch::Template Features(const std::string &scan) {
    const auto result = fingermatch::Extract(fingermatch_test::SharedScan(scan));
    EXPECT_EQ(result.status, fingermatch::ExtractStatus::kOk) << scan;
    return result.features;
}

TEST(Enrolment, KeepsTheCapturesOfTheFingerAndLeavesAnotherFingerOut) {
    const std::vector<fingermatch::Template> captures = {Features("fvc2002_db1b_101_1"), Features("fvc2002_db1b_104_1"),
                                                         Features("fvc2002_db1b_101_2")};
    const fingermatch::Template enrolled = fingermatch::EnrolTemplate(captures);
    const auto stored = fingermatch::Parse(fingermatch::Serialize(enrolled));
    ASSERT_TRUE(stored);
    EXPECT_TRUE(fingermatch::Matches(fingermatch::Compare(Features("fvc2002_db1b_101_5"), *stored)));
    EXPECT_FALSE(fingermatch::Matches(fingermatch::Compare(Features("fvc2002_db1b_104_2"), *stored)));
    EXPECT_FALSE(fingermatch::Matches(fingermatch::Compare(captures[1], *stored)));
}

}  // namespace
