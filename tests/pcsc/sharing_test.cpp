// A key behind pcscd among several programs: an exclusive connection owns
// the key for a whole operation, shared ones only read, a waiting program
// gets the key when it is let go, and a reset by another program costs one
// exchange and the authentication.
#include <chrono>
#include <cstring>
#include <thread>

#include "card_reset.h"
#include "durability/fpkey_process.h"
#include "key_fixture.h"
#include "test_names.h"

namespace pcsc_test {
namespace {

struct SharingCase {
    const char *name;
    int ours;                         // how this test holds the key
    std::vector<std::string> theirs;  // another program's fpkey command
    int theirStatus;
    const char *theirText;
};

class Sharing : public KeyBehindPcscd, public ::testing::WithParamInterface<SharingCase> {};

TEST_P(Sharing, AnotherProgramGetsTheKeyOnlyAsTheShareModesAllow) {
    Serve();
    ASSERT_EQ(OpenWhenInserted(address(), &key_), 0) << HXKeyLastError();
    HXKeyClose(&key_);
    ASSERT_EQ(HXKeyConnect(address().c_str(), GetParam().ours, 0, &key_), 0) << HXKeyLastError();
    std::vector<std::string> command{"--device", address(), "--wait", "0.3"};
    command.insert(command.end(), GetParam().theirs.begin(), GetParam().theirs.end());
    const durability_test::Outcome theirs = durability_test::finishFpkey(durability_test::startFpkey(command));
    EXPECT_EQ(theirs.exitStatus, GetParam().theirStatus) << theirs.output;
    EXPECT_NE(theirs.output.find(GetParam().theirText), std::string::npos) << theirs.output;
    uint8_t capacity = 0;
    EXPECT_EQ(HXDactylGetMaxTmpltNum(&key_, &capacity), 0u) << "our connection is undisturbed";
}

INSTANTIATE_TEST_SUITE_P(
    Modes, Sharing,
    ::testing::Values(
        SharingCase{"ExclusiveKeepsAReaderOut",
                    HXKEY_SHARE_EXCLUSIVE,
                    {"info"},
                    2,
                    "key busy: another program has the key in reader \"fpkey vpcd 00 00\" open (waited 0.3 s)"},
        SharingCase{"SharedAdmitsAReader", HXKEY_SHARE_SHARED, {"info"}, 0, "capacity:     10 templates"},
        SharingCase{"SharedKeepsAnOperationOut", HXKEY_SHARE_SHARED, {"selftest"}, 2, "key busy"}),
    fpkey_test::ByName());

TEST_F(KeyBehindPcscd, AWaitingProgramGetsTheKeyWhenItIsLetGo) {
    Serve();
    OpenAndAuthenticate();
    if (HasFatalFailure()) return;
    durability_test::Running waiting = durability_test::startFpkey({"--device", address(), "--wait", "20", "selftest"});
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    // The other program still waits: an enrolment here is not interleaved with it.
    ASSERT_EQ(Enroll(&key_, 1, "alice-right-index"), 0u);
    EXPECT_EQ(Identify(&key_, "alice-right-index"), 1);
    EXPECT_TRUE(durability_test::stillRunning(waiting));
    HXKeyClose(&key_);
    const durability_test::Outcome outcome = durability_test::finishFpkey(waiting);
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.output;
    EXPECT_NE(outcome.output.find("self test passed"), std::string::npos) << outcome.output;
}

TEST_F(KeyBehindPcscd, AResetByAnotherProgramFailsOneExchangeAndEndsTheAuthentication) {
    Serve();
    ASSERT_EQ(OpenWhenInserted(address(), &key_), 0) << HXKeyLastError();
    HXKeyClose(&key_);
    ASSERT_EQ(HXKeyConnect(address().c_str(), HXKEY_SHARE_SHARED, 0, &key_), 0) << HXKeyLastError();
    ASSERT_EQ(HXSCardAuthBio(&key_), 0u);
    uint8_t state = 0;
    ASSERT_EQ(HXDactylGetSecState(&key_, &state), 0u);

    ASSERT_EQ(ResetCardAsAnotherProgram(daemon_->reader()), "");
    uint8_t capacity = 0;
    EXPECT_EQ(HXDactylGetMaxTmpltNum(&key_, &capacity), 0x8000B001u);
    EXPECT_NE(std::strstr(HXKeyLastError(), "was reset by another program"), nullptr) << HXKeyLastError();
    EXPECT_EQ(HXDactylGetMaxTmpltNum(&key_, &capacity), 0u) << "reconnected after the reset";
    EXPECT_EQ(capacity, 10);
    EXPECT_EQ(HXDactylGetSecState(&key_, &state), 0x80006982u) << "the reset ended the authentication";
}

}  // namespace
}  // namespace pcsc_test
