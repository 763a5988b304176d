// The capture status follows from the image: every fair scan of the shared
// set passes, and images without a finger do not.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "fingermatch/fingermatch.h"
#include "scans.h"
#include "test_names.h"

namespace {

using fingermatch::ExtractStatus;
using fingermatch::GrayImage;

GrayImage Flat(int height, int width, uint8_t value) {
    return {height, width, 500, std::vector<uint8_t>(static_cast<size_t>(height) * width, value)};
}

GrayImage Noise(int height, int width) {
    GrayImage image = Flat(height, width, 0);
    std::mt19937 random(7);
    for (uint8_t &p : image.pixels) p = static_cast<uint8_t>(random() & 0xFF);
    return image;
}

GrayImage Cut(const GrayImage &image, int top, int left, int height, int width) {
    GrayImage cut = Flat(height, width, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            cut.pixels[static_cast<size_t>(y) * width + x] =
                image.pixels[static_cast<size_t>(top + y) * image.width + left + x];
        }
    }
    return cut;
}

struct Capture {
    std::string name;
    std::function<GrayImage()> image;
    ExtractStatus expected;
};

class CaptureStatus : public ::testing::TestWithParam<Capture> {};

TEST_P(CaptureStatus, FollowsFromTheImage) {
    const fingermatch::ExtractResult result = fingermatch::Extract(GetParam().image());
    EXPECT_EQ(result.status, GetParam().expected);
    if (result.status != ExtractStatus::kOk) {
        EXPECT_TRUE(result.features.minutiae.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Images, CaptureStatus,
    ::testing::Values(Capture{"BlankSensor", [] { return Flat(374, 388, 255); }, ExtractStatus::kSmallArea},
                      Capture{"BlackSensor", [] { return Flat(374, 388, 0); }, ExtractStatus::kSmallArea},
                      Capture{"Noise", [] { return Noise(374, 388); }, ExtractStatus::kPoorQuality},
                      Capture{"FingertipOnly",
                              [] { return Cut(fingermatch_test::SharedScan("fvc2002_db1b_101_1"), 140, 120, 90, 90); },
                              ExtractStatus::kSmallArea},
                      Capture{"PixelsMissing",
                              [] {
                                  GrayImage g = Flat(374, 388, 255);
                                  g.pixels.pop_back();
                                  return g;
                              },
                              ExtractStatus::kBadImage},
                      Capture{"ResolutionUnknown",
                              [] {
                                  GrayImage g = fingermatch_test::SharedScan("fvc2002_db1b_101_1");
                                  g.dpi = 0;
                                  return g;
                              },
                              ExtractStatus::kBadImage}),
    fpkey_test::ByName());

TEST(CaptureStatus, EveryFairScanOfTheSharedSetPasses) {
    int scans = 0;
    for (const auto &entry : std::filesystem::directory_iterator(FINGERMATCH_SCANS)) {
        if (entry.path().extension() != ".pgm") continue;
        ++scans;
        const auto result = fingermatch::Extract(fingermatch_test::SharedScan(entry.path().stem().string()));
        EXPECT_EQ(result.status, ExtractStatus::kOk) << entry.path().filename() << ": " << result.figures.minutiae
                                                     << " minutiae, quality " << int{result.figures.quality};
    }
    EXPECT_EQ(scans, 96);
}

}  // namespace
