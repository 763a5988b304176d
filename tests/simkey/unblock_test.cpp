// The issuer's unblock restores one blocked counter and keeps the templates.
#include "sim_key_fixture.h"

namespace simkey_test {
namespace {

constexpr const char *kRightPin = "00 20 00 00 06 313233343536";
constexpr const char *kWrongPin = "00 20 00 00 06 313233343537";
constexpr const char *kIdentify = "80 FD 06 00 01";
constexpr uint16_t kLockMarkFile = 0x4000;
constexpr uint8_t kLockMarkOffset = 0x6A;

class Unblock : public SimKeyTest {
protected:
    // Wrong answers until the counter reports itself blocked.
    void exhaust(const char *wrongAnswer) {
        int tries = 0;
        while (status(wrongAnswer) != 0x6983u) ASSERT_LT(++tries, 16);
    }
    void blockPin() {
        exhaust(kWrongPin);
        authenticate();
    }
    void blockFinger() {
        presentFinger("mallory", 1);
        exhaust(kIdentify);
        // As the host marks a key whose finger matching it saw blocked.
        ASSERT_EQ(status("00 A4 00 00 02 40 00"), 0x9000u);
        ASSERT_EQ(status("00 D6 00 6A 01 04"), 0x9000u);
    }
};

TEST_F(Unblock, PinCounterAloneIsRestored) {
    authenticate();
    enrollTemplate(1, "alice");
    blockPin();
    blockFinger();
    ASSERT_EQ(HXSimUnblock(&context_, "pin"), 0);
    presentFinger("alice", 1);
    EXPECT_EQ(status(kIdentify), 0x6983u) << "the finger counter stays blocked";
    EXPECT_EQ(status(kRightPin), 0x9000u);
}

TEST_F(Unblock, FingerCounterAndLockMarkAreRestoredTemplatesKept) {
    authenticate();
    enrollTemplate(1, "alice");
    blockPin();
    blockFinger();
    ASSERT_EQ(HXSimUnblock(&context_, "finger"), 0);
    presentFinger("alice", 1);
    const Reply matched = send(kIdentify);
    EXPECT_EQ(matched.status, 0x9000u);
    EXPECT_EQ(matched.data, std::vector<uint8_t>{1});
    EXPECT_EQ(readFile(kLockMarkFile, kLockMarkOffset, 1), std::vector<uint8_t>{0});
    EXPECT_EQ(status(kRightPin), 0x6983u) << "the PIN counter stays blocked";
}

TEST_F(Unblock, UnknownCounterIsABadArgument) {
    EXPECT_EQ(HXSimUnblock(&context_, "puk"), -2);
    EXPECT_EQ(HXSimUnblock(&context_, nullptr), -2);
    EXPECT_NE(std::string(HXKeyLastError()).find("\"pin\" or \"finger\""), std::string::npos);
}

}  // namespace
}  // namespace simkey_test
