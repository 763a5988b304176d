// A key behind pcscd when something on the way fails: the serving process
// killed in the middle of an enrolment, pcscd stopped between two commands.
// Each ends the host's call with a transport failure within moments, the
// key's state file stays whole, and the key works again once it is back.
#include <chrono>
#include <cstring>

#include "durability/key_consistency.h"
#include "key_fixture.h"
#include "test_names.h"

namespace pcsc_test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kPromptly = std::chrono::seconds(5);

struct KillCase {
    const char *name;
    const char *command;  // the enrolment's APDU at which the serving process dies, as traced
};

class ServerKilled : public KeyBehindPcscd, public ::testing::WithParamInterface<KillCase> {};

TEST_P(ServerKilled, DuringAnEnrolmentTheCallFailsAndTheKeyStaysWhole) {
    auto server = std::make_unique<ServedKeyProcess>(state_, daemon_->port());
    OpenAndAuthenticate();
    if (HasFatalFailure()) return;
    ASSERT_EQ(Enroll(&key_, 1, "known-finger"), 0u);

    server->KillAtCommand(GetParam().command);
    const auto started = Clock::now();
    EXPECT_NE(Enroll(&key_, 2, "new-finger"), 0u);
    EXPECT_LT(Clock::now() - started, kPromptly);
    ASSERT_TRUE(server->Killed(kPromptly)) << server->Log();
    HXKeyClose(&key_);

    const durability_test::KeyReport left = durability_test::inspectKey(state_);
    EXPECT_TRUE(left.sound()) << left.describe();
    EXPECT_EQ(left.enrolled.count(1), 1u) << "the old template is still enrolled\n" << left.describe();

    // Served again, the key enrols and identifies.
    server = std::make_unique<ServedKeyProcess>(state_, daemon_->port());
    OpenAndAuthenticate();
    if (HasFatalFailure()) return;
    EXPECT_EQ(Identify(&key_, "known-finger"), 1);
    ASSERT_EQ(Enroll(&key_, 2, "new-finger"), 0u);
    EXPECT_EQ(Identify(&key_, "new-finger"), 2);
    HXKeyClose(&key_);
    EXPECT_EQ(server->Terminate(), 0) << server->Log();
    EXPECT_TRUE(WaitUntilRemoved(daemon_->reader()));
}

INSTANTIATE_TEST_SUITE_P(Commands, ServerKilled,
                         ::testing::Values(KillCase{"AtACapture", "80 FA 00"}, KillCase{"AtCreateFile", "80 E0"},
                                           KillCase{"AtEnrol", "80 FC"}, KillCase{"AtTheIndexWrite", "00 D0 00 14 14"}),
                         fpkey_test::ByName());

TEST_F(KeyBehindPcscd, PcscdStoppedBetweenTwoCommandsFailsTheNextAndTheKeyComesBack) {
    Serve();
    OpenAndAuthenticate();
    if (HasFatalFailure()) return;
    ASSERT_EQ(Enroll(&key_, 1, "alice-right-index"), 0u);

    daemon_->Stop();
    const auto started = Clock::now();
    uint8_t capacity = 0;
    EXPECT_EQ(HXDactylGetMaxTmpltNum(&key_, &capacity), 0x8000B001u);
    EXPECT_LT(Clock::now() - started, kPromptly);
    HXKeyClose(&key_);
    DeviceContext again{};
    EXPECT_EQ(HXKeyOpen(address().c_str(), &again), -1);
    EXPECT_STREQ(HXKeyLastError(), "the PC/SC service is not running: start pcscd");

    std::string problem;
    ASSERT_TRUE(daemon_->Start(&problem)) << problem;
    // The served key finds the new daemon by itself.
    OpenAndAuthenticate();
    if (HasFatalFailure()) return;
    EXPECT_EQ(Identify(&key_, "alice-right-index"), 1);
}

}  // namespace
}  // namespace pcsc_test
