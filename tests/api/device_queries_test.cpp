#include "test_names.h"
#include "api_fixture.h"

using namespace fpkey_test;

namespace {

// A function of the simple frame: its command, and which status words it
// passes on as 0x80000000 + SW.
struct FrameCase {
    const char *name;
    std::function<uint64_t(DeviceContext *)> call;
    const char *command;
    std::vector<uint16_t> recognised;
};

class SimpleFrame : public DeviceApi, public ::testing::WithParamInterface<FrameCase> {};

uint8_t g_byte;

const FrameCase kFrameCases[] = {
    {"SelfTest", [](DeviceContext *d) { return HXDactylSelfTest(d); }, "80 FA 01 00 02", {0x6AFA}},
    {"SetVerifyMode",
     [](DeviceContext *d) { return HXDactylSetVerifyMode(d, 2); },
     "80 FE 00 06 01 02",
     {0x6581, 0x6982, 0x6983, 0x6A18}},
    {"GetVerifyMode", [](DeviceContext *d) { return HXDactylGetVerifyMode(d, &g_byte); }, "80 FE 01 06 01", {0x6983}},
    {"SetTimeOut",
     [](DeviceContext *d) { return HXDactylSetTimeOut(d, 0x1E); },
     "80 F9 06 06 01 1E",
     {0x6581, 0x6982, 0x6983}},
    {"GetTimeOut", [](DeviceContext *d) { return HXDactylGetTimeOut(d, &g_byte); }, "80 F9 05 06 01", {0x6983}},
    {"SetSecLevel",
     [](DeviceContext *d) { return HXDactylSetSecLevel(d, 3); },
     "80 F9 08 06 01 03",
     {0x6581, 0x6982, 0x6983}},
    {"GetSecLevel", [](DeviceContext *d) { return HXDactylGetSecLevel(d, &g_byte); }, "80 F9 07 06 01", {0x6983}},
    {"SetImageGain",
     [](DeviceContext *d) { return HXDactylSetImageGain(d, 0x80); },
     "80 F9 0B 06 01 80",
     {0x6581, 0x6982, 0x6983}},
    {"GetImageGain", [](DeviceContext *d) { return HXDactylGetImageGain(d, &g_byte); }, "80 F9 0A 06 01", {0x6983}},
    {"GetSecState", [](DeviceContext *d) { return HXDactylGetSecState(d, &g_byte); }, "80 F9 09 00 01", {0x6982}},
    {"GetMaxTmpltNum", [](DeviceContext *d) { return HXDactylGetMaxTmpltNum(d, &g_byte); }, "80 F9 04 06 01", {0x6982}},
    {"GetFingerCacheState",
     [](DeviceContext *d) { return HXDactylGetFingerCacheState(d, &g_byte); },
     "80 F9 00 06 01",
     {}},
    {"ClearFingerCache", [](DeviceContext *d) { return HXDactylClearFingerCache(d); }, "80 F9 01 06 01", {}},
    {"EnableFingerCache",
     [](DeviceContext *d) { return HXDactylEnableFingerCache(d, 1); },
     "80 F9 02 06 01",
     {0x6581, 0x6982, 0x6983}},
    {"DisableFingerCache",
     [](DeviceContext *d) { return HXDactylEnableFingerCache(d, 0); },
     "80 F9 03 06 01",
     {0x6581, 0x6982, 0x6983}},
    {"FeatureExtract",
     [](DeviceContext *d) { return HXDactylFeatureExtract(d, 2); },
     "80 FB 00 02 02",
     {0x6982, 0x6A07, 0x6A08, 0x6A0B, 0x6A11}},
};

TEST_P(SimpleFrame, SendsItsCommandOnce) {
    EXPECT_EQ(GetParam().call(device()), 0u);
    EXPECT_EQ(key().CommandsHex(), std::vector<std::string>{GetParam().command});
}

// Every status word a function may meet: the ones some function recognises,
// and a few nobody does.
const uint16_t kAllStatusWords[] = {0x6581, 0x6700, 0x6982, 0x6983, 0x6A07, 0x6A08, 0x6A0B, 0x6A11, 0x6A12, 0x6A13,
                                    0x6A14, 0x6A18, 0x6A80, 0x6A82, 0x6AFA, 0x6AFB, 0x6B00, 0x6D00, 0x6F00, 0x63C2};

TEST_P(SimpleFrame, MapsRecognisedStatusWordsAndNothingElse) {
    for (uint16_t statusWord : kAllStatusWords) {
        key().Reset();
        key().On("", statusWord);
        const bool recognised = std::count(GetParam().recognised.begin(), GetParam().recognised.end(), statusWord) > 0;
        EXPECT_EQ(GetParam().call(device()), recognised ? 0x80000000u + statusWord : 0x8000B001u)
            << std::hex << statusWord;
    }
}

TEST_P(SimpleFrame, TransportFailureIsAnUnknownStatus) {
    context_.state = 0;
    EXPECT_EQ(GetParam().call(device()), 0x8000B001u);
    EXPECT_TRUE(key().Commands().empty());
}

TEST_P(SimpleFrame, KeyManagerFailureWithASuccessfulLowHalfIsNoSuccess) {
    key().On("", 0x19000);
    EXPECT_EQ(GetParam().call(device()), 0x8000B001u);
}

TEST_P(SimpleFrame, NullHandleReportsTheLock) {
    EXPECT_EQ(GetParam().call(nullptr), 0x80009909u);
    EXPECT_TRUE(key().Commands().empty());
}

INSTANTIATE_TEST_SUITE_P(Functions, SimpleFrame, ::testing::ValuesIn(kFrameCases), fpkey_test::ByName());

struct GetterCase {
    const char *name;
    uint64_t (*get)(DeviceContext *, uint8_t *);
};

class Getters : public DeviceApi, public ::testing::WithParamInterface<GetterCase> {};

TEST_P(Getters, WriteTheFirstResponseByteOnlyOnSuccess) {
    key().On("", Answer{0x9000, {0x0A, 0x55}}, 1);
    key().On("", 0x6983);
    uint8_t value = 0x77;
    EXPECT_EQ(GetParam().get(device(), &value), 0u);
    EXPECT_EQ(value, 0x0A);
    value = 0x77;
    GetParam().get(device(), &value);
    const bool zeroedOnFailure = GetParam().get == HXDactylGetSecState;
    EXPECT_EQ(value, zeroedOnFailure ? 0 : 0x77);
}

TEST_P(Getters, SuccessWithoutDataReadsZero) {
    key().On("", Answer{0x9000, {}});
    uint8_t value = 0x77;
    EXPECT_EQ(GetParam().get(device(), &value), 0u);
    EXPECT_EQ(value, 0);
}

TEST_P(Getters, NullOutPointerSendsNothing) {
    EXPECT_EQ(GetParam().get(device(), nullptr), 0x8000B002u);
    EXPECT_TRUE(key().Commands().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Functions, Getters,
    ::testing::Values(GetterCase{"VerifyMode", HXDactylGetVerifyMode}, GetterCase{"TimeOut", HXDactylGetTimeOut},
                      GetterCase{"SecLevel", HXDactylGetSecLevel}, GetterCase{"ImageGain", HXDactylGetImageGain},
                      GetterCase{"SecState", HXDactylGetSecState}, GetterCase{"Capacity", HXDactylGetMaxTmpltNum},
                      GetterCase{"CacheState", HXDactylGetFingerCacheState}),
    fpkey_test::ByName());

TEST_F(DeviceApi, IsDactylAnswersOneOnlyForSuccess) {
    EXPECT_EQ(HXIsDactyl(device()), 1);
    EXPECT_EQ(key().CommandsHex(), std::vector<std::string>{"80 FA 02 00 2F"});
    key().On("", 0x6D00);
    EXPECT_EQ(HXIsDactyl(device()), 0);
    EXPECT_EQ(HXIsDactyl(nullptr), 0);
}

TEST_F(DeviceApi, VerifyModeAboveTwoIsRefusedUnsent) {
    for (uint8_t mode : {3, 200, 255}) EXPECT_EQ(HXDactylSetVerifyMode(device(), mode), 0x8000B002u);
    EXPECT_TRUE(key().Commands().empty());
}

TEST_F(DeviceApi, DeviceInfoCopiesTheAnswerWhateverTheStatus) {
    Bytes info(47);
    for (size_t i = 0; i < info.size(); ++i) info[i] = static_cast<uint8_t>('A' + i % 26);
    key().On("", Answer{0x9000, info}, 1);
    key().On("", 0x6AFB);
    uint8_t buffer[256] = {};
    uint64_t length = 0;
    EXPECT_EQ(HXDactylGetDeviceInfo(device(), buffer, &length), 0u);
    EXPECT_EQ(Bytes(buffer, buffer + length), info);

    length = 99;
    EXPECT_EQ(HXDactylGetDeviceInfo(device(), buffer, &length), 0x80006AFBu);
    EXPECT_EQ(length, 0u);

    length = 99;
    EXPECT_EQ(HXDactylGetDeviceInfo(nullptr, buffer, &length), 0x80009909u);
    EXPECT_EQ(length, 99u);
    EXPECT_EQ(HXDactylGetDeviceInfo(device(), nullptr, &length), 0x8000B002u);
    EXPECT_EQ(HXDactylGetDeviceInfo(device(), buffer, nullptr), 0x8000B002u);
    EXPECT_EQ(key().Commands().size(), 2u);
}

TEST_F(DeviceApi, GetResponseChainingReachesTheGetters) {
    key().On("80 F9 04", Answer{0x610A, {}});
    key().On("00 C0", Answer{0x9000, {0x0A}});
    uint8_t capacity = 0;
    EXPECT_EQ(HXDactylGetMaxTmpltNum(device(), &capacity), 0u);
    EXPECT_EQ(capacity, 0x0A);
    EXPECT_EQ(key().CommandsHex(), (std::vector<std::string>{"80 F9 04 06 01", "00 C0 00 00 0A"}));
}

}  // namespace
