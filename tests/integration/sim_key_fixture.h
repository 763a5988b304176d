#ifndef FPKEY_TESTS_SIM_KEY_FIXTURE_H
#define FPKEY_TESTS_SIM_KEY_FIXTURE_H

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "fpdevice.h"
#include "hxkmgr.h"
#include "integration/key_steps.h"

namespace fpkey_test {

// A fresh simulated key in a file of its own, opened and authenticated.
class SimulatedKey : public KeySteps {
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
    std::filesystem::path path_;
};

}  // namespace fpkey_test

#endif
