// A key that talks T=0 answers data-bearing commands with 0x61xx; the
// exchange fetches the data with GET RESPONSE, invisibly to the callers.
#include "sim_key_fixture.h"

using namespace fpkey_test;

namespace {

TEST_F(SimulatedKey, TZeroKeyWorksThroughGetResponse) {
    ASSERT_EQ(Enroll(1, "alice-right-index"), 0u);
    DeviceContext t0{};
    ASSERT_EQ(HXKeyOpen(("sim-t0:" + path_.string()).c_str(), &t0), 0) << HXKeyLastError();
    EXPECT_EQ(t0.activeProtocol, 1u);
    ASSERT_EQ(HXSCardAuthBio(&t0), 0u);

    uint8_t capacity = 0;
    EXPECT_EQ(HXDactylGetMaxTmpltNum(&t0, &capacity), 0u);
    EXPECT_EQ(capacity, 10);
    uint8_t info[256];
    uint64_t length = 0;
    EXPECT_EQ(HXDactylGetDeviceInfo(&t0, info, &length), 0u);
    EXPECT_EQ(length, 47u);
    uint8_t index[200] = {};
    EXPECT_EQ(HXDactylReadIndexFile(&t0, index), 0u);
    EXPECT_EQ(index[0], 1);

    HXSimPlaceFinger(&t0, "alice-right-index");
    ASSERT_EQ(HXDactylCaptureImage(&t0), 0u);
    ASSERT_EQ(HXDactylFeatureExtract(&t0, 1), 0u);
    uint8_t matched = 0, attempts = 0;
    EXPECT_EQ(HXDactylFeatureIdentify(&t0, 0, &matched, &attempts), 0u);
    EXPECT_EQ(matched, 1);
    HXKeyClose(&t0);
}

}  // namespace
