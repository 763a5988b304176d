// Scores: a finger matches itself however it lies on the sensor, and does
// not match another finger.
#include <gtest/gtest.h>

#include "fingermatch/fingermatch.h"
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
    const auto moved = fingermatch::Extract(fingermatch_test::TurnedAndMoved(fingermatch_test::SharedScan(p.scan), p.degrees, p.dx, p.dy));
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

TEST(Enrolment, KeepsACaptureOfTheFingerThatMostCapturesShow) {
    std::vector<fingermatch::Template> captures;
    for (const char *name : {"fvc2002_db1b_102_1", "fvc2002_db1b_103_2", "fvc2002_db1b_103_3"}) {
        const auto result = fingermatch::Extract(fingermatch_test::SharedScan(name));
        ASSERT_EQ(result.status, fingermatch::ExtractStatus::kOk) << name;
        captures.push_back(result.features);
    }
    const fingermatch::Template enrolled = fingermatch::EnrolTemplate(captures);
    EXPECT_TRUE(enrolled == captures[1] || enrolled == captures[2]);
}

}  // namespace
