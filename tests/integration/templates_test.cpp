// Enrolment, identification, verification and deletion on the simulated
// key, through the public C API only.
#include "test_names.h"
#include "sim_key_fixture.h"

using namespace fpkey_test;

namespace {

TEST_F(SimulatedKey, EnrolledFingerIsIdentifiedAndOthersAreNot) {
    ASSERT_EQ(Enroll(1, "alice-right-index"), 0u);
    ASSERT_EQ(Enroll(2, "bob-left-thumb"), 0u);

    uint8_t matched = 0, attempts = 0;
    Present("bob-left-thumb");
    EXPECT_EQ(HXDactylFeatureIdentify(device(), 0, &matched, &attempts), 0u);
    EXPECT_EQ(matched, 2);

    Present("mallory-any");
    EXPECT_EQ(HXDactylFeatureIdentify(device(), 0, &matched, &attempts), 0x80006A2Fu);
    EXPECT_GT(attempts, 0);
}

TEST_F(SimulatedKey, VerificationChecksOneTemplate) {
    ASSERT_EQ(Enroll(3, "alice-right-index"), 0u);
    ASSERT_EQ(Enroll(4, "bob-left-thumb"), 0u);
    uint8_t attempts = 0;
    Present("alice-right-index");
    EXPECT_EQ(HXDactylFeatureVerify(device(), 0, 3, &attempts), 0u);
    Present("alice-right-index");
    EXPECT_EQ(HXDactylFeatureVerify(device(), 0, 4, &attempts), 0x80006A21u);
}

TEST_F(SimulatedKey, IndexRecordsEnrolmentAndDeletionClearsIt) {
    ASSERT_EQ(Enroll(2, "alice-right-index"), 0u);
    uint8_t index[10 * 20] = {};
    ASSERT_EQ(HXDactylReadIndexFile(device(), index), 0u);
    EXPECT_EQ(index[20], 1);
    EXPECT_EQ(index[21], 7);
    EXPECT_EQ(index[22] << 8 | index[23], 5 * 32) << "first template file is number 5";

    ASSERT_EQ(HXDactylDeleteFingerPrint(device(), 2), 0u);
    ASSERT_EQ(HXDactylReadIndexFile(device(), index), 0u);
    for (int i = 20; i < 40; ++i) EXPECT_EQ(index[i], 0) << i;

    uint8_t matched = 0, attempts = 0;
    Present("alice-right-index");
    EXPECT_NE(HXDactylFeatureIdentify(device(), 0, &matched, &attempts), 0u);
    // A deleted template's file number is not reused.
    ASSERT_EQ(Enroll(2, "alice-right-index"), 0u);
    ASSERT_EQ(HXDactylReadIndexFile(device(), index), 0u);
    EXPECT_EQ(index[22] << 8 | index[23], 6 * 32);
}

// A host writes the description and reads the index back with the
// accessors of the public header alone.
TEST_F(SimulatedKey, IndexAccessorsCarryTagAndLabelThroughTheKey) {
    HXSimPlaceFinger(device(), "alice-right-index");
    for (uint8_t slot = 1; slot <= 3; ++slot) {
        ASSERT_EQ(HXDactylCaptureImage(device()), 0u);
        ASSERT_EQ(HXDactylFeatureExtract(device(), slot), 0u);
    }
    HXSimLiftFinger(device());
    const std::string label = "alice right index";  // one character more than an entry holds
    uint8_t description[FP_INDEX_ENTRY_SIZE] = {};
    FpIndexEntrySetTag(description, 0xA5);
    FpIndexEntrySetCallerData(description, reinterpret_cast<const uint8_t *>(label.data()), label.size());
    ASSERT_EQ(HXDactylFeatureEnroll(device(), 3, description), 0u);

    uint8_t index[FP_INDEX_MAX_BYTES] = {};
    ASSERT_EQ(HXDactylReadIndexFile(device(), index), 0u);
    const uint8_t *entry = index + FP_INDEX_ENTRY_OFFSET(3);
    EXPECT_TRUE(FpIndexEntryEnrolled(entry));
    EXPECT_EQ(FpIndexEntryTag(entry), 0xA5);
    EXPECT_EQ(FpIndexEntryFileId(entry), 5 * 32);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(FpIndexEntryCallerData(entry)), FP_INDEX_CALLER_DATA_SIZE),
              label.substr(0, FP_INDEX_CALLER_DATA_SIZE));
    EXPECT_FALSE(FpIndexEntryEnrolled(index + FP_INDEX_ENTRY_OFFSET(2)));
    EXPECT_EQ(FpIndexEntryFileId(index + FP_INDEX_ENTRY_OFFSET(2)), 0);
}

