#include <gtest/gtest.h>

#include "test_names.h"
#include "fpdevice/transport.h"
#include "scripted_key_manager.h"

using namespace fpkey_test;

namespace {

class TokenFiles : public ::testing::Test {
protected:
    void SetUp() override {
        key().Reset();
        context_ = ReadyContext();
    }
    static ScriptedKeyManager &key() { return ScriptedKeyManager::Instance(); }
    DeviceContext context_{};
};

TEST_F(TokenFiles, ReadingInChunksOf176) {
    key().EnableFiles(10);
    Bytes content(400);
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<uint8_t>(i * 7);
    key().PutFile(0x0520, content);
    Bytes out(400);
    ASSERT_EQ(SCardReadBin(&context_, 0x0520, 0, out.data(), 400), 1);
    EXPECT_EQ(out, content);
    EXPECT_EQ(key().CommandsHex(),
              (std::vector<std::string>{"00 A4 00 00 02 05 20", "00 B0 00 00 B0", "00 B0 00 B0 B0", "00 B0 01 60 30"}));
}

TEST_F(TokenFiles, WritingSelectsThenWritesWithD0) {
    key().EnableFiles(10);
    key().PutFile(0x0520, Bytes(200, 0));
    Bytes data(20, 0x5A);
    ASSERT_EQ(SCardUpdateBin(&context_, 0x0520, 20, data.data(), 20), 1);
    const auto sent = key().CommandsHex();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0], "00 A4 00 00 02 05 20");
    EXPECT_EQ(sent[1].substr(0, 14), "00 D0 00 14 14");
    EXPECT_EQ(Bytes(key().File(0x0520).begin() + 20, key().File(0x0520).begin() + 40), data);
}

TEST_F(TokenFiles, WritingInChunksKeepsEarlierChunksOnFailure) {
    key().EnableFiles(10);
    key().PutFile(0x0300, Bytes(400, 0));
    key().On("00 D0 00 B0", 0x6581);
    Bytes data(400, 0x11);
    EXPECT_EQ(SCardUpdateBin(&context_, 0x0300, 0, data.data(), 400), 0);
    EXPECT_EQ(key().File(0x0300)[0], 0x11);
    EXPECT_EQ(key().File(0x0300)[176], 0x00);
    EXPECT_EQ(key().Commands().size(), 3u);  // select, first chunk, failing chunk
}

struct NothingSentCase {
    const char *name;
    int (*call)(DeviceContext *);
};

class NothingSent : public TokenFiles, public ::testing::WithParamInterface<NothingSentCase> {};

TEST_P(NothingSent, FailsWithoutAnyCommand) {
    EXPECT_EQ(GetParam().call(&context_), 0);
    EXPECT_TRUE(key().Commands().empty());
}

uint8_t g_buffer[16];

INSTANTIATE_TEST_SUITE_P(
    BadArguments, NothingSent,
    ::testing::Values(
        NothingSentCase{"ReadLengthZero", [](DeviceContext *c) { return SCardReadBin(c, 0x20, 0, g_buffer, 0); }},
        NothingSentCase{"ReadNullDestination", [](DeviceContext *c) { return SCardReadBin(c, 0x20, 0, nullptr, 4); }},
        NothingSentCase{"WriteLengthZero", [](DeviceContext *c) { return SCardUpdateBin(c, 0x20, 0, g_buffer, 0); }},
        NothingSentCase{"WriteNullSource", [](DeviceContext *c) { return SCardUpdateBin(c, 0x20, 0, nullptr, 4); }},
        NothingSentCase{"CreateTooManyParameters",
                        [](DeviceContext *c) { return SCardCreateFile(c, 0xA0, g_buffer, 108); }}),
    fpkey_test::ByName());

