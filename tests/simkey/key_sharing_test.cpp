// One program has the key open; another program opens it too: who gets in,
// who waits, and who is told the key is busy.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "sim_key_fixture.h"

namespace simkey_test {
namespace {

using simkey_test::operator<<;  // cases declared here print as their name
using Clock = std::chrono::steady_clock;

constexpr const char *kOtherFinger = "placed-by-another-program";

// How the other program's attempt ended.
enum class Attempt { admitted = 0, failed = 1, busy = 2 };

// Another process (a fork, which inherits none of this one's holds) opens
// the key and places a finger on its sensor.
Attempt openInAnotherProgram(const std::string &address, int shareMode, uint32_t waitMilliseconds) {
    const pid_t child = ::fork();
    if (child == 0) {
        DeviceContext context{};
        const int opened = HXKeyConnect(address.c_str(), shareMode, waitMilliseconds, &context);
        if (opened != 0) {
            ::_exit(opened == -2 ? static_cast<int>(Attempt::busy) : static_cast<int>(Attempt::failed));
        }
        const bool placed = HXSimPlaceFinger(&context, kOtherFinger) == 0;
        HXKeyClose(&context);
        ::_exit(placed ? static_cast<int>(Attempt::admitted) : static_cast<int>(Attempt::failed));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? static_cast<Attempt>(WEXITSTATUS(status)) : Attempt::failed;
}

std::string statusReport(DeviceContext &context) {
    std::vector<char> text(HXSimStatusJson(&context, nullptr, 0));
    if (text.empty()) return {};
    HXSimStatusJson(&context, text.data(), text.size());
    return text.data();
}

class KeySharingTest : public ::testing::Test {
protected:
    std::string address() const { return "sim:" + (directory_.path() / "key.json").string(); }
    TemporaryDirectory directory_;
};

struct SharingCase {
    const char *name;
    int held;   // how this program has the key open
    int asked;  // how the other program asks for it
    Attempt expected;
};

class KeySharing : public KeySharingTest, public ::testing::WithParamInterface<SharingCase> {};

TEST_P(KeySharing, AdmitsOrKeepsOutAnotherProgram) {
    constexpr uint32_t kWait = 200;
    DeviceContext held{};
    ASSERT_EQ(HXKeyConnect(address().c_str(), GetParam().held, 0, &held), 0) << HXKeyLastError();
    const auto start = Clock::now();
    EXPECT_EQ(openInAnotherProgram(address(), GetParam().asked, kWait), GetParam().expected);
    const bool admitted = GetParam().expected == Attempt::admitted;
    if (!admitted) {
        EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(kWait)) << "gave up without waiting";
    }
    EXPECT_EQ(statusReport(held).find(kOtherFinger) != std::string::npos, admitted);
    HXKeyClose(&held);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, KeySharing,
    ::testing::Values(
        SharingCase{"ExclusiveKeepsExclusiveOut", HXKEY_SHARE_EXCLUSIVE, HXKEY_SHARE_EXCLUSIVE, Attempt::busy},
        SharingCase{"ExclusiveKeepsSharedOut", HXKEY_SHARE_EXCLUSIVE, HXKEY_SHARE_SHARED, Attempt::busy},
        SharingCase{"SharedKeepsExclusiveOut", HXKEY_SHARE_SHARED, HXKEY_SHARE_EXCLUSIVE, Attempt::busy},
        SharingCase{"SharedAdmitsShared", HXKEY_SHARE_SHARED, HXKEY_SHARE_SHARED, Attempt::admitted},
        SharingCase{"ExclusiveAdmitsTheSensorDriver", HXKEY_SHARE_EXCLUSIVE, HXKEY_SHARE_DIRECT, Attempt::admitted},
        SharingCase{"SensorDriverAdmitsExclusive", HXKEY_SHARE_DIRECT, HXKEY_SHARE_EXCLUSIVE, Attempt::admitted}),
    CaseName());

TEST_F(KeySharingTest, AKilledHolderLeavesTheKeyFree) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        DeviceContext context{};
        const char opened = HXKeyOpen(address().c_str(), &context) == 0 ? 'y' : 'n';
        (void)!::write(ready[1], &opened, 1);
        ::pause();
        ::_exit(0);
    }
    char opened = 0;
    ASSERT_EQ(::read(ready[0], &opened, 1), 1);
    ASSERT_EQ(opened, 'y');
    DeviceContext mine{};
    EXPECT_EQ(HXKeyConnect(address().c_str(), HXKEY_SHARE_EXCLUSIVE, 0, &mine), -2);
    EXPECT_EQ(std::string(HXKeyLastError()).rfind("key busy", 0), 0u) << HXKeyLastError();
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_EQ(HXKeyConnect(address().c_str(), HXKEY_SHARE_EXCLUSIVE, 0, &mine), 0) << HXKeyLastError();
    HXKeyClose(&mine);
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST_F(KeySharingTest, TheSensorDriverSendsNoCommands) {
    DeviceContext driver{};
    ASSERT_EQ(HXKeyConnect(address().c_str(), HXKEY_SHARE_DIRECT, 0, &driver), 0) << HXKeyLastError();
    EXPECT_EQ(transmit(driver, hexBytes("80 F9 05 06 01")).status, 0x6985u);
    EXPECT_NE(std::string(HXKeyLastError()).find("sensor"), std::string::npos) << HXKeyLastError();
    HXKeyClose(&driver);
}

}  // namespace
}  // namespace simkey_test