TEST_F(SimulatedKey, FailedCapturesAreReportedAndEnrolmentNeedsAgreeingCaptures) {
    uint8_t description[20] = {};
    EXPECT_EQ(HXDactylCaptureImage(device()), 0x80006A0Eu) << "no finger on the sensor";

    HXSimPlaceFinger(device(), "alice-right-index");
    for (uint8_t slot = 1; slot <= 2; ++slot) {
        ASSERT_EQ(HXDactylCaptureImage(device()), 0u);
        ASSERT_EQ(HXDactylFeatureExtract(device(), slot), 0u);
    }
    HXSimPlaceFinger(device(), "bob-left-thumb");
    ASSERT_EQ(HXDactylCaptureImage(device()), 0u);
    ASSERT_EQ(HXDactylFeatureExtract(device(), 3), 0u);
    EXPECT_EQ(HXDactylFeatureEnroll(device(), 1, description), 0x80006A10u);

    // The failed attempt kept its template file for the next one.
    uint8_t index[200] = {};
    ASSERT_EQ(HXDactylReadIndexFile(device(), index), 0u);
    EXPECT_EQ(index[0], 0);
    EXPECT_NE(index[2] << 8 | index[3], 0);
}

TEST_F(SimulatedKey, InjectedExtractionFaultsReachTheCaller) {
    const uint16_t faults[] = {0x6A07, 0x6A08, 0x6A0B, 0x6A11};
    HXSimPlaceFinger(device(), "alice-right-index");
    for (uint16_t fault : faults) {
        ASSERT_EQ(HXSimInjectFault(device(), fault, nullptr, 1), 0);
        ASSERT_EQ(HXDactylCaptureImage(device()), 0u);
        EXPECT_EQ(HXDactylFeatureExtract(device(), 1), 0x80000000u + fault);
    }
}

// Failures another capture cannot cure end a polling caller with their reason.
struct CaptureFaultCase {
    const char *name;
    uint32_t fault;  // 0: the key is pulled
    uint64_t result;
};

class CaptureFaults : public SimulatedKey, public ::testing::WithParamInterface<CaptureFaultCase> {};

TEST_P(CaptureFaults, AreReportedAsThemselves) {
    DeviceContext second{};
    ASSERT_EQ(HXKeyOpen(("sim:" + path_.string()).c_str(), &second), 0);
    ASSERT_EQ(HXSimPlaceFinger(&second, "alice-right-index"), 0);
    if (GetParam().fault == 0) {
        // The host still holds the context of a key that went away.
        const DeviceContext stale = second;
        HXKeyClose(&second);
        second = stale;
    } else {
        ASSERT_EQ(HXSimInjectFault(&second, GetParam().fault, "capture", 1), 0);
    }
    EXPECT_EQ(HXDactylCaptureImage(&second), GetParam().result);
    HXKeyClose(&second);
}

INSTANTIATE_TEST_SUITE_P(Faults, CaptureFaults,
                         ::testing::Values(CaptureFaultCase{"DirtySensor", 0x6A0A, 0x80006A0A},
                                           CaptureFaultCase{"NotLoggedIn", 0x6982, 0x80006982},
                                           CaptureFaultCase{"KeyPulled", 0, 0x8000B001},
                                           CaptureFaultCase{"FailedCaptureIsTriedAgain", 0x6A09, 0x80006A09}),
                         fpkey_test::ByName());

TEST_F(SimulatedKey, WithoutAuthenticationFingerCommandsAreRefused) {
    DeviceContext second{};
    ASSERT_EQ(HXKeyOpen(("sim:" + path_.string()).c_str(), &second), 0);
    EXPECT_EQ(HXDactylFeatureExtract(&second, 1), 0x80006982u);
    uint8_t state = 9;
    EXPECT_EQ(HXDactylGetSecState(&second, &state), 0x80006982u);
    EXPECT_EQ(state, 0);
    EXPECT_EQ(HXDactylGetSecState(device(), &state), 0u);
    EXPECT_GE(state, 1);
    HXKeyClose(&second);
}

}  // namespace