TEST_F(TokenFiles, CurrentFileIdSendsNoSelect) {
    key().On("00 B0", Answer{0x9000, {1, 2}});
    uint8_t out[2];
    EXPECT_EQ(SCardReadBin(&context_, 0xFFFF, 4, out, 2), 1);
    EXPECT_EQ(key().CommandsHex(), std::vector<std::string>{"00 B0 00 04 02"});
}

struct ShortReadCase {
    const char *name;
    size_t delivered;
};

class ShortRead : public TokenFiles, public ::testing::WithParamInterface<ShortReadCase> {};

TEST_P(ShortRead, AnswerOfAnotherLengthThanAskedFails) {
    key().On("00 B0", Answer{0x9000, Bytes(GetParam().delivered, 0x77)});
    Bytes out(16, 0xEE);
    EXPECT_EQ(SCardReadBin(&context_, 0xFFFF, 0, out.data(), 16), 0);
    EXPECT_EQ(out, Bytes(16, 0xEE));
}

INSTANTIATE_TEST_SUITE_P(Lengths, ShortRead,
                         ::testing::Values(ShortReadCase{"None", 0}, ShortReadCase{"Fewer", 15},
                                           ShortReadCase{"More", 17}, ShortReadCase{"MuchMore", 48}),
                         fpkey_test::ByName());

TEST_F(TokenFiles, CreateAndEraseSendTheirCommands) {
    const uint8_t parameters[] = {0x28, 0x03, 0x88, 0xEF, 0xEF, 0xFF, 0xFF};
    EXPECT_EQ(SCardCreateFile(&context_, 0x00A0, parameters, 7), 1);
    EXPECT_EQ(SCardEraseEF(&context_, 0x00A0), 1);
    key().On("", 0x6A82);
    EXPECT_EQ(SCardEraseEF(&context_, 0x00A0), 0);
    EXPECT_EQ(key().CommandsHex(), (std::vector<std::string>{"80 E0 00 A0 07 28 03 88 EF EF FF FF",
                                                             "00 E4 00 00 02 00 A0", "00 E4 00 00 02 00 A0"}));
}

struct NextRecordCase {
    const char *name;
    uint8_t low;
    uint8_t high;
    uint16_t number;
};

class NextRecord : public TokenFiles, public ::testing::WithParamInterface<NextRecordCase> {};

TEST_P(NextRecord, ReadsLowByteFirstAndSkipsTheMasterFile) {
    key().EnableFiles(10);
    key().PutFile(0x0020, {0xAA, GetParam().low, GetParam().high, 0xBB});
    uint16_t number = 0;
    ASSERT_EQ(token_get_current_fid(&context_, &number), 0u);
    EXPECT_EQ(number, GetParam().number);
    EXPECT_EQ(key().File(0x0020), (Bytes{0xAA, GetParam().low, GetParam().high, 0xBB}));
}

INSTANTIATE_TEST_SUITE_P(Records, NextRecord,
                         ::testing::Values(NextRecordCase{"Five", 0x05, 0x00, 5},
                                           NextRecordCase{"MasterFileNumberSkipped", 0xF8, 0x01, 505},
                                           NextRecordCase{"HighByteCounts", 0x02, 0x01, 0x0102}),
                         fpkey_test::ByName());

TEST_F(TokenFiles, NextRecordWriteAndFailures) {
    key().EnableFiles(10);
    key().PutFile(0x0020, {0xAA, 0, 0, 0xBB});
    EXPECT_EQ(token_set_next_fid(&context_, 0x0102), 0u);
    EXPECT_EQ(key().File(0x0020), (Bytes{0xAA, 0x02, 0x01, 0xBB}));

    key().Reset();
    key().On("", 0x6A82);
    uint16_t number = 77;
    EXPECT_EQ(token_get_current_fid(&context_, &number), 0x80000107u);
    EXPECT_EQ(token_set_next_fid(&context_, 6), 0x80000107u);
    EXPECT_EQ(token_get_current_fid(&context_, nullptr), 0x80000107u);
}

}  // namespace
