// The FVC protocol's bookkeeping: which comparisons are genuine, which are
// impostor, and the error rates read from the scores.
#include <gtest/gtest.h>

#include <filesystem>

#include "fingermatch/evaluation/error_rates.h"
#include "fingermatch/evaluation/fvc_protocol.h"
#include "test_names.h"

namespace {

struct Rates {
    std::string name;
    std::vector<float> genuine;
    std::vector<float> impostor;
    double equalErrorRate;
    double falseNonMatchAtQuarter;  // at a false-match rate of at most 25 %
};

class ErrorRatesOf : public ::testing::TestWithParam<Rates> {};

TEST_P(ErrorRatesOf, AreReadFromTheScores) {
    const fingermatch::ScoreDistributions d(GetParam().genuine, GetParam().impostor);
    EXPECT_DOUBLE_EQ(d.EqualErrorRate(), GetParam().equalErrorRate);
    EXPECT_DOUBLE_EQ(d.FalseNonMatchAt(0.25), GetParam().falseNonMatchAtQuarter);
}

INSTANTIATE_TEST_SUITE_P(
    Distributions, ErrorRatesOf,
    ::testing::Values(
        Rates{"Apart", {0.5f, 0.6f, 0.7f, 0.8f}, {0.1f, 0.2f, 0.3f, 0.4f}, 0.0, 0.0},
        Rates{"Interleaved", {0.1f, 0.3f, 0.5f, 0.7f}, {0.2f, 0.4f, 0.6f, 0.8f}, 0.5, 0.75},
        Rates{"OneImpostorAmongTheGenuine", {0.5f, 0.6f, 0.7f, 0.8f}, {0.1f, 0.2f, 0.3f, 0.65f}, 0.25, 0.0}),
    fpkey_test::ByName());

TEST(ErrorRates, AScoreAtTheThresholdMatches) {
    const fingermatch::ScoreDistributions d({0.5f}, {0.5f});
    EXPECT_DOUBLE_EQ(d.At(0.5f).falseMatch, 1.0);
    EXPECT_DOUBLE_EQ(d.At(0.5f).falseNonMatch, 0.0);
}

TEST(ScanNames, NameTheSetFingerAndImpression) {
    const auto name = fingermatch::ParseScanName("fvc2002_db1b_101_7.pgm");
    ASSERT_TRUE(name);
    EXPECT_EQ(name->set, "fvc2002_db1b");
    EXPECT_EQ(name->finger, "101");
    EXPECT_EQ(name->impression, 7);
    EXPECT_TRUE(fingermatch::ParseScanName("lab_3_1.PNG"));
    for (const char *other : {"README.md", "101_1.pgm", "set_101_x.pgm", "set_101_1.tif", "set__1.pgm"}) {
        EXPECT_FALSE(fingermatch::ParseScanName(other)) << other;
    }
    EXPECT_EQ(fingermatch::KnownResolution("fvc2002_db2b"), 569);
    EXPECT_EQ(fingermatch::KnownResolution("fvc2002_db1b"), 500);
}

TEST(FvcProtocol, PairsImpressionsOfOneFingerAsGenuineAndOfTwoAsImpostor) {
    const auto folder = std::filesystem::path(::testing::TempDir()) / "fvc_protocol";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    for (const char *scan : {"fvc2002_db1b_101_1", "fvc2002_db1b_101_2", "fvc2002_db1b_102_1", "fvc2002_db1b_102_2",
                             "fvc2002_db1b_102_3"}) {
        std::filesystem::path file = scan;
        file.replace_extension(".pgm");
        std::filesystem::copy_file(std::filesystem::path(FINGERMATCH_SCANS) / file, folder / file);
    }
    std::vector<fingermatch::DataSetFigures> figures;
    std::string error;
    ASSERT_TRUE(fingermatch::EvaluateFvc({folder}, {}, &figures, &error)) << error;
    ASSERT_EQ(figures.size(), 1u);
    EXPECT_EQ(figures[0].fingers, 2);
    EXPECT_EQ(figures[0].genuineScores.size(), 1u + 3u);
    EXPECT_EQ(figures[0].impostorScores.size(), 2u * 3u);
    EXPECT_EQ(figures[0].enrolmentFailures, 0);
    EXPECT_DOUBLE_EQ(figures[0].falseMatchAtThreshold, 0.0);
    std::filesystem::remove_all(folder);
}

TEST(FvcProtocol, SaysWhyWhenNoScanIsNamedForIt) {
    std::vector<fingermatch::DataSetFigures> figures;
    std::string error;
    EXPECT_FALSE(fingermatch::EvaluateFvc({"/nonexistent-folder"}, {}, &figures, &error));
    EXPECT_NE(error.find("/nonexistent-folder"), std::string::npos);
}

}  // namespace
