#ifndef FPKEY_TESTS_TEST_NAMES_H
#define FPKEY_TESTS_TEST_NAMES_H

#include <gtest/gtest.h>

#include <string>

namespace fpkey_test {

// Names parameterised cases after the `name` field of their parameter.
struct ByName {
    template <class Param>
    std::string operator()(const ::testing::TestParamInfo<Param> &param) const {
        return param.param.name;
    }
};

}  // namespace fpkey_test

#endif
