#include "test_names.h"
#include "api_fixture.h"

using namespace fpkey_test;

namespace {

struct CaptureCase {
    const char *name;
    uint32_t keyAnswer;
    uint64_t result;
};

class Capture : public DeviceApi, public ::testing::WithParamInterface<CaptureCase> {};

TEST_P(Capture, PassesOnWhatAnotherCaptureCannotCure) {
    key().On("", GetParam().keyAnswer);
    EXPECT_EQ(HXDactylCaptureImage(device()), GetParam().result);
    EXPECT_EQ(key().CommandsHex(), std::vector<std::string>{"80 FA 00 00 02"});
}

INSTANTIATE_TEST_SUITE_P(
    Answers, Capture,
    ::testing::Values(CaptureCase{"Captured", 0x9000, 0}, CaptureCase{"NotYet", 0x6A0E, 0x80006A0E},
                      CaptureCase{"Failed", 0x6A09, 0x80006A09}, CaptureCase{"FileNotFound", 0x6A82, 0x80006A09},
                      CaptureCase{"NotLoggedIn", 0x6982, 0x80006982}, CaptureCase{"PoorImage", 0x6A07, 0x80006A07},
                      CaptureCase{"DirtySensor", 0x6A0A, 0x80006A0A}, CaptureCase{"AreaTooSmall", 0x6A0B, 0x80006A0B},
                      CaptureCase{"KeyGone", 0xFFFF, 0x8000B001}),
    fpkey_test::ByName());

TEST_F(DeviceApi, CaptureWithoutHandleOrKeyEndsThePolling) {
    EXPECT_EQ(HXDactylCaptureImage(nullptr), 0x8000B001u);
    context_.state = 1;
    EXPECT_EQ(HXDactylCaptureImage(device()), 0x8000B001u);
    EXPECT_TRUE(key().Commands().empty());
}

TEST_F(DeviceApi, ExtractionChecksTheSlot) {
    for (uint8_t slot : {0, 4, 255}) EXPECT_EQ(HXDactylFeatureExtract(device(), slot), 0x8000B002u);
    EXPECT_TRUE(key().Commands().empty());
}

// The key's capacity comes first in every verification.
constexpr const char *kCapacity10 = "80 F9 04";

struct MatchCase {
    const char *name;
    uint32_t keyAnswer;
    uint64_t result;
    int attemptsLeft;  // -1: left as it was
    bool lockMark;
};

const MatchCase kMatchCases[] = {
    {"Match", 0x9000, 0, -1, false},
    {"MismatchWithTwoLeft", 0x63C2, 0, 2, false},  // result filled per function below
    {"NoAttemptsLeft", 0x63C0, 0x80006983, 0, true},
    {"Blocked", 0x6983, 0x80006983, 0, true},
    {"NotLoggedIn", 0x6982, 0x80006982, -1, false},
    {"CacheOff", 0x6A12, 0x80006A12, -1, false},
    {"CacheEmpty", 0x6A13, 0x80006A13, -1, false},
    {"PasswordMode", 0x6A14, 0x80006A14, -1, false},
    {"NoImage", 0x6A11, 0x80006A11, -1, false},
    {"Unrecognised", 0x6A88, 0x8000B001, -1, false},
};

class Matching : public DeviceApi, public ::testing::WithParamInterface<MatchCase> {
protected:
    void Script() {
        key().On(kCapacity10, Answer{0x9000, {10}});
        key().On("80 FD", Answer{GetParam().keyAnswer, {3}});
        key().On("00 B0 00 68 04", Answer{0x9000, {0x11, 0x22, 0x33, 0x44}});
    }
    void ExpectLockMark(size_t firstCommand) {
        const auto sent = key().CommandsHex();
        if (!GetParam().lockMark) {
            EXPECT_EQ(sent.size(), firstCommand + 1);
            return;
        }
        ASSERT_EQ(sent.size(), firstCommand + 4);
        EXPECT_EQ(sent[firstCommand + 1], "00 A4 00 00 02 40 00");
        EXPECT_EQ(sent[firstCommand + 2], "00 B0 00 68 04");
        EXPECT_EQ(sent[firstCommand + 3], "00 D6 00 68 04 11 22 37 44");
    }
};

TEST_P(Matching, VerificationOfOneTemplate) {
    Script();
    uint8_t attempts = 0x77;
    const uint64_t expected = GetParam().keyAnswer == 0x63C2 ? 0x80006A21 : GetParam().result;
    EXPECT_EQ(HXDactylFeatureVerify(device(), 0, 5, &attempts), expected);
    EXPECT_EQ(attempts, GetParam().attemptsLeft < 0 ? 0x77 : GetParam().attemptsLeft);
    EXPECT_EQ(key().CommandsHex()[1], "80 FD 06 05 01");
    ExpectLockMark(1);
}

TEST_P(Matching, IdentificationAmongAllTemplates) {
    Script();
    uint8_t attempts = 0x77;
    uint8_t matched = 0x66;
    const uint64_t expected = GetParam().keyAnswer == 0x63C2 ? 0x80006A2F : GetParam().result;
    EXPECT_EQ(HXDactylFeatureIdentify(device(), 0, &matched, &attempts), expected);
    EXPECT_EQ(matched, GetParam().keyAnswer == 0x9000 ? 3 : 0x66);
    EXPECT_EQ(attempts, GetParam().attemptsLeft < 0 ? 0x77 : GetParam().attemptsLeft);
    EXPECT_EQ(key().CommandsHex()[0], "80 FD 06 00 01");
    ExpectLockMark(0);
}

INSTANTIATE_TEST_SUITE_P(Answers, Matching, ::testing::ValuesIn(kMatchCases), fpkey_test::ByName());

TEST_F(DeviceApi, MatchModeOneSelectsP1x16) {
    uint8_t matched = 0, attempts = 0;
    for (uint8_t mode : {0, 1, 2}) HXDactylFeatureIdentify(device(), mode, &matched, &attempts);
    EXPECT_EQ(key().CommandsHex(), (std::vector<std::string>{"80 FD 06 00 01", "80 FD 16 00 01", "80 FD 06 00 01"}));
}

TEST_F(DeviceApi, VerificationBeyondCapacitySendsOnlyTheCapacityQuery) {
    key().On(kCapacity10, Answer{0x9000, {4}});
    uint8_t attempts = 0;
    EXPECT_EQ(HXDactylFeatureVerify(device(), 0, 5, &attempts), 0x8000B002u);
    EXPECT_EQ(key().CommandsHex(), std::vector<std::string>{"80 F9 04 06 01"});
}

TEST_F(DeviceApi, VerificationPassesCapacityFailureOn) {
    key().On(kCapacity10, 0x6982);
    uint8_t attempts = 0, number = 1;
    EXPECT_EQ(HXDactylFeatureVerify(device(), 0, 1, &attempts), 0x80006982u);
    EXPECT_EQ(HXDactylFeatureVerifyTest(device(), 1, &number), 0x80006982u);
    EXPECT_EQ(key().Commands().size(), 2u);
}

TEST_F(DeviceApi, FailedLockMarkReadWritesNothingBack) {
    key().On(kCapacity10, Answer{0x9000, {10}});
    key().On("80 FD", 0x63C0);
    key().On("00 B0 00 68 04", Answer{0x9000, {0x11, 0x22}});  // too short to write back
    uint8_t attempts = 9;
    EXPECT_EQ(HXDactylFeatureVerify(device(), 0, 1, &attempts), 0x80006983u);
    EXPECT_EQ(attempts, 0);
    EXPECT_EQ(key().Commands().size(), 4u);  // capacity, match, select, read
}

struct TestMatchCase {
    const char *name;
    uint16_t flag;
    uint8_t number;
    uint32_t keyAnswer;
    const char *command;
    uint64_t result;
    uint8_t numberAfter;
};

class TestMatch : public DeviceApi, public ::testing::WithParamInterface<TestMatchCase> {};

TEST_P(TestMatch, MatchesWithoutRetryAccounting) {
    const TestMatchCase &c = GetParam();
    key().On(kCapacity10, Answer{0x9000, {10}});
    key().On("80 FD", Answer{c.keyAnswer, {7}});
    uint8_t number = c.number;
    EXPECT_EQ(HXDactylFeatureVerifyTest(device(), c.flag, &number), c.result);
    EXPECT_EQ(number, c.numberAfter);
    EXPECT_EQ(key().CommandsHex().back(), c.command);
    EXPECT_EQ(key().Commands().size(), 2u) << "never a lock mark";
}

INSTANTIATE_TEST_SUITE_P(
    Answers, TestMatch,
    ::testing::Values(TestMatchCase{"OneTemplateMismatch", 1, 2, 0x6A21, "80 FD 26 02 01", 0x80006A21, 2},
                      TestMatchCase{"AllTemplatesMismatch", 0, 2, 0x6A21, "80 FD 26 00 01", 0x80006A2F, 2},
                      TestMatchCase{"CounterAnswerIsAMismatch", 1, 2, 0x63C1, "80 FD 26 02 01", 0x80006A21, 2},
                      TestMatchCase{"BlockedIsNotRecognised", 1, 2, 0x6983, "80 FD 26 02 01", 0x8000B001, 2},
                      TestMatchCase{"OneTemplateMatchKeepsNumber", 1, 2, 0x9000, "80 FD 26 02 01", 0, 2},
                      TestMatchCase{"AllTemplatesMatchNamesTemplate", 0, 2, 0x9000, "80 FD 26 00 01", 0, 7},
                      TestMatchCase{"FlagWithNumberZeroMeansAll", 1, 0, 0x9000, "80 FD 26 00 01", 0, 7}),
    fpkey_test::ByName());

TEST_F(DeviceApi, TestMatchBeyondCapacityOnlyWhenATemplateIsSelected) {
    key().On(kCapacity10, Answer{0x9000, {4}});
    uint8_t number = 9;
    EXPECT_EQ(HXDactylFeatureVerifyTest(device(), 1, &number), 0x8000B002u);
    EXPECT_EQ(HXDactylFeatureVerifyTest(device(), 0, &number), 0u);
}

}  // namespace
