// Device addresses, the default key, and handles that are not live.
#include <sys/stat.h>

#include "sim_key_fixture.h"

namespace simkey_test {
namespace {

using simkey_test::operator<<;  // cases declared here print as their name

TEST(DefaultAddress, IsSimUnlessTheEnvironmentNamesAnother) {
    {
        ScopedEnvironment unset("FPKEY_DEVICE", nullptr);
        EXPECT_STREQ(HXKeyDefaultAddress(), "sim");
    }
    {
        ScopedEnvironment empty("FPKEY_DEVICE", "");
        EXPECT_STREQ(HXKeyDefaultAddress(), "sim");
    }
    ScopedEnvironment set("FPKEY_DEVICE", "sim-t0:/tmp/elsewhere.json");
    EXPECT_STREQ(HXKeyDefaultAddress(), "sim-t0:/tmp/elsewhere.json");
}

TEST(DefaultKey, LivesInTheStateDirectoryCreatedPrivate) {
    TemporaryDirectory directory;
    const auto home = directory.path() / "state";
    ScopedEnvironment xdg("XDG_STATE_HOME", home.c_str());
    ScopedEnvironment device("FPKEY_DEVICE", "");
    DeviceContext context{};
    ASSERT_EQ(HXKeyOpen(nullptr, &context), 0) << HXKeyLastError();
    EXPECT_TRUE(std::filesystem::exists(home / "fpkey" / "sim-key.json"));
    struct stat status {};
    ASSERT_EQ(::stat((home / "fpkey").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    HXKeyClose(&context);
}

TEST(DefaultKey, FallsBackToHomeWithoutStateHome) {
    TemporaryDirectory directory;
    ScopedEnvironment xdg("XDG_STATE_HOME", nullptr);
    ScopedEnvironment home("HOME", directory.path().c_str());
    DeviceContext context{};
    ASSERT_EQ(HXKeyOpen("sim", &context), 0) << HXKeyLastError();
    EXPECT_TRUE(std::filesystem::exists(directory.path() / ".local" / "state" / "fpkey" / "sim-key.json"));
    HXKeyClose(&context);
}

struct AddressCase {
    const char *name;
    const char *address;
};

class BadAddress : public ::testing::TestWithParam<AddressCase> {};

TEST_P(BadAddress, IsRefusedWithAMessage) {
    DeviceContext context{};
    EXPECT_EQ(HXKeyOpen(GetParam().address, &context), -1);
    EXPECT_EQ(context.state, 0);
    EXPECT_NE(std::string(HXKeyLastError()).find(GetParam().address), std::string::npos) << HXKeyLastError();
}

INSTANTIATE_TEST_SUITE_P(KeyOpening, BadAddress,
                         ::testing::Values(AddressCase{"OtherTransport", "usb:0"}, AddressCase{"EmptyPath", "sim:"},
                                           AddressCase{"UnknownVariant", "simx"},
                                           AddressCase{"Directory", "sim:/tmp/"}),
                         CaseName());

struct DirectoryCase {
    const char *name;
    const char *path;  // relative to the working directory, itself a fresh directory
};

class AddressOfADirectory : public ::testing::TestWithParam<DirectoryCase> {};

TEST_P(AddressOfADirectory, IsRefusedAndCreatesNothing) {
    TemporaryDirectory directory;
    std::filesystem::create_directory(directory.path() / "sub");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(directory.path() / "sub");
    DeviceContext context{};
    const std::string address = std::string("sim:") + GetParam().path;
    EXPECT_EQ(HXKeyOpen(address.c_str(), &context), -1);
    EXPECT_NE(std::string(HXKeyLastError()).find("directory"), std::string::npos) << HXKeyLastError();
    EXPECT_EQ(HXSimResetKey(address.c_str()), -1);
    std::filesystem::current_path(previous);
    std::vector<std::string> created;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(directory.path())) {
        if (entry.path() != directory.path() / "sub") created.push_back(entry.path().string());
    }
    EXPECT_EQ(created, std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(KeyOpening, AddressOfADirectory,
                         ::testing::Values(DirectoryCase{"WorkingDirectory", "."}, DirectoryCase{"Parent", ".."},
                                           DirectoryCase{"ThroughDotDot", "../sub/.."},
                                           DirectoryCase{"ExistingWithoutSlash", "../sub"}),
                         CaseName());

TEST(KeyOpening, PathInAMissingDirectoryIsNotCreated) {
    TemporaryDirectory directory;
    const auto path = directory.path() / "missing" / "key.json";
    DeviceContext context{};
    EXPECT_EQ(HXKeyOpen(("sim:" + path.string()).c_str(), &context), -1);
    EXPECT_FALSE(std::filesystem::exists(directory.path() / "missing"));
}

TEST(KeyOpening, NullContextIsRefused) { EXPECT_EQ(HXKeyOpen("sim", nullptr), -1); }

using DeadHandle = SimKeyTest;

TEST_F(DeadHandle, ExchangeOnAClosedOrMadeUpHandleIsATransportFailure) {
    const DeviceContext closed = context_;
    HXKeyClose(&context_);
    EXPECT_EQ(transmit(closed, hexBytes("80 F9 05 06 01")).status, 0xFFFFu);
    DeviceContext madeUp{};
    madeUp.keyManagerHandle = 0x1234;
    EXPECT_EQ(transmit(madeUp, hexBytes("80 F9 05 06 01")).status, 0xFFFFu);
    uint64_t length = 0;
    EXPECT_EQ(Icc_tsi_apiHxDev(closed.keyManagerHandle, 5, nullptr, nullptr, nullptr), 0x6F00);
    EXPECT_EQ(Icc_tsi_apiHxDev(0, 5, nullptr, &length, nullptr), 0xFFFF);
}

TEST_F(DeadHandle, ControlsOnAClosedContextAnswerMinusOne) {
    DeviceContext closed = context_;
    HXKeyClose(&context_);
    EXPECT_EQ(HXSimPlaceFinger(&closed, "alice"), -1);
    EXPECT_EQ(HXSimReset(&closed), -1);
    EXPECT_EQ(HXSimPlaceFinger(nullptr, "alice"), -1);
    EXPECT_EQ(HXSimStatusJson(&closed, nullptr, 0), 0u);
    HXKeyClose(nullptr);
}

TEST_F(DeadHandle, HandlesAreNotReused) {
    const uint64_t first = context_.keyManagerHandle;
    HXKeyClose(&context_);
    ASSERT_EQ(HXKeyOpen(address().c_str(), &context_), 0);
    EXPECT_NE(context_.keyManagerHandle, first);
}

TEST_F(DeadHandle, ResponseLargerThanTheBufferIsNotDelivered) {
    const auto apdu = hexBytes("80 FA 02 00 2F");
    std::vector<uint8_t> buffer(16, 0xEE);
    uint64_t length = buffer.size();
    EXPECT_NE(Icc_tsi_apiHxDev(context_.keyManagerHandle, apdu.size(), apdu.data(), &length, buffer.data()), 0x9000);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(buffer, std::vector<uint8_t>(16, 0xEE));
}

struct LabelCase {
    const char *name;
    std::string label;
};

class BadFingerLabel : public SimKeyTest, public ::testing::WithParamInterface<LabelCase> {};

TEST_P(BadFingerLabel, IsRefused) { EXPECT_EQ(HXSimPlaceFinger(&context_, GetParam().label.c_str()), -2); }

INSTANTIATE_TEST_SUITE_P(KeyOpening, BadFingerLabel,
                         ::testing::Values(LabelCase{"Empty", ""}, LabelCase{"TooLong", std::string(65, 'a')},
                                           LabelCase{"ControlCharacter", "left\tthumb"},
                                           LabelCase{"BrokenUtf8", "caf\xC3"}),
                         CaseName());

TEST_F(DeadHandle, Utf8FingerLabelIsAccepted) {
    EXPECT_EQ(HXSimPlaceFinger(&context_, "J\xC3\xBCrgen links"), 0) << HXKeyLastError();
}

}  // namespace
}  // namespace simkey_test
