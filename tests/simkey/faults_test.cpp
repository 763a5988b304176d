// Injected faults: which commands they hit, how often, and that they persist.
#include "sim_key_fixture.h"

namespace simkey_test {
namespace {

using simkey_test::operator<<;  // cases declared here print as their name

struct FaultCase {
    const char *name;
    uint32_t statusWord;
    const char *kind;    // null: the kind the status word belongs to
    const char *hit;     // a command the fault answers
    const char *spared;  // a command it leaves alone
    uint32_t sparedStatus;
};

class InjectedFault : public SimKeyTest, public ::testing::WithParamInterface<FaultCase> {
protected:
    void SetUp() override {
        SimKeyTest::SetUp();
        authenticate();
        ASSERT_EQ(HXSimPlaceFinger(&context_, "alice"), 0);
    }
};

TEST_P(InjectedFault, AnswersItsKindOfCommandOnce) {
    const auto &c = GetParam();
    ASSERT_EQ(HXSimInjectFault(&context_, c.statusWord, c.kind, 1), 0) << HXKeyLastError();
    EXPECT_EQ(status(c.spared), c.sparedStatus) << "spared before";
    EXPECT_EQ(status(c.hit), c.statusWord);
    EXPECT_NE(status(c.hit), c.statusWord) << "used up";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, InjectedFault,
    ::testing::Values(FaultCase{"DirtySensorHitsCapture", 0x6A0A, nullptr, "80 FA 00 00 02", "80 FB 00 01 02", 0x6A11},
                      FaultCase{"PoorImageHitsExtraction", 0x6A07, nullptr, "80 FB 00 01 02", "80 FA 00 00 02", 0x9000},
                      FaultCase{"TooFewFeaturesHitsExtraction", 0x6A08, nullptr, "80 FB 00 01 02", "80 FA 00 00 02",
                                0x9000},
                      FaultCase{"SmallAreaHitsExtraction", 0x6A0B, nullptr, "80 FB 00 01 02", "80 FA 00 00 02", 0x9000},
                      FaultCase{"NoImageHitsExtraction", 0x6A11, nullptr, "80 FB 00 01 02", "80 FA 00 00 02", 0x9000},
                      FaultCase{"OtherStatusHitsAnything", 0x6F00, nullptr, "80 F9 05 06 01", "00 C0 00 00 10", 0x6985},
                      FaultCase{"IdentifyOnly", 0x6A14, "identify", "80 FD 06 00 01", "80 FD 06 01 01", 0x6A11},
                      FaultCase{"VerifyOnly", 0x6A14, "verify", "80 FD 16 02 01", "80 FD 06 00 01", 0x6A11},
                      FaultCase{"EnrollOnly", 0x6A10, "enroll", "80 FC 00 A0 02", "80 FD 06 00 01", 0x6A11},
                      FaultCase{"PinOnly", 0x6983, "pin", "00 20 00 00", "80 FA 00 00 02", 0x9000},
                      FaultCase{"CaptureNotSelfTest", 0x6A0E, "capture", "80 FA 00 00 02", "80 FA 01 00 02", 0x9000}),
    CaseName());

using Faults = SimKeyTest;

TEST_F(Faults, CountSaysHowManyCommandsAreHit) {
    ASSERT_EQ(HXSimInjectFault(&context_, 0x6581, "any", 3), 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(status("80 F9 05 06 01"), 0x6581u);
    }
    EXPECT_EQ(status("80 F9 05 06 01"), 0x9000u);
}

TEST_F(Faults, PersistUntilUsedEvenAcrossConnections) {
    ASSERT_EQ(HXSimInjectFault(&context_, 0x6A0A, nullptr, 1), 0);
    HXKeyClose(&context_);
    ASSERT_EQ(HXKeyOpen(address().c_str(), &context_), 0);
    EXPECT_EQ(status("80 FA 00 00 02"), 0x6A0Au);
    EXPECT_EQ(status("80 FA 00 00 02"), 0x6A0Eu);
}

TEST_F(Faults, TransportCodeComesFromTheKeyManagerItself) {
    ASSERT_EQ(HXSimInjectFault(&context_, 1117, "any", 1), 0);
    EXPECT_EQ(status("80 F9 05 06 01"), 1117u);
    EXPECT_EQ(status("80 F9 05 06 01"), 0x9000u);
}

TEST_F(Faults, ClearRemovesThemAll) {
    ASSERT_EQ(HXSimInjectFault(&context_, 0x6A0A, nullptr, 5), 0);
    ASSERT_EQ(HXSimInjectFault(&context_, 0x6F00, "any", 5), 0);
    ASSERT_EQ(HXSimClearFaults(&context_), 0);
    EXPECT_EQ(status("80 F9 05 06 01"), 0x9000u);
}

TEST_F(Faults, EarlierFaultIsUsedFirst) {
    ASSERT_EQ(HXSimInjectFault(&context_, 0x6A0A, "capture", 1), 0);
    ASSERT_EQ(HXSimInjectFault(&context_, 0x6F00, "any", 1), 0);
    EXPECT_EQ(status("80 FA 00 00 02"), 0x6A0Au);
    EXPECT_EQ(status("80 FA 00 00 02"), 0x6F00u);
    EXPECT_EQ(status("80 FA 00 00 02"), 0x6A0Eu);
}

TEST_F(Faults, NonsenseIsRefused) {
    EXPECT_EQ(HXSimInjectFault(&context_, 0x6A0A, "sneeze", 1), -2);
    EXPECT_EQ(HXSimInjectFault(&context_, 0, nullptr, 1), -2);
    EXPECT_EQ(HXSimInjectFault(&context_, 0x9000, nullptr, 1), -2);
    EXPECT_EQ(HXSimInjectFault(&context_, 0x6A0A, nullptr, 0), -2);
    EXPECT_EQ(status("80 FA 00 00 02"), 0x6A0Eu) << "nothing was injected";
}

}  // namespace
}  // namespace simkey_test
