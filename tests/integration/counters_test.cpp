// The retry counters of the simulated key and the lock mark the device API
// sets when finger matching is blocked.
#include "sim_key_fixture.h"

using namespace fpkey_test;

namespace {

bool LockMarkSet(DeviceContext *device) {
    uint8_t byte = 0;
    EXPECT_EQ(SCardReadBin(device, FP_LOCK_MARK_FILE_ID, 0x6A, &byte, 1), 1);
    return (byte & 0x04) != 0;
}

TEST_F(SimulatedKey, MismatchesCountDownToBlockedAndSetTheLockMark) {
    ASSERT_EQ(Enroll(1, "alice-right-index"), 0u);
    EXPECT_FALSE(LockMarkSet(device()));

    uint8_t matched = 0, attempts = 0xFF, previous = 0xFF;
    uint64_t result = 0;
    for (int i = 0; i < 20; ++i) {
        Present("mallory-any");
        result = HXDactylFeatureIdentify(device(), 0, &matched, &attempts);
        if (result != 0x80006A2F) break;
        EXPECT_LT(attempts, previous) << "the count goes down with every mismatch";
        previous = attempts;
    }
    EXPECT_EQ(result, 0x80006983u);
    EXPECT_EQ(attempts, 0);
    EXPECT_TRUE(LockMarkSet(device()));

    // Blocked stays blocked, even for the right finger.
    Present("alice-right-index");
    EXPECT_EQ(HXDactylFeatureIdentify(device(), 0, &matched, &attempts), 0x80006983u);
}

TEST_F(SimulatedKey, ASuccessResetsTheFingerCounter) {
    ASSERT_EQ(Enroll(1, "alice-right-index"), 0u);
    uint8_t matched = 0, first = 0, afterReset = 0;
    Present("mallory-any");
    ASSERT_EQ(HXDactylFeatureIdentify(device(), 0, &matched, &first), 0x80006A2Fu);
    Present("alice-right-index");
    ASSERT_EQ(HXDactylFeatureIdentify(device(), 0, &matched, &first), 0u);
    Present("mallory-any");
    ASSERT_EQ(HXDactylFeatureIdentify(device(), 0, &matched, &afterReset), 0x80006A2Fu);
    Present("mallory-any");
    uint8_t next = 0;
    ASSERT_EQ(HXDactylFeatureIdentify(device(), 0, &matched, &next), 0x80006A2Fu);
    EXPECT_EQ(next + 1, afterReset);
}

TEST_F(SimulatedKey, PinCountsDownToBlocked) {
    const uint8_t wrong[] = "000000";
    uint16_t statusWord = 0;
    uint64_t result = 0;
    int failures = 0;
    do {
        result = HXSCardVerifyUserPinBio(device(), wrong, 6, &statusWord);
        ++failures;
    } while (result != 0 && statusWord != 0x6983 && statusWord != 0x63C0 && failures < 20);
    EXPECT_EQ(statusWord, 0x63C0) << "the last wrong PIN leaves no attempts";
    const uint8_t right[] = "123456";
    EXPECT_EQ(HXSCardVerifyUserPinBio(device(), right, 6, &statusWord), 0x80006983u);
    EXPECT_EQ(statusWord, 0x6983);
}

TEST_F(SimulatedKey, RightPinIsAccepted) {
    const uint8_t right[] = "123456";
    uint16_t statusWord = 0;
    EXPECT_EQ(HXSCardVerifyUserPinBio(device(), right, 6, &statusWord), 0u);
}

TEST_F(SimulatedKey, SettingsAndCacheRoundTrip) {
    const struct {
        uint64_t (*set)(DeviceContext *, uint8_t);
        uint64_t (*get)(DeviceContext *, uint8_t *);
        uint8_t value;
    } settings[] = {{HXDactylSetVerifyMode, HXDactylGetVerifyMode, 2},
                    {HXDactylSetTimeOut, HXDactylGetTimeOut, 45},
                    {HXDactylSetSecLevel, HXDactylGetSecLevel, 5},
                    {HXDactylSetImageGain, HXDactylGetImageGain, 200}};
    for (const auto &setting : settings) {
        ASSERT_EQ(setting.set(device(), setting.value), 0u);
        uint8_t read = 0;
        ASSERT_EQ(setting.get(device(), &read), 0u);
        EXPECT_EQ(read, setting.value);
    }
    uint8_t state = 0xFF;
    ASSERT_EQ(HXDactylEnableFingerCache(device(), 1), 0u);
    ASSERT_EQ(HXDactylGetFingerCacheState(device(), &state), 0u);
    EXPECT_EQ(state & 1, 1);
    ASSERT_EQ(HXDactylEnableFingerCache(device(), 0), 0u);
    ASSERT_EQ(HXDactylGetFingerCacheState(device(), &state), 0u);
    EXPECT_EQ(state & 1, 0);
    EXPECT_EQ(HXDactylSelfTest(device()), 0u);
    EXPECT_EQ(HXIsDactyl(device()), 1);
}

TEST_F(SimulatedKey, ImageDownloadArrivesLineForLine) {
    std::vector<uint8_t> pixels(100 * 20);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 31);
    const ImageRecord image{100, 20, 0, pixels.data()};
    ASSERT_EQ(HXDactylDownloadImage(device(), &image), 0u);
    uint64_t lines = 0, lineBytes = 0;
    std::vector<uint8_t> received(pixels.size());
    ASSERT_EQ(HXSimLastImage(device(), &lines, &lineBytes, received.data(), received.size()), 0);
    EXPECT_EQ(lines, 100u);
    EXPECT_EQ(lineBytes, 20u);
    EXPECT_EQ(received, pixels);
}

}  // namespace
