#ifndef FPKEY_TESTS_SIM_KEY_FIXTURE_H
#define FPKEY_TESTS_SIM_KEY_FIXTURE_H

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "fpdevice.h"
#include "hxkmgr.h"

namespace fpkey_test {

// A fresh simulated key in a file of its own, opened and authenticated.
class SimulatedKey : public ::testing::Test {
protected:
    void SetUp() override {
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        // Parameterised tests have a slash in their name.
        std::string name = info->name();
        std::replace(name.begin(), name.end(), '/', '-');
        path_ =
            std::filesystem::temp_directory_path() / ("fpkey-it-" + std::to_string(getpid()) + "-" + name + ".json");
        std::filesystem::remove(path_);
        ASSERT_EQ(HXKeyOpen(("sim:" + path_.string()).c_str(), &context_), 0) << HXKeyLastError();
        ASSERT_EQ(HXSCardAuthBio(&context_), 0u);
    }
    void TearDown() override {
        HXKeyClose(&context_);
        std::filesystem::remove(path_);
        std::filesystem::remove(path_.string() + ".lock");
    }
    DeviceContext *device() { return &context_; }

    // Three captures into slots 1-3 with `finger` on the sensor, then ENROLL.
    uint64_t Enroll(uint8_t number, const char *finger) {
        HXSimPlaceFinger(device(), finger);
        for (uint8_t slot = 1; slot <= 3; ++slot) {
            if (const uint64_t captured = HXDactylCaptureImage(device())) return captured;
            if (const uint64_t extracted = HXDactylFeatureExtract(device(), slot)) return extracted;
        }
        HXSimLiftFinger(device());
        uint8_t description[20] = {0, 7};
        return HXDactylFeatureEnroll(device(), number, description);
    }

    // Captures `finger` into slot 1, ready for matching.
    void Present(const char *finger) {
        HXSimPlaceFinger(device(), finger);
        ASSERT_EQ(HXDactylCaptureImage(device()), 0u);
        ASSERT_EQ(HXDactylFeatureExtract(device(), 1), 0u);
        HXSimLiftFinger(device());
    }

    std::filesystem::path path_;
    DeviceContext context_{};
};

}  // namespace fpkey_test

#endif
