#include <gtest/gtest.h>

#include <algorithm>

#include "test_names.h"
#include "fpdevice/transport.h"
#include "scripted_key_manager.h"

using namespace fpkey_test;

namespace {

class ApduExchange : public ::testing::Test {
protected:
    void SetUp() override { key().Reset(); }
    static ScriptedKeyManager &key() { return ScriptedKeyManager::Instance(); }

    // Sends `command` and returns the status word; the data lands in response_.
    uint32_t Send(const std::string &command, DeviceContext *context = nullptr) {
        const Bytes bytes = Hex(command);
        command_ = bytes;
        command_.resize(std::max<size_t>(command_.size(), 5));
        response_.assign(300, 0xEE);
        responseLength_ = 0xDEAD;
        DeviceContext ready = ReadyContext();
        return SCardAPDU(context ? context : &ready, command_.data(), bytes.size(), response_.data(), &responseLength_);
    }

    Bytes command_;
    Bytes response_;
    uint64_t responseLength_ = 0;
};

struct ExchangeCase {
    const char *name;
    std::vector<Answer> answers;  // answered in turn
    uint32_t statusWord;
    uint64_t dataLength;
    std::vector<std::string> sent;
};

class ExchangeTable : public ApduExchange, public ::testing::WithParamInterface<ExchangeCase> {};

TEST_P(ExchangeTable, DeliversTheLastAnswerAndItsStatus) {
    const ExchangeCase &c = GetParam();
    for (const Answer &answer : c.answers) key().On("", answer, 1);
    EXPECT_EQ(Send("80 FA 02 00 2F"), c.statusWord);
    EXPECT_EQ(responseLength_, c.dataLength);
    EXPECT_EQ(key().CommandsHex(), c.sent);
    for (uint64_t i = 0; i < c.dataLength; ++i) {
        ASSERT_EQ(response_[i], c.answers.back().data[i]) << "byte " << i;
    }
}

Bytes Filled(size_t n, uint8_t first) {
    Bytes bytes(n);
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(first + i);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ExchangeTable,
    ::testing::Values(
        ExchangeCase{"SuccessWith47Bytes", {{0x9000, Filled(47, 1)}}, 0x9000, 47, {"80 FA 02 00 2F"}},
        ExchangeCase{"StatusWithoutData", {{0x6A82, {}}}, 0x6A82, 0, {"80 FA 02 00 2F"}},
        ExchangeCase{"FailureDropsData", {{0x6A82, Filled(4, 9)}}, 0x6A82, 0, {"80 FA 02 00 2F"}},
        ExchangeCase{"MoreDataFetchedWithGetResponse",
                     {{0x6110, {}}, {0x9000, Filled(16, 0x40)}},
                     0x9000,
                     16,
                     {"80 FA 02 00 2F", "00 C0 00 00 10"}},
        ExchangeCase{"MoreData00AsksForLe00",
                     {{0x6100, {}}, {0x9000, Filled(256, 0)}},
                     0x9000,
                     256,
                     {"80 FA 02 00 2F", "00 C0 00 00 00"}},
        ExchangeCase{"SecondMoreDataIsReturnedAsItIs",
                     {{0x6110, {}}, {0x6105, {}}},
                     0x6105,
                     0,
                     {"80 FA 02 00 2F", "00 C0 00 00 10"}},
        // Only the low 16 bits of the key manager's result are a status word,
        // unless they would read as success or as data waiting.
        ExchangeCase{"WideResultKeepsLow16Bits", {{0x16A82, Filled(3, 1)}}, 0x6A82, 0, {"80 FA 02 00 2F"}},
        ExchangeCase{"WideResultLookingLikeSuccessFails", {{0x19000, Filled(3, 1)}}, 0xFFFF, 0, {"80 FA 02 00 2F"}},
        ExchangeCase{"WideResultLookingLikeMoreDataFails", {{0x26110, {}}}, 0xFFFF, 0, {"80 FA 02 00 2F"}},
        ExchangeCase{"ShortResponseLimitIsAccepted", {{0x9000, Filled(256, 7)}}, 0x9000, 256, {"80 FA 02 00 2F"}}),
    fpkey_test::ByName());

TEST_F(ApduExchange, AnnouncesTheCapacityItCanHold) {
    Send("80 FA 02 00 2F");
    EXPECT_EQ(key().LastAnnouncedCapacity(), 4096u);
}

TEST_F(ApduExchange, OversizeAnswerIsATransportFailureAndCopiesNothing) {
    for (size_t size : {257u, 4096u, 5000u}) {
        key().Reset();
        key().On("", Answer{0x9000, Bytes(size, 0xAB)});
        EXPECT_EQ(Send("80 FA 02 00 2F"), 0xFFFFu) << size;
        EXPECT_EQ(responseLength_, 0u) << size;
        EXPECT_EQ(response_[0], 0xEE) << size;
    }
}

TEST_F(ApduExchange, UnusableContextsSendNothing) {
    DeviceContext notReady = ReadyContext();
    notReady.state = 2;
    auto *allOnes = reinterpret_cast<DeviceContext *>(~uintptr_t{0});
    for (DeviceContext *context : {&notReady, allOnes}) {
        EXPECT_EQ(Send("80 FA 02 00 2F", context), 0xFFFFu);
        EXPECT_EQ(responseLength_, 0u);
    }
    uint8_t command[5] = {0x80, 0xFA, 0x02, 0x00, 0x2F};
    uint8_t response[4];
    uint64_t length = 99;
    EXPECT_EQ(SCardAPDU(nullptr, command, 5, response, &length), 0xFFFFu);
    EXPECT_EQ(length, 0u);
    EXPECT_TRUE(key().Commands().empty());
}

TEST_F(ApduExchange, EitherProtocolExchangesTheSameBytes) {
    for (uint64_t protocol : {0u, 1u, 2u}) {
        key().Reset();
        key().On("", Answer{0x9000, {0x42}});
        DeviceContext context = ReadyContext(protocol);
        EXPECT_EQ(Send("80 F9 04 06 01", &context), 0x9000u);
        EXPECT_EQ(key().CommandsHex(), std::vector<std::string>{"80 F9 04 06 01"});
        EXPECT_EQ(response_[0], 0x42);
    }
}

TEST(ProtocolRecords, HoldProtocolNumberAndLengthEight) {
    EXPECT_EQ(g_rgSCardT0Pci.protocol, 1u);
    EXPECT_EQ(g_rgSCardT0Pci.pciLength, 8u);
    EXPECT_EQ(g_rgSCardT1Pci.protocol, 2u);
    EXPECT_EQ(g_rgSCardT1Pci.pciLength, 8u);
}

TEST(ByteOrder, HelpersSwapAsDocumented) {
    EXPECT_EQ(Exchange(0x1234), 0x3412);
    EXPECT_EQ(Exchange(0x00FF), 0xFF00);
    const uint16_t probe = 0x0102;
    const bool little = *reinterpret_cast<const uint8_t *>(&probe) == 0x02;
    EXPECT_EQ(LittleEndian(), little ? 1 : 0);
    EXPECT_EQ(ToBigEndian(0x1234), little ? 0x3412 : 0x1234);
    EXPECT_EQ((TEST)(nullptr), 0);
}

TEST(Hooks, LockTokenIsTheHandle) {
    DeviceContext context = ReadyContext();
    EXPECT_EQ(MyLock(&context), &context);
    EXPECT_EQ(MyLock(nullptr), nullptr);
}

}  // namespace
