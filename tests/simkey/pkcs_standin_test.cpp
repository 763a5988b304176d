// The PKCS stand-in: external authentication and user PIN verification
// through the key manager, over T=1 and T=0.
#include "hxpkcs.h"
#include "sim_key_fixture.h"

namespace simkey_test {
namespace {

class PkcsStandIn : public SimKeyTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        SimKeyTest::SetUp();
        if (GetParam()) {
            HXKeyClose(&context_);
            context_ = openAnother(true);
        }
    }
};

TEST_P(PkcsStandIn, AuthenticatesWithTheFactoryKey) {
    ScopedEnvironment key("FPKEY_AUTH_KEY", nullptr);
    EXPECT_EQ(HXSCardAuth(&context_), 0u);
    EXPECT_EQ(send("80 F9 09 00 01").status, GetParam() ? 0x6101u : 0x9000u);
}

TEST_P(PkcsStandIn, AuthenticatesWithTheConfiguredKey) {
    ScopedEnvironment key("FPKEY_AUTH_KEY", "000102030405060708090a0b0c0d0e0f");
    EXPECT_EQ(HXSCardAuth(&context_), 0u);
}

TEST_P(PkcsStandIn, WrongConfiguredKeyFailsWithTheKeysStatus) {
    ScopedEnvironment key("FPKEY_AUTH_KEY", "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF");
    EXPECT_EQ(HXSCardAuth(&context_), 0x80006300u);
    EXPECT_EQ(send("80 F9 09 00 01").status, 0x6982u);
}

TEST_P(PkcsStandIn, MalformedConfiguredKeyIsABadArgument) {
    ScopedEnvironment key("FPKEY_AUTH_KEY", "0001020304");
    EXPECT_EQ(HXSCardAuth(&context_), 0x8000B002u);
}

TEST_P(PkcsStandIn, PinStatusesCountDownToBlocked) {
    const uint8_t wrong[] = {'0', '0', '0', '0'};
    const uint8_t right[] = {'1', '2', '3', '4', '5', '6'};
    const struct {
        uint64_t result;
        uint16_t statusWord;
    } expected[] = {{0x800063C2, 0x63C2}, {0x800063C1, 0x63C1}, {0x800063C0, 0x63C0}, {0x80006983, 0x6983}};
    for (const auto &step : expected) {
        uint16_t statusWord = 0;
        EXPECT_EQ(HXSCardVerifyUserPin(&context_, wrong, sizeof wrong, &statusWord), step.result);
        EXPECT_EQ(statusWord, step.statusWord);
    }
    uint16_t statusWord = 0;
    EXPECT_EQ(HXSCardVerifyUserPin(&context_, right, sizeof right, &statusWord), 0x80006983u);
}

TEST_P(PkcsStandIn, RightPinIsAccepted) {
    const uint8_t pin[17] = {'1', '2', '3', '4', '5', '6'};
    uint16_t statusWord = 0;
    EXPECT_EQ(HXSCardVerifyUserPin(&context_, pin, 6, &statusWord), 0u);
    EXPECT_EQ(statusWord, 0x9000u);
}

TEST_P(PkcsStandIn, OverlongPinGetsTheKeysAnswerWithoutCounting) {
    const std::vector<uint8_t> pin(17, '1');
    uint16_t statusWord = 0;
    EXPECT_EQ(HXSCardVerifyUserPin(&context_, pin.data(), 17, &statusWord), 0x80006700u);
    EXPECT_EQ(statusWord, 0x6700u);
    EXPECT_EQ(HXSCardVerifyUserPin(&context_, pin.data(), 1, &statusWord), 0x800063C2u);
}

TEST_P(PkcsStandIn, EmptyPinIsNotSentAsAQuery) {
    uint16_t statusWord = 0x1234;
    EXPECT_EQ(HXSCardVerifyUserPin(&context_, reinterpret_cast<const uint8_t *>(""), 0, &statusWord), 0x8000B002u);
    EXPECT_EQ(statusWord, 0x1234u);
}

INSTANTIATE_TEST_SUITE_P(Protocols, PkcsStandIn, ::testing::Values(false, true),
                         [](const auto &testInfo) { return testInfo.param ? "T0" : "T1"; });

TEST(PkcsStandInHandles, UnusableContextFailsWithoutTouchingTheKey) {
    EXPECT_EQ(HXSCardAuth(nullptr), 0x8000B001u);
    DeviceContext notReady{};
    EXPECT_EQ(HXSCardAuth(&notReady), 0x8000B001u);
    uint16_t statusWord = 0;
    const uint8_t pin[] = {'1'};
    EXPECT_EQ(HXSCardVerifyUserPin(&notReady, pin, 1, &statusWord), 0x8000B001u);
    EXPECT_EQ(statusWord, 0xFFFFu);
    DeviceContext closed{};
    closed.state = 3;
    closed.keyManagerHandle = 0x42;
    EXPECT_EQ(HXSCardAuth(&closed), 0x8000B001u);
}

}  // namespace
}  // namespace simkey_test
