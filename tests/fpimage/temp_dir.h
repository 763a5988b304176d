// A fresh directory per test, removed afterwards.
#ifndef FPKEY_TESTS_FPIMAGE_TEMP_DIR_H
#define FPKEY_TESTS_FPIMAGE_TEMP_DIR_H

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace fpkey::patterns {

class TempDir {
public:
    TempDir() {
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("fpimage_") + info->test_suite_name() + "_" + info->name();
        for (char &c : name) {
            if (c == '/') c = '_';
        }
        path_ = std::filesystem::path(::testing::TempDir()) / name;
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    std::string File(const std::string &name) const { return (path_ / name).string(); }

    std::string Write(const std::string &name, const std::string &bytes) const {
        std::ofstream(File(name), std::ios::binary) << bytes;
        return File(name);
    }

private:
    std::filesystem::path path_;
};

}  // namespace fpkey::patterns

#endif
