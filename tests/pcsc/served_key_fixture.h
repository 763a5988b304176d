// The device integration suite (tests/integration/) over a real pcscd: this
// header is included ahead of each of its files and stands in for their
// fixture header, whose include guard it takes. The fixture serves a fresh
// simulated key to the process's private pcscd and opens it at its pcsc:
// address; the tests then run unchanged.
#ifndef FPKEY_TESTS_SIM_KEY_FIXTURE_H
#define FPKEY_TESTS_SIM_KEY_FIXTURE_H

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "fpdevice.h"
#include "hxkmgr.h"
#include "integration/key_steps.h"
#include "pcsc/private_pcscd.h"
#include "pcsc/served_key.h"

namespace fpkey_test {

class SimulatedKey : public KeySteps {
protected:
    void SetUp() override {
        pcsc_test::PrivatePcscd *daemon = nullptr;
        PCSC_DAEMON_OR_SKIP(daemon);
        // One served key per process, back to its factory state for every test.
        static ProcessKey served(daemon->port());
        path_ = served.file;
        ASSERT_EQ(HXSimResetKey(("sim:" + path_.string()).c_str()), 0) << HXKeyLastError();
        server_ = served.server.get();
        ASSERT_EQ(pcsc_test::OpenWhenInserted("pcsc:" + daemon->reader(), &context_), 0) << HXKeyLastError();
        EXPECT_EQ(context_.activeProtocol, 2u) << "the served key offers T=1";
        ASSERT_EQ(HXKeyConnect(("sim:" + path_.string()).c_str(), HXKEY_SHARE_DIRECT, 0, &sensor_), 0)
            << HXKeyLastError();
        ASSERT_EQ(HXSCardAuthBio(&context_), 0u);
    }
    void TearDown() override {
        HXKeyClose(&sensor_);
        HXKeyClose(&context_);
    }
    // The PC/SC connection carries APDUs only: the sensor and the test
    // controls of the served key act on its state file, through a direct
    // connection, and the downloaded image lives in the card's session.
    // Inside the tests these hide the key manager's functions of the same names.
    int HXSimPlaceFinger(DeviceContext *key, const char *label) { return ::HXSimPlaceFinger(controls(key), label); }
    int HXSimLiftFinger(DeviceContext *key) { return ::HXSimLiftFinger(controls(key)); }
    int HXSimInjectFault(DeviceContext *key, uint32_t statusWord, const char *command, unsigned count) {
        return ::HXSimInjectFault(controls(key), statusWord, command, count);
    }
    int HXSimLastImage(DeviceContext *key, uint64_t *lines, uint64_t *lineBytes, uint8_t *pixels, size_t capacity) {
        return key == &context_ ? server_->LastImage(lines, lineBytes, pixels, capacity)
                                : ::HXSimLastImage(key, lines, lineBytes, pixels, capacity);
    }

    int PlaceFinger(const char *label) override { return HXSimPlaceFinger(device(), label); }
    int LiftFinger() override { return HXSimLiftFinger(device()); }

    std::filesystem::path path_;

private:
    struct ProcessKey {
        explicit ProcessKey(uint16_t port)
            : file(std::filesystem::temp_directory_path() / ("fpkey-pcsc-it-" + std::to_string(getpid()) + ".json")),
              server(std::make_unique<pcsc_test::ServedKeyThread>("sim:" + file.string(), port)) {}
        ~ProcessKey() {
            server.reset();
            std::filesystem::remove(file);
            std::filesystem::remove(file.string() + ".lock");
        }
        std::filesystem::path file;
        std::unique_ptr<pcsc_test::ServedKeyThread> server;
    };

    DeviceContext *controls(DeviceContext *key) { return key == &context_ ? &sensor_ : key; }

    DeviceContext sensor_{};
    pcsc_test::ServedKeyThread *server_ = nullptr;
};

}  // namespace fpkey_test

#endif
