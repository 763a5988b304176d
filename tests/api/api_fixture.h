#ifndef FPKEY_TESTS_API_FIXTURE_H
#define FPKEY_TESTS_API_FIXTURE_H

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "fpdevice/dactyl.h"
#include "scripted_key_manager.h"

namespace fpkey_test {

class DeviceApi : public ::testing::Test {
protected:
    void SetUp() override {
        key().Reset();
        context_ = ReadyContext();
    }
    static ScriptedKeyManager &key() { return ScriptedKeyManager::Instance(); }
    DeviceContext *device() { return &context_; }

    DeviceContext context_{};
};

// One call of a device function, for tables that run the same check over
// many functions.
struct DeviceCall {
    const char *name;
    std::function<uint64_t(DeviceContext *)> call;
};

}  // namespace fpkey_test

#endif
