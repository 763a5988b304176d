// Each setting takes the values of its range and refuses the rest with
// "incorrect data", keeping what it had.
#include <cstdio>

#include "sim_key_fixture.h"

namespace simkey_test {
namespace {

struct RangeCase {
    const char *name;
    uint8_t setterP1;
    uint8_t getterP1;
    uint8_t value;
    uint32_t status;
};

class SettingRange : public SimKeyTest, public ::testing::WithParamInterface<RangeCase> {};

std::string optionCommand(uint8_t p1, int value) {
    char text[32];
    if (value < 0) {
        std::snprintf(text, sizeof text, "80 F9 %02X 06 01", p1);
    } else {
        std::snprintf(text, sizeof text, "80 F9 %02X 06 01 %02X", p1, value);
    }
    return text;
}

TEST_P(SettingRange, SetterKeepsTheOldValueUnlessInRange) {
    const RangeCase &c = GetParam();
    authenticate();
    const std::vector<uint8_t> before = send(optionCommand(c.getterP1, -1)).data;
    EXPECT_EQ(status(optionCommand(c.setterP1, c.value)), c.status);
    const std::vector<uint8_t> after = send(optionCommand(c.getterP1, -1)).data;
    EXPECT_EQ(after, c.status == 0x9000 ? std::vector<uint8_t>{c.value} : before);
}

INSTANTIATE_TEST_SUITE_P(SimKey, SettingRange,
                         ::testing::Values(RangeCase{"TimeOutZero", 0x06, 0x05, 0, 0x6A80},
                                           RangeCase{"TimeOutLowest", 0x06, 0x05, 1, 0x9000},
                                           RangeCase{"TimeOutHighest", 0x06, 0x05, 60, 0x9000},
                                           RangeCase{"TimeOutAboveRange", 0x06, 0x05, 61, 0x6A80},
                                           RangeCase{"SecurityLevelZero", 0x08, 0x07, 0, 0x6A80},
                                           RangeCase{"SecurityLevelHighest", 0x08, 0x07, 5, 0x9000},
                                           RangeCase{"SecurityLevel99", 0x08, 0x07, 99, 0x6A80},
                                           RangeCase{"ImageGainZero", 0x0B, 0x0A, 0, 0x6A80},
                                           RangeCase{"ImageGainHighest", 0x0B, 0x0A, 255, 0x9000}),
                         CaseName());

}  // namespace
}  // namespace simkey_test
