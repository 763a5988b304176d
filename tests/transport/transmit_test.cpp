// SCardTransmit, and SCardAPDU's single retry on transmit result 1117.
// The executable defines SCardTransmit itself: libfpdevice.so calls the
// exported transmit routine, so this definition stands in for it and can
// fail on demand before handing over to the library's own.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "test_names.h"
#include "fpdevice/transport.h"
#include "scripted_key_manager.h"

using namespace fpkey_test;

namespace {

struct TransmitFailures {
    int remaining = 0;
    uint64_t result = 0;
    int calls = 0;
};
TransmitFailures failures;

using TransmitFn = uint64_t (*)(uint64_t, const SCardIoRequest *, const uint8_t *, uint64_t, SCardIoRequest *,
                                uint8_t *, uint64_t *);

}  // namespace

extern "C" __attribute__((visibility("default"))) uint64_t SCardTransmit(uint64_t handle, const SCardIoRequest *sendPci,
                                                                         const uint8_t *command, uint64_t length,
                                                                         SCardIoRequest *recvPci, uint8_t *receive,
                                                                         uint64_t *receiveLength) {
    ++failures.calls;
    if (failures.remaining > 0) {
        --failures.remaining;
        return failures.result;
    }
    auto library = reinterpret_cast<TransmitFn>(dlsym(RTLD_NEXT, "SCardTransmit"));
    return library(handle, sendPci, command, length, recvPci, receive, receiveLength);
}

namespace {

class Transmit : public ::testing::Test {
protected:
    void SetUp() override {
        ScriptedKeyManager::Instance().Reset();
        failures = TransmitFailures{};
    }
    uint32_t Apdu(const std::string &hex) {
        command_ = Hex(hex);
        DeviceContext context = ReadyContext();
        return SCardAPDU(&context, command_.data(), command_.size(), response_, &length_);
    }
    Bytes command_;
    uint8_t response_[300] = {};
    uint64_t length_ = 0;
};

struct RetryCase {
    const char *name;
    int failCount;
    uint64_t failResult;
    uint32_t keyAnswer;
    uint32_t statusWord;
    int transmitCalls;
    size_t commandsAtKey;
};

class RetryTable : public Transmit, public ::testing::WithParamInterface<RetryCase> {};

TEST_P(RetryTable, RetriesOnlyOnceAndOnlyOn1117) {
    const RetryCase &c = GetParam();
    failures.remaining = c.failCount;
    failures.result = c.failResult;
    ScriptedKeyManager::Instance().On("", c.keyAnswer);
    EXPECT_EQ(Apdu("80 FA 01 00 02"), c.statusWord);
    EXPECT_EQ(failures.calls, c.transmitCalls);
    EXPECT_EQ(ScriptedKeyManager::Instance().Commands().size(), c.commandsAtKey);
}

INSTANTIATE_TEST_SUITE_P(Results, RetryTable,
                         ::testing::Values(RetryCase{"OneIoErrorIsRetried", 1, 1117, 0x9000, 0x9000, 2, 1},
                                           RetryCase{"TwoIoErrorsFail", 2, 1117, 0x9000, 0xFFFF, 2, 0},
                                           RetryCase{"OtherTransmitFailureIsNotRetried", 1, 5, 0x9000, 0xFFFF, 1, 0},
                                           // The retry uses up the one extra exchange: no GET RESPONSE follows.
                                           RetryCase{"RetryLeavesNoRoomForGetResponse", 1, 1117, 0x6110, 0x6110, 2, 1}),
                         fpkey_test::ByName());

TEST_F(Transmit, AppendsStatusBytesToDataOnSuccess) {
    ScriptedKeyManager::Instance().On("", Answer{0x9000, {1, 2, 3}});
    uint8_t receive[258];
    uint64_t length = 258;
    const uint8_t command[] = {0x80, 0xF9, 0x04, 0x06, 0x01};
    EXPECT_EQ(SCardTransmit(7, &g_rgSCardT1Pci, command, 5, nullptr, receive, &length), 0u);
    ASSERT_EQ(length, 5u);
    EXPECT_EQ(Bytes(receive, receive + 5), Hex("01 02 03 90 00"));
}

TEST_F(Transmit, FailureCarriesOnlyTheStatusBytes) {
    ScriptedKeyManager::Instance().On("", Answer{0x16A82, {9, 9}});
    uint8_t receive[258];
    uint64_t length = 258;
    const uint8_t command[] = {0x00, 0xA4, 0x00, 0x00, 0x02, 0x40, 0x00};
    EXPECT_EQ(SCardTransmit(7, &g_rgSCardT1Pci, command, 7, nullptr, receive, &length), 0u);
    ASSERT_EQ(length, 2u);
    EXPECT_EQ(Bytes(receive, receive + 2), Hex("6A 82"));
}

}  // namespace
