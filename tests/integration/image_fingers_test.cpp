// Real scans on the simulated key, through the public C API: enrolment,
// identification, the capture status of images with no finger, the image
// download as the next capture, and a damaged template.
#include <nlohmann/json.hpp>

#include <fstream>

#include "gray_image.h"
#include "sim_key_fixture.h"
#include "test_names.h"

using namespace fpkey_test;

namespace {

fpkey::GrayImage Scan(const std::string &name) {
    fpkey::GrayImage image;
    std::string error;
    EXPECT_TRUE(fpkey::ReadGrayImage(std::string(FPKEY_SCANS) + "/" + name + ".pgm", &image, &error)) << error;
    return image;
}

class ImageFingers : public SimulatedKey {
protected:
    uint64_t PlaceAndExtract(const fpkey::GrayImage &image, uint8_t slot) {
        EXPECT_EQ(HXSimPlaceImage(device(), image.height, image.width, 500, image.pixels.data()), 0)
            << HXKeyLastError();
        if (const uint64_t captured = HXDactylCaptureImage(device())) return captured;
        return HXDactylFeatureExtract(device(), slot);
    }

    uint64_t EnrollScans(uint8_t number, const std::string &finger) {
        for (uint8_t slot = 1; slot <= 3; ++slot) {
            if (const uint64_t result = PlaceAndExtract(Scan(finger + "_" + std::to_string(slot)), slot)) return result;
        }
        HXSimLiftFinger(device());
        uint8_t description[20] = {0, 7};
        return HXDactylFeatureEnroll(device(), number, description);
    }

    uint64_t Identify(const fpkey::GrayImage &probe, uint8_t *matched) {
        if (const uint64_t extracted = PlaceAndExtract(probe, 1)) return extracted;
        uint8_t attempts = 0;
        return HXDactylFeatureIdentify(device(), 0, matched, &attempts);
    }
};

TEST_F(ImageFingers, EnrolledScansIdentifyTheSameFingerAndRefuseAnother) {
    ASSERT_EQ(Enroll(1, "alice-right-index"), 0u);
    ASSERT_EQ(EnrollScans(2, "fvc2002_db1b_101"), 0u);

    uint8_t matched = 0;
    EXPECT_EQ(Identify(Scan("fvc2002_db1b_101_4"), &matched), 0u);
    EXPECT_EQ(matched, 2);
    EXPECT_EQ(Identify(Scan("fvc2002_db1b_102_1"), &matched), 0x80006A2Fu);

    // Labels keep matching beside image templates.
    Present("alice-right-index");
    uint8_t attempts = 0;
    EXPECT_EQ(HXDactylFeatureIdentify(device(), 0, &matched, &attempts), 0u);
    EXPECT_EQ(matched, 1);
}

struct NoFingerCase {
    const char *name;
    uint8_t (*pixel)(int row, int column);
};

class ImagesWithoutAFinger : public ImageFingers, public ::testing::WithParamInterface<NoFingerCase> {};

TEST_P(ImagesWithoutAFinger, AnswerAreaTooSmallOnExtraction) {
    fpkey::GrayImage image{374, 388, std::vector<uint8_t>(374 * 388)};
    for (int row = 0; row < image.height; ++row) {
        for (int column = 0; column < image.width; ++column) {
            image.pixels[static_cast<size_t>(row * image.width + column)] = GetParam().pixel(row, column);
        }
    }
    EXPECT_EQ(PlaceAndExtract(image, 1), 0x80006A0Bu);
    uint8_t matched = 0, attempts = 0;
    EXPECT_EQ(HXDactylFeatureIdentify(device(), 0, &matched, &attempts), 0x80006A11u)
        << "a refused capture leaves no features to match";
}

INSTANTIATE_TEST_SUITE_P(Blank, ImagesWithoutAFinger,
                         ::testing::Values(NoFingerCase{"White", [](int, int) -> uint8_t { return 255; }},
                                           NoFingerCase{"Black", [](int, int) -> uint8_t { return 0; }}),
                         ByName());

TEST_F(ImageFingers, DownloadedImageIsTheNextCapture) {
    ASSERT_EQ(EnrollScans(1, "fvc2002_db1b_101"), 0u);
    // The key takes lines of 240 bytes at most: the middle of a later impression.
    const auto full = Scan("fvc2002_db1b_101_4");
    constexpr int kWidth = 240;
    const int left = (full.width - kWidth) / 2;
    std::vector<uint8_t> pixels;
    for (int row = 0; row < full.height; ++row) {
        const auto start = full.pixels.begin() + row * full.width + left;
        pixels.insert(pixels.end(), start, start + kWidth);
    }
    const ImageRecord record{static_cast<uint64_t>(full.height), kWidth, 0, pixels.data()};
    ASSERT_EQ(HXDactylDownloadImage(device(), &record), 0u);

    HXSimPlaceFinger(device(), "mallory-any");
    ASSERT_EQ(HXDactylCaptureImage(device()), 0u);
    ASSERT_EQ(HXDactylFeatureExtract(device(), 1), 0u);
    uint8_t matched = 0, attempts = 0;
    EXPECT_EQ(HXDactylFeatureIdentify(device(), 0, &matched, &attempts), 0u);
    EXPECT_EQ(matched, 1);

    // Used once: the following capture is the label on the sensor again.
    ASSERT_EQ(HXDactylCaptureImage(device()), 0u);
    ASSERT_EQ(HXDactylFeatureExtract(device(), 1), 0u);
    EXPECT_EQ(HXDactylFeatureIdentify(device(), 0, &matched, &attempts), 0x80006A2Fu);
}

TEST_F(ImageFingers, DamagedTemplateIsAnErrorNotAMatch) {
    ASSERT_EQ(EnrollScans(1, "fvc2002_db1b_101"), 0u);
    HXKeyClose(&context_);
    nlohmann::json state;
    std::ifstream(path_) >> state;
    for (auto &file : state["files"]) {
        auto data = file["data"].get<std::string>();
        if (data.rfind("464d5400", 0) == 0) {
            data[40] = data[40] == '0' ? '1' : '0';  // a minutia's coordinate, under the checksum
            file["data"] = data;
        }
    }
    std::ofstream(path_) << state.dump();
    ASSERT_EQ(HXKeyOpen(("sim:" + path_.string()).c_str(), &context_), 0) << HXKeyLastError();
    ASSERT_EQ(HXSCardAuthBio(&context_), 0u);

    uint8_t matched = 0;
    const uint64_t result = Identify(Scan("fvc2002_db1b_101_4"), &matched);
    EXPECT_NE(result, 0u);
    EXPECT_NE(result, 0x80006A2Fu) << "a template that cannot be read is not another finger";
}

}  // namespace
