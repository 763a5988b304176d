// The steps the device tests take on a simulated key, whichever way the key
// is reached: in process, or served behind pcscd, where the sensor is set
// through a connection of its own.
#ifndef FPKEY_TESTS_INTEGRATION_KEY_STEPS_H
#define FPKEY_TESTS_INTEGRATION_KEY_STEPS_H

#include <gtest/gtest.h>

#include "fpdevice.h"
#include "hxkmgr.h"

namespace fpkey_test {

class KeySteps : public ::testing::Test {
protected:
    DeviceContext *device() { return &context_; }

    // Three captures into slots 1-3 with `finger` on the sensor, then ENROLL.
    uint64_t Enroll(uint8_t number, const char *finger) {
        PlaceFinger(finger);
        for (uint8_t slot = 1; slot <= 3; ++slot) {
            if (const uint64_t captured = HXDactylCaptureImage(device())) return captured;
            if (const uint64_t extracted = HXDactylFeatureExtract(device(), slot)) return extracted;
        }
        LiftFinger();
        uint8_t description[20] = {0, 7};
        return HXDactylFeatureEnroll(device(), number, description);
    }

    // Captures `finger` into slot 1, ready for matching.
    void Present(const char *finger) {
        PlaceFinger(finger);
        ASSERT_EQ(HXDactylCaptureImage(device()), 0u);
        ASSERT_EQ(HXDactylFeatureExtract(device(), 1), 0u);
        LiftFinger();
    }

    virtual int PlaceFinger(const char *label) { return ::HXSimPlaceFinger(device(), label); }
    virtual int LiftFinger() { return ::HXSimLiftFinger(device()); }

    DeviceContext context_{};
};

}  // namespace fpkey_test

#endif
