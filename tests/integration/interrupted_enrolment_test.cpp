// Enrolment and deletion on the simulated key after many cycles and after
// operations cut short between two of their commands.
#include "test_names.h"
#include "sim_key_fixture.h"

using namespace fpkey_test;

namespace {

constexpr uint8_t kTemplateFileParameters[] = {0x28, 0x03, 0x88, 0xEF, 0xEF, 0xFF, 0xFF};

uint16_t EntryFileId(DeviceContext *device, uint8_t number) {
    uint8_t index[FP_INDEX_MAX_BYTES] = {};
    if (HXDactylReadIndexFile(device, index) != 0) return 0;
    return FpIndexEntryFileId(index + FP_INDEX_ENTRY_OFFSET(number));
}

TEST_F(SimulatedKey, FortyEnrolDeleteCyclesKeepWorking) {
    for (int cycle = 1; cycle <= 40; ++cycle) {
        ASSERT_EQ(Enroll(1, "alice-right-index"), 0u) << "cycle " << cycle;
        const uint16_t fileId = EntryFileId(device(), 1);
        ASSERT_NE(fileId, FP_INDEX_FILE_ID) << "cycle " << cycle;
        ASSERT_EQ(HXDactylDeleteFingerPrint(device(), 1), 0u) << "cycle " << cycle;
    }
    ASSERT_EQ(Enroll(1, "alice-right-index"), 0u);
    uint8_t matched = 0, attempts = 0;
    Present("alice-right-index");
    EXPECT_EQ(HXDactylFeatureIdentify(device(), 0, &matched, &attempts), 0u);
    EXPECT_EQ(matched, 1);
}

// A key left as an enrolment or deletion leaves it when the process dies
// between two of its commands.
class Interrupted;
struct InterruptedCase {
    const char *name;
    void (*leave)(Interrupted &key);
};

class Interrupted : public SimulatedKey, public ::testing::WithParamInterface<InterruptedCase> {
public:
    DeviceContext *Key() { return device(); }
    uint64_t EnrollFinger(uint8_t number, const char *finger) { return Enroll(number, finger); }
};

TEST_P(Interrupted, KeyStillDeletesEnrolsAndIdentifies) {
    GetParam().leave(*this);
    if (HasFatalFailure()) return;
    EXPECT_EQ(HXDactylDeleteFingerPrint(device(), 1), 0u);
    ASSERT_EQ(Enroll(1, "alice-right-index"), 0u);
    uint8_t matched = 0, attempts = 0;
    Present("alice-right-index");
    EXPECT_EQ(HXDactylFeatureIdentify(device(), 0, &matched, &attempts), 0u);
    EXPECT_EQ(matched, 1);
    EXPECT_EQ(HXDactylDeleteFingerPrint(device(), 1), 0u);
}

void CreateTemplateFile(DeviceContext *device, uint16_t number) {
    ASSERT_EQ(SCardCreateFile(device, static_cast<uint16_t>(number * 32), kTemplateFileParameters,
                              sizeof kTemplateFileParameters),
              1)
        << number;
}

INSTANTIATE_TEST_SUITE_P(
    States, Interrupted,
    ::testing::Values(InterruptedCase{"AfterCreateFile", [](Interrupted &key) { CreateTemplateFile(key.Key(), 5); }},
                      InterruptedCase{"AfterTheEraseOfADeletion",
                                      [](Interrupted &key) {
                                          ASSERT_EQ(key.EnrollFinger(1, "bob-left-thumb"), 0u);
                                          ASSERT_EQ(SCardEraseEF(key.Key(), EntryFileId(key.Key(), 1)), 1);
                                      }},
                      // Enrolments killed after the record update, until the key is full.
                      InterruptedCase{"AfterTheRecordUntilTheKeyIsFull",
                                      [](Interrupted &key) {
                                          uint16_t number = 5;
                                          while (number < 200 &&
                                                 (number * 32 == FP_INDEX_FILE_ID ||
                                                  SCardCreateFile(key.Key(), number * 32, kTemplateFileParameters,
                                                                  sizeof kTemplateFileParameters))) {
                                              ++number;
                                          }
                                          ASSERT_LT(number, 200);
                                          ASSERT_EQ(token_set_next_fid(key.Key(), number), 0u);
                                      }}),
    fpkey_test::ByName());

}  // namespace
