// A fresh simulated key in a file of its own, served to the process's
// private pcscd in the reader "fpkey vpcd 00 00", and a direct connection to
// its state file for the virtual sensor.
#ifndef FPKEY_TESTS_PCSC_KEY_FIXTURE_H
#define FPKEY_TESTS_PCSC_KEY_FIXTURE_H

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

#include "fpdevice.h"
#include "hxkmgr.h"
#include "private_pcscd.h"
#include "served_key.h"

namespace pcsc_test {

class KeyBehindPcscd : public ::testing::Test {
protected:
    void SetUp() override {
        PCSC_DAEMON_OR_SKIP(daemon_);
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '-');
        state_ =
            std::filesystem::temp_directory_path() / ("fpkey-pcsc-" + std::to_string(getpid()) + "-" + name + ".json");
        std::filesystem::remove(state_);
        ASSERT_EQ(HXKeyConnect(("sim:" + state_.string()).c_str(), HXKEY_SHARE_DIRECT, 0, &sensor_), 0)
            << HXKeyLastError();
    }
    void TearDown() override {
        HXKeyClose(&key_);
        HXKeyClose(&sensor_);
        if (server_) {
            server_.reset();
            EXPECT_TRUE(WaitUntilRemoved(daemon_->reader()));
        }
        std::filesystem::remove(state_);
        std::filesystem::remove(state_.string() + ".lock");
    }

    // Serves the key from a thread of this process; "sim-t0:" serves it as T=0.
    void Serve(const std::string &prefix = "sim:") {
        server_ = std::make_unique<ServedKeyThread>(prefix + state_.string(), daemon_->port());
    }
    std::string address() const { return "pcsc:" + daemon_->reader(); }
    // Opens key_ exclusively once pcscd has the card, and authenticates it.
    void OpenAndAuthenticate() {
        ASSERT_EQ(OpenWhenInserted(address(), &key_), 0) << HXKeyLastError();
        ASSERT_EQ(HXSCardAuthBio(&key_), 0u);
    }
    // Three captures of `finger`, then ENROLL as template `number`.
    uint64_t Enroll(DeviceContext *key, uint8_t number, const char *finger) {
        HXSimPlaceFinger(&sensor_, finger);
        for (uint8_t slot = 1; slot <= 3; ++slot) {
            if (const uint64_t captured = HXDactylCaptureImage(key)) return captured;
            if (const uint64_t extracted = HXDactylFeatureExtract(key, slot)) return extracted;
        }
        HXSimLiftFinger(&sensor_);
        uint8_t description[20] = {0, 7};
        return HXDactylFeatureEnroll(key, number, description);
    }
    // The template `finger` matches, 0 for none.
    uint8_t Identify(DeviceContext *key, const char *finger) {
        HXSimPlaceFinger(&sensor_, finger);
        const bool captured = HXDactylCaptureImage(key) == 0 && HXDactylFeatureExtract(key, 1) == 0;
        HXSimLiftFinger(&sensor_);
        uint8_t matched = 0, attempts = 0;
        return captured && HXDactylFeatureIdentify(key, 0, &matched, &attempts) == 0 ? matched : 0;
    }

    PrivatePcscd *daemon_ = nullptr;
    std::filesystem::path state_;
    DeviceContext key_{};
    DeviceContext sensor_{};
    std::unique_ptr<ServedKeyThread> server_;
};

}  // namespace pcsc_test

#endif
