// Every device function refuses a null place to write or read with
// 0x8000B002, before anything reaches the key.
#include "test_names.h"
#include "api_fixture.h"

using namespace fpkey_test;

namespace {

uint8_t g_byte;
uint64_t g_length;

class NullArguments : public DeviceApi, public ::testing::WithParamInterface<DeviceCall> {};

TEST_P(NullArguments, AreRefusedUnsent) {
    key().On("80 F9 04", Answer{0x9000, {10}});
    EXPECT_EQ(GetParam().call(device()), 0x8000B002u);
    EXPECT_TRUE(key().Commands().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Functions, NullArguments,
    ::testing::Values(
        DeviceCall{"DeviceInfoBuffer", [](DeviceContext *d) { return HXDactylGetDeviceInfo(d, nullptr, &g_length); }},
        DeviceCall{"DeviceInfoLength", [](DeviceContext *d) { return HXDactylGetDeviceInfo(d, &g_byte, nullptr); }},
        DeviceCall{"VerifyMode", [](DeviceContext *d) { return HXDactylGetVerifyMode(d, nullptr); }},
        DeviceCall{"SecState", [](DeviceContext *d) { return HXDactylGetSecState(d, nullptr); }},
        DeviceCall{"Capacity", [](DeviceContext *d) { return HXDactylGetMaxTmpltNum(d, nullptr); }},
        DeviceCall{"CacheState", [](DeviceContext *d) { return HXDactylGetFingerCacheState(d, nullptr); }},
        DeviceCall{"VerifyAttempts", [](DeviceContext *d) { return HXDactylFeatureVerify(d, 0, 1, nullptr); }},
        DeviceCall{"IdentifyNumber", [](DeviceContext *d) { return HXDactylFeatureIdentify(d, 0, nullptr, &g_byte); }},
        DeviceCall{"IdentifyAttempts",
                   [](DeviceContext *d) { return HXDactylFeatureIdentify(d, 0, &g_byte, nullptr); }},
        DeviceCall{"TestMatchNumber", [](DeviceContext *d) { return HXDactylFeatureVerifyTest(d, 1, nullptr); }},
        DeviceCall{"EnrollDescription", [](DeviceContext *d) { return HXDactylFeatureEnroll(d, 1, nullptr); }},
        DeviceCall{"IndexBuffer", [](DeviceContext *d) { return HXDactylReadIndexFile(d, nullptr); }},
        DeviceCall{"ImageRecord", [](DeviceContext *d) { return HXDactylDownloadImage(d, nullptr); }}),
    fpkey_test::ByName());

}  // namespace
