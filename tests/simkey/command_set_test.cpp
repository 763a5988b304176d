// The command set: lengths, P1-P2, classes and instructions, and which
// commands need external authentication first.
#include "sim_key_fixture.h"

namespace simkey_test {
namespace {

using simkey_test::operator<<;  // cases declared here print as their name

struct CommandCase {
    const char *name;
    const char *apdu;
    uint32_t status;
};

class MalformedCommand : public SimKeyTest, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(MalformedCommand, AnswersTheStatusForItsFault) {
    authenticate();
    ASSERT_EQ(status("00 A4 00 00 02 40 00"), 0x9000u);
    EXPECT_EQ(status(GetParam().apdu), GetParam().status) << std::hex << GetParam().apdu;
}

INSTANTIATE_TEST_SUITE_P(
    CommandSet, MalformedCommand,
    ::testing::Values(
        CommandCase{"TooShortForAHeader", "00 A4 00", 0x6700},
        CommandCase{"LcLongerThanData", "00 A4 00 00 02 05", 0x6700},
        CommandCase{"ExtendedLength", "00 A4 00 00 00 00 02 05 20", 0x6700},
        CommandCase{"SelectOneByteId", "00 A4 00 00 01 05", 0x6700},
        CommandCase{"SelectWithLe", "00 A4 00 00 02 05 20 00", 0x6700},
        CommandCase{"SelectByName", "00 A4 04 00 02 05 20", 0x6B00},
        CommandCase{"SelectUnknownFile", "00 A4 00 00 02 77 77", 0x6A82},
        CommandCase{"ReadWithoutLe", "00 B0 00 00", 0x6700}, CommandCase{"WriteWithoutData", "00 D6 00 00", 0x6700},
        CommandCase{"ChallengeOfEightBytes", "00 84 00 00 08", 0x6700},
        CommandCase{"ChallengeWithP2", "00 84 00 01 10", 0x6B00},
        CommandCase{"ExternalAuthenticateShortCryptogram", "00 82 00 00 08 0001020304050607", 0x6700},
        CommandCase{"ExternalAuthenticateKeyReference", "00 82 00 01 10 000102030405060708090A0B0C0D0E0F", 0x6B00},
        CommandCase{"VerifyWithPinReference", "00 20 00 01 06 313233343536", 0x6B00},
        CommandCase{"VerifyPinLongerThanSixteen", "00 20 00 00 11 3132333435363738393031323334353637", 0x6700},
        CommandCase{"DeleteWithP1", "00 E4 01 00 02 01 00", 0x6B00},
        CommandCase{"CreateFileIdFFFF", "80 E0 FF FF 07 28 00 10 EF EF FF FF", 0x6B00},
        CommandCase{"DeviceInfoWrongLe", "80 FA 02 00 20", 0x6700},
        CommandCase{"DeviceInfoWithP2", "80 FA 02 01 2F", 0x6B00},
        CommandCase{"UnknownDeviceQuery", "80 FA 03 00 02", 0x6B00},
        CommandCase{"CaptureWrongLe", "80 FA 00 00 01", 0x6700},
        CommandCase{"ExtractSlotZero", "80 FB 00 00 02", 0x6B00},
        CommandCase{"ExtractSlotFour", "80 FB 00 04 02", 0x6B00},
        CommandCase{"ExtractWrongLe", "80 FB 00 01 01", 0x6700},
        CommandCase{"MatchUnknownMode", "80 FD 07 00 01", 0x6B00},
        CommandCase{"MatchWrongLe", "80 FD 06 00 02", 0x6700}, CommandCase{"EnrollWithoutLe", "80 FC 00 A0", 0x6700},
        CommandCase{"VerifyModeUnknownP1", "80 FE 02 06 01", 0x6B00},
        CommandCase{"VerifyModeWrongP2", "80 FE 01 00 01", 0x6B00},
        CommandCase{"VerifyModeTwoBytes", "80 FE 00 06 02 01 01", 0x6700},
        CommandCase{"VerifyModeThree", "80 FE 00 06 01 03", 0x6A18},
        CommandCase{"UnknownOption", "80 F9 0C 06 01", 0x6B00}, CommandCase{"OptionWrongP2", "80 F9 05 00 01", 0x6B00},
        CommandCase{"SetterWithoutValue", "80 F9 06 06 01", 0x6700},
        CommandCase{"GetterWithValue", "80 F9 05 06 01 01", 0x6700},
        CommandCase{"SecurityStateWithP2", "80 F9 09 06 01", 0x6B00},
        CommandCase{"ImageBlockP1Two", "80 F7 02 00 09 0000 0000 01 000000 7F", 0x6B00},
        CommandCase{"GetResponseWithoutPendingData", "00 C0 00 00 10", 0x6985},
        CommandCase{"UnknownInterIndustryInstruction", "00 77 00 00", 0x6D00},
        CommandCase{"UnknownProprietaryInstruction", "80 A4 00 00 02 05 20", 0x6D00},
        CommandCase{"UnknownClass", "A0 A4 00 00 02 3F 00", 0x6E00},
        CommandCase{"SecureMessagingClass", "0C B0 00 00 04", 0x6E00}),
    CaseName());

struct GatedCase {
    const char *name;
    const char *apdu;
    uint32_t statusWhenAuthenticated;
};

class GatedCommand : public SimKeyTest, public ::testing::WithParamInterface<GatedCase> {};

TEST_P(GatedCommand, NeedsExternalAuthenticationOnThisConnection) {
    ASSERT_EQ(status("00 A4 00 00 02 40 00"), 0x9000u);
    EXPECT_EQ(status(GetParam().apdu), 0x6982u);

    authenticate();
    ASSERT_EQ(status("00 A4 00 00 02 40 00"), 0x9000u);
    EXPECT_EQ(status(GetParam().apdu), GetParam().statusWhenAuthenticated);

    // Authentication belongs to the connection, not to the key.
    DeviceContext other = openAnother();
    ASSERT_EQ(transmit(other, hexBytes("00 A4 00 00 02 40 00")).status, 0x9000u);
    EXPECT_EQ(transmit(other, hexBytes(GetParam().apdu)).status, 0x6982u);
    HXKeyClose(&other);
}

INSTANTIATE_TEST_SUITE_P(
    CommandSet, GatedCommand,
    ::testing::Values(
        GatedCase{"WriteBinary", "00 D0 00 00 01 AA", 0x9000},
        GatedCase{"UpdateBinary", "00 D6 00 10 02 AA BB", 0x9000},
        GatedCase{"CreateFile", "80 E0 01 00 07 28 00 10 EF EF FF FF", 0x9000},
        GatedCase{"DeleteFile", "00 E4 00 00 02 40 00", 0x6985}, GatedCase{"Extract", "80 FB 00 01 02", 0x6A11},
        GatedCase{"Enroll", "80 FC 00 A0 02", 0x6A82}, GatedCase{"Identify", "80 FD 06 00 01", 0x6A11},
        GatedCase{"VerifyTemplate", "80 FD 06 01 01", 0x6A11}, GatedCase{"TestMatch", "80 FD 26 00 01", 0x6A11},
        GatedCase{"SetVerifyMode", "80 FE 00 06 01 02", 0x9000}, GatedCase{"SetTimeOut", "80 F9 06 06 01 28", 0x9000},
        GatedCase{"SetSecurityLevel", "80 F9 08 06 01 04", 0x9000},
        GatedCase{"SetImageGain", "80 F9 0B 06 01 40", 0x9000}, GatedCase{"SecurityState", "80 F9 09 00 01", 0x9000},
        GatedCase{"ClearCache", "80 F9 01 06 01", 0x9000}, GatedCase{"EnableCache", "80 F9 02 06 01", 0x9000},
        GatedCase{"DisableCache", "80 F9 03 06 01", 0x9000}),
    CaseName());

struct QueryCase {
    const char *name;
    const char *apdu;
    std::vector<uint8_t> factoryAnswer;
};

class FactoryQuery : public SimKeyTest, public ::testing::WithParamInterface<QueryCase> {};

TEST_P(FactoryQuery, AnswersWithoutAuthenticationWithTheFactoryValue) {
    const Reply reply = send(GetParam().apdu);
    ASSERT_EQ(reply.status, 0x9000u);
    EXPECT_EQ(reply.data, GetParam().factoryAnswer);
}

INSTANTIATE_TEST_SUITE_P(CommandSet, FactoryQuery,
                         ::testing::Values(QueryCase{"VerifyMode", "80 FE 01 06 01", {1}},
                                           QueryCase{"TimeOut", "80 F9 05 06 01", {30}},
                                           QueryCase{"SecurityLevel", "80 F9 07 06 01", {3}},
                                           QueryCase{"ImageGain", "80 F9 0A 06 01", {128}},
                                           QueryCase{"Capacity", "80 F9 04 06 01", {10}},
                                           QueryCase{"CacheState", "80 F9 00 06 01", {0}},
                                           QueryCase{"SelfTestWithoutFinger", "80 FA 01 00 02", {0, 0}}),
                         CaseName());

using Settings = SimKeyTest;

TEST_F(Settings, SettersChangeWhatTheGettersAnswer) {
    authenticate();
    const struct {
        const char *set;
        const char *get;
        uint8_t value;
    } settings[] = {{"80 F9 06 06 01 2D", "80 F9 05 06 01", 0x2D},
                    {"80 F9 08 06 01 05", "80 F9 07 06 01", 0x05},
                    {"80 F9 0B 06 01 FF", "80 F9 0A 06 01", 0xFF},
                    {"80 FE 00 06 01 00", "80 FE 01 06 01", 0x00},
                    {"80 FE 00 06 01 02", "80 FE 01 06 01", 0x02}};
    for (const auto &setting : settings) {
        ASSERT_EQ(status(setting.set), 0x9000u) << setting.set;
        EXPECT_EQ(send(setting.get).data, std::vector<uint8_t>{setting.value}) << setting.get;
    }
}

TEST_F(Settings, RefusedVerifyModeLeavesTheModeUnchanged) {
    authenticate();
    ASSERT_EQ(status("80 FE 00 06 01 03"), 0x6A18u);
    EXPECT_EQ(send("80 FE 01 06 01").data, std::vector<uint8_t>{1});
}

TEST_F(Settings, DeviceInfoFollowsTheDocumentedLayout) {
    const Reply reply = send("80 FA 02 00 2F");
    ASSERT_EQ(reply.status, 0x9000u);
    ASSERT_EQ(reply.data.size(), 47u);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(reply.data.data())), "fpkey simulated");
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(reply.data.data() + 16), 5), "1.0.0");
    const std::string serial(reinterpret_cast<const char *>(reply.data.data() + 24), 16);
    EXPECT_EQ(serial.find_first_not_of("0123456789ABCDEF"), std::string::npos) << serial;
    EXPECT_EQ(reply.data[40], 10);
    EXPECT_EQ(reply.data[41], 0);
    EXPECT_EQ((reply.data[42] << 8) | reply.data[43], 256);
    EXPECT_EQ((reply.data[44] << 8) | reply.data[45], 360);
    EXPECT_EQ(reply.data[46], 1);
}

TEST_F(Settings, SecurityStateTellsWhetherThePinWasVerifiedToo) {
    authenticate();
    EXPECT_EQ(send("80 F9 09 00 01").data, std::vector<uint8_t>{1});
    ASSERT_EQ(status("00 20 00 00 06 313233343536"), 0x9000u);
    EXPECT_EQ(send("80 F9 09 00 01").data, std::vector<uint8_t>{2});
}

}  // namespace
}  // namespace simkey_test
