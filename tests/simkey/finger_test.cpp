// Capture, extraction, enrolment and matching with virtual fingers, the
// finger retry counter and the finger cache.
#include "sim_key_fixture.h"

namespace simkey_test {
namespace {

using simkey_test::operator<<;  // cases declared here print as their name

class Finger : public SimKeyTest {
protected:
    void SetUp() override {
        SimKeyTest::SetUp();
        authenticate();
    }
};

TEST_F(Finger, CaptureWithoutFingerIsNotComplete) {
    EXPECT_EQ(status("80 FA 00 00 02"), 0x6A0Eu);
    EXPECT_EQ(status("80 FB 00 01 02"), 0x6A11u);
}

TEST_F(Finger, CaptureReportsTheSameQualityForTheSameFinger) {
    ASSERT_EQ(HXSimPlaceFinger(&context_, "alice right thumb"), 0);
    const Reply first = send("80 FA 00 00 02");
    ASSERT_EQ(first.status, 0x9000u);
    ASSERT_EQ(first.data.size(), 2u);
    EXPECT_GE(first.data[0], 60);
    EXPECT_LE(first.data[0], 100);
    EXPECT_EQ(send("80 FA 00 00 02").data, first.data);
    EXPECT_EQ(send("80 FA 01 00 02").data, hexBytes("00 01")) << "self test sees the finger";
}

TEST_F(Finger, LiftedFingerLeavesNoImage) {
    presentFinger("alice", 1);
    ASSERT_EQ(HXSimLiftFinger(&context_), 0);
    EXPECT_EQ(status("80 FA 00 00 02"), 0x6A0Eu);
    EXPECT_EQ(status("80 FB 00 02 02"), 0x6A11u);
}

TEST_F(Finger, EnrollNeedsAllThreeSlots) {
    ASSERT_EQ(status("80 E0 00 A0 07 28 03 88 EF EF FF FF"), 0x9000u);
    presentFinger("alice", 2);
    EXPECT_EQ(status("80 FC 00 A0 02"), 0x6A11u);
}

TEST_F(Finger, EnrollRefusesSlotsFromDifferentFingersAndStartsOver) {
    ASSERT_EQ(status("80 E0 00 A0 07 28 03 88 EF EF FF FF"), 0x9000u);
    presentFinger("alice", 2);
    presentFinger("bob", 0);
    ASSERT_EQ(status("80 FB 00 03 02"), 0x9000u);
    EXPECT_EQ(status("80 FC 00 A0 02"), 0x6A10u);
    EXPECT_EQ(status("80 FC 00 A0 02"), 0x6A11u) << "the slots were used up";
    EXPECT_EQ(readFile(0x00A0, 0, 4), hexBytes("00000000")) << "nothing was written";
}

TEST_F(Finger, EnrollIntoMissingOrSystemFileIsRefused) {
    presentFinger("alice");
    EXPECT_EQ(status("80 FC 00 C0 02"), 0x6A82u);
    EXPECT_EQ(status("80 FC 05 20 02"), 0x6985u);
    EXPECT_EQ(status("80 FC 00 20 02"), 0x6985u);
}

TEST_F(Finger, EnrollIntoTooSmallFileIsRefused) {
    ASSERT_EQ(status("80 E0 00 A0 07 28 00 10 EF EF FF FF"), 0x9000u);
    presentFinger("alice");
    EXPECT_EQ(status("80 FC 00 A0 02"), 0x6A84u);
}

TEST_F(Finger, EnrolledTemplateIsCountedInTheDeviceInfo) {
    enrollTemplate(3, "alice");
    EXPECT_EQ(send("80 FA 02 00 2F").data.at(41), 1);
    EXPECT_NE(readFile(0x00E0, 0, 4), hexBytes("00000000")) << "the template record is in its file";
}

TEST_F(Finger, IdentifyNamesTheMatchingTemplate) {
    enrollTemplate(1, "alice");
    enrollTemplate(2, "bob");
    presentFinger("bob", 1);
    const Reply reply = send("80 FD 06 00 01");
    ASSERT_EQ(reply.status, 0x9000u);
    EXPECT_EQ(reply.data, hexBytes("02"));
}

struct MatchCase {
    const char *name;
    const char *finger;
    const char *apdu;
    uint32_t status;
    std::vector<uint8_t> data;
};

class Match : public Finger, public ::testing::WithParamInterface<MatchCase> {};

TEST_P(Match, AnswersByTheEnrolledTemplates) {
    enrollTemplate(1, "alice");
    enrollTemplate(2, "bob");
    presentFinger(GetParam().finger, 1);
    const Reply reply = send(GetParam().apdu);
    EXPECT_EQ(reply.status, GetParam().status);
    EXPECT_EQ(reply.data, GetParam().data);
}

INSTANTIATE_TEST_SUITE_P(Finger, Match,
                         ::testing::Values(MatchCase{"IdentifyStranger", "carol", "80 FD 06 00 01", 0x63C4, {}},
                                           MatchCase{"VerifyRightTemplate", "alice", "80 FD 06 01 01", 0x9000, {1}},
                                           MatchCase{"VerifyOtherTemplate", "alice", "80 FD 06 02 01", 0x63C4, {}},
                                           MatchCase{"VerifyEmptyEntry", "alice", "80 FD 06 03 01", 0x6A88, {}},
                                           MatchCase{"VerifyBeyondCapacity", "alice", "80 FD 06 0B 01", 0x6A88, {}},
                                           MatchCase{"TestMatchIdentify", "bob", "80 FD 26 00 01", 0x9000, {2}},
                                           MatchCase{"TestMatchVerify", "bob", "80 FD 26 02 01", 0x9000, {2}},
                                           MatchCase{"TestMatchMismatch", "carol", "80 FD 26 00 01", 0x6A21, {}},
                                           MatchCase{"CacheMatchWhileCacheOff", "alice", "80 FD 16 00 01", 0x6A12, {}}),
                         CaseName());

TEST_F(Finger, MatchWithoutTemplatesFindsNoData) {
    presentFinger("alice", 1);
    EXPECT_EQ(status("80 FD 06 00 01"), 0x6A88u);
}

TEST_F(Finger, MatchNeedsSlotOne) {
    enrollTemplate(1, "alice");
    EXPECT_EQ(status("80 FD 06 00 01"), 0x6A11u);
}

TEST_F(Finger, PasswordModeRefusesMatching) {
    enrollTemplate(1, "alice");
    presentFinger("alice", 1);
    ASSERT_EQ(status("80 FE 00 06 01 00"), 0x9000u);
    EXPECT_EQ(status("80 FD 06 00 01"), 0x6A14u);
}

TEST_F(Finger, MismatchesCountDownToBlocked) {
    enrollTemplate(1, "alice");
    presentFinger("mallory", 1);
    for (uint32_t left = 4;; --left) {
        ASSERT_EQ(status("80 FD 06 00 01"), 0x63C0u + left);
        if (left == 0) {
            break;
        }
    }
    EXPECT_EQ(status("80 FD 06 00 01"), 0x6983u);
    presentFinger("alice", 1);
    EXPECT_EQ(status("80 FD 06 01 01"), 0x6983u) << "blocked even for the right finger";
    EXPECT_EQ(status("80 FD 26 00 01"), 0x6983u);
}

TEST_F(Finger, TestMatchDoesNotCount) {
    enrollTemplate(1, "alice");
    presentFinger("mallory", 1);
    for (int i = 0; i < 6; ++i) {
        ASSERT_EQ(status("80 FD 26 00 01"), 0x6A21u);
    }
    EXPECT_EQ(status("80 FD 06 00 01"), 0x63C4u);
}

TEST_F(Finger, SuccessRestoresTheFingerCounter) {
    enrollTemplate(1, "alice");
    presentFinger("mallory", 1);
    for (int i = 0; i < 4; ++i) {
        send("80 FD 06 00 01");
    }
    presentFinger("alice", 1);
    ASSERT_EQ(status("80 FD 06 00 01"), 0x9000u);
    presentFinger("mallory", 1);
    EXPECT_EQ(status("80 FD 06 00 01"), 0x63C4u);
}

TEST_F(Finger, RightPinUnblocksFingerMatching) {
    enrollTemplate(1, "alice");
    presentFinger("mallory", 1);
    for (int i = 0; i < 5; ++i) {
        send("80 FD 06 00 01");
    }
    ASSERT_EQ(status("80 FD 06 00 01"), 0x6983u);
    ASSERT_EQ(status("00 20 00 00 06 313233343536"), 0x9000u);
    presentFinger("alice", 1);
    EXPECT_EQ(status("80 FD 06 00 01"), 0x9000u);
}

TEST_F(Finger, TemplateWhoseFileIsGoneDoesNotMatch) {
    enrollTemplate(1, "alice");
    ASSERT_EQ(status("00 E4 00 00 02 00 A0"), 0x9000u);
    presentFinger("alice", 1);
    EXPECT_EQ(status("80 FD 06 00 01"), 0x63C4u);
}

using FingerCache = Finger;

TEST_F(FingerCache, SuccessfulMatchFillsTheCache) {
    enrollTemplate(1, "alice");
    enrollTemplate(2, "bob");
    ASSERT_EQ(status("80 F9 02 06 01"), 0x9000u);
    presentFinger("alice", 1);
    ASSERT_EQ(status("80 FD 06 00 01"), 0x9000u);
    EXPECT_EQ(send("80 F9 00 06 01").data, hexBytes("03"));
    EXPECT_EQ(send("80 FD 16 00 01").data, hexBytes("01"));

    presentFinger("bob", 1);
    EXPECT_EQ(status("80 FD 16 00 01"), 0x63C4u) << "bob is enrolled but not cached";
    EXPECT_EQ(status("80 FD 16 02 01"), 0x6A88u);
}

TEST_F(FingerCache, ClearEmptiesAndDisableSwitchesOff) {
    enrollTemplate(1, "alice");
    ASSERT_EQ(status("80 F9 02 06 01"), 0x9000u);
    presentFinger("alice", 1);
    ASSERT_EQ(status("80 FD 06 00 01"), 0x9000u);
    EXPECT_EQ(send("80 F9 01 06 01").data, hexBytes("01"));
    EXPECT_EQ(status("80 FD 16 00 01"), 0x6A13u);
    ASSERT_EQ(status("80 FD 06 00 01"), 0x9000u);
    EXPECT_EQ(send("80 F9 03 06 01").data, hexBytes("00"));
    EXPECT_EQ(status("80 FD 16 00 01"), 0x6A12u);
}

TEST_F(FingerCache, TemplateRemovedFromTheIndexLeavesTheCache) {
    enrollTemplate(1, "alice");
    ASSERT_EQ(status("80 F9 02 06 01"), 0x9000u);
    presentFinger("alice", 1);
    ASSERT_EQ(status("80 FD 06 00 01"), 0x9000u);
    // What the host does to delete template 1: erase its file, clear its entry.
    ASSERT_EQ(status("00 E4 00 00 02 00 A0"), 0x9000u);
    ASSERT_EQ(status("00 A4 00 00 02 05 20"), 0x9000u);
    ASSERT_EQ(send(hexBytes("00 D6 00 00 14 0000000000000000000000000000000000000000")).status, 0x9000u);
    EXPECT_EQ(send("80 F9 00 06 01").data, hexBytes("01"));
    EXPECT_EQ(status("80 FD 16 00 01"), 0x6A13u);
}

}  // namespace
}  // namespace simkey_test
