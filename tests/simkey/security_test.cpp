// External authentication by challenge and response, and the user PIN with
// its retry counter.
#include "sim_key_fixture.h"

namespace simkey_test {
namespace {

using ExternalAuthentication = SimKeyTest;

std::vector<uint8_t> externalAuthenticate(const std::vector<uint8_t> &cryptogram) {
    auto command = hexBytes("00 82 00 00 10");
    command.insert(command.end(), cryptogram.begin(), cryptogram.end());
    return command;
}

TEST_F(ExternalAuthentication, RightCryptogramUnlocksTheGatedCommands) {
    const Reply challenge = send("00 84 00 00 10");
    ASSERT_EQ(challenge.status, 0x9000u);
    EXPECT_EQ(send(externalAuthenticate(aesBlock(factoryAuthKey(), challenge.data))).status, 0x9000u);
    EXPECT_EQ(status("80 F9 09 00 01"), 0x9000u);
}

TEST_F(ExternalAuthentication, CryptogramUnderAnotherKeyIsRefused) {
    const Reply challenge = send("00 84 00 00 10");
    const auto wrongKey = hexBytes("FF0102030405060708090A0B0C0D0E0F");
    EXPECT_EQ(send(externalAuthenticate(aesBlock(wrongKey, challenge.data))).status, 0x6300u);
    EXPECT_EQ(status("80 F9 09 00 01"), 0x6982u);
}

TEST_F(ExternalAuthentication, ChallengeAnswersOneAttemptOnly) {
    const Reply challenge = send("00 84 00 00 10");
    const auto right = aesBlock(factoryAuthKey(), challenge.data);
    auto wrong = right;
    wrong[15] ^= 0x01;
    EXPECT_EQ(send(externalAuthenticate(wrong)).status, 0x6300u);
    EXPECT_EQ(send(externalAuthenticate(right)).status, 0x6985u) << "the challenge was used up";
}

TEST_F(ExternalAuthentication, SuccessfulChallengeCannotBeReplayed) {
    const Reply challenge = send("00 84 00 00 10");
    const auto cryptogram = externalAuthenticate(aesBlock(factoryAuthKey(), challenge.data));
    ASSERT_EQ(send(cryptogram).status, 0x9000u);
    EXPECT_EQ(send(cryptogram).status, 0x6985u);
}

TEST_F(ExternalAuthentication, WithoutChallengeIsRefused) {
    EXPECT_EQ(send(externalAuthenticate(std::vector<uint8_t>(16, 0))).status, 0x6985u);
}

TEST_F(ExternalAuthentication, ChallengesDiffer) {
    const auto first = send("00 84 00 00 10").data;
    const auto second = send("00 84 00 00 10").data;
    EXPECT_NE(first, second);
}

TEST_F(ExternalAuthentication, FailedAttemptEndsAnEarlierAuthentication) {
    authenticate();
    send("00 84 00 00 10");
    ASSERT_EQ(send(externalAuthenticate(std::vector<uint8_t>(16, 0))).status, 0x6300u);
    EXPECT_EQ(status("80 F9 09 00 01"), 0x6982u);
}

using UserPin = SimKeyTest;

TEST_F(UserPin, WrongPinsCountDownToBlocked) {
    const char *wrong = "00 20 00 00 06 313233343537";
    EXPECT_EQ(status("00 20 00 00"), 0x63C3u);
    EXPECT_EQ(status(wrong), 0x63C2u);
    EXPECT_EQ(status(wrong), 0x63C1u);
    EXPECT_EQ(status(wrong), 0x63C0u);
    EXPECT_EQ(status(wrong), 0x6983u);
    EXPECT_EQ(status("00 20 00 00 06 313233343536"), 0x6983u) << "blocked even for the right PIN";
    EXPECT_EQ(status("00 20 00 00"), 0x6983u);
}

TEST_F(UserPin, RightPinRestoresTheCounter) {
    ASSERT_EQ(status("00 20 00 00 04 31323334"), 0x63C2u);
    ASSERT_EQ(status("00 20 00 00 06 313233343536"), 0x9000u);
    EXPECT_EQ(status("00 20 00 00 04 31323334"), 0x63C2u);
}

TEST_F(UserPin, QueryTellsVerifiedOnThisConnectionOnly) {
    ASSERT_EQ(status("00 20 00 00 06 313233343536"), 0x9000u);
    EXPECT_EQ(status("00 20 00 00"), 0x9000u);
    EXPECT_EQ(status("00 20 00 00 00"), 0x9000u);
    DeviceContext other = openAnother();
    EXPECT_EQ(transmit(other, hexBytes("00 20 00 00")).status, 0x63C3u);
    HXKeyClose(&other);
}

TEST_F(UserPin, WrongPinEndsAnEarlierVerification) {
    ASSERT_EQ(status("00 20 00 00 06 313233343536"), 0x9000u);
    ASSERT_EQ(status("00 20 00 00 01 39"), 0x63C2u);
    EXPECT_EQ(status("00 20 00 00"), 0x63C2u);
}

TEST_F(UserPin, PinPrefixDoesNotVerify) {
    EXPECT_EQ(status("00 20 00 00 05 3132333435"), 0x63C2u);
    EXPECT_EQ(status("00 20 00 00 07 31323334353600"), 0x63C1u);
}

TEST_F(UserPin, OverlongPinIsRefusedWithoutCounting) {
    ASSERT_EQ(status("00 20 00 00 11 3132333435363738393031323334353637"), 0x6700u);
    EXPECT_EQ(status("00 20 00 00"), 0x63C3u);
}

TEST_F(UserPin, BlockedPinStaysBlockedAfterReopening) {
    for (int i = 0; i < 3; ++i) {
        send("00 20 00 00 01 30");
    }
    HXKeyClose(&context_);
    ASSERT_EQ(HXKeyOpen(address().c_str(), &context_), 0) << HXKeyLastError();
    EXPECT_EQ(status("00 20 00 00 06 313233343536"), 0x6983u);
}

}  // namespace
}  // namespace simkey_test
