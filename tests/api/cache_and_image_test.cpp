#include "test_names.h"
#include "api_fixture.h"

using namespace fpkey_test;

namespace {

TEST_F(DeviceApi, EnableCacheRefusesOtherValuesUnsent) {
    EXPECT_EQ(HXDactylEnableFingerCache(device(), 2), 0x8000B002u);
    EXPECT_TRUE(key().Commands().empty());
    // The lock comes first: a null handle reports it whatever the value.
    EXPECT_EQ(HXDactylEnableFingerCache(nullptr, 2), 0x80009909u);
}

TEST_F(DeviceApi, CacheStateRecognisesNoStatusWord) {
    key().On("", 0x6A13);
    uint8_t state = 5;
    EXPECT_EQ(HXDactylGetFingerCacheState(device(), &state), 0x8000B001u);
    EXPECT_EQ(state, 5);
}

TEST_F(DeviceApi, UploadImageSendsNothing) {
    EXPECT_EQ(HXDactylUploadImage(device(), nullptr), 0u);
    EXPECT_TRUE(key().Commands().empty());
}

struct BlockCase {
    const char *name;
    uint64_t lines;
    uint64_t lineBytes;
    std::vector<std::string> headers;  // the first 13 bytes of each block
};

class ImageBlocks : public DeviceApi, public ::testing::WithParamInterface<BlockCase> {};

TEST_P(ImageBlocks, SendWholeLinesInBlocksOf240Bytes) {
    const BlockCase &c = GetParam();
    Bytes pixels(c.lines * c.lineBytes);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 13 + 1);
    const ImageRecord image{c.lines, c.lineBytes, 0, pixels.data()};
    EXPECT_EQ(HXDactylDownloadImage(device(), &image), 0u);

    const auto &sent = key().Commands();
    ASSERT_EQ(sent.size(), c.headers.size());
    Bytes received;
    for (size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(ToHex(Bytes(sent[i].begin(), sent[i].begin() + 13)), c.headers[i]) << "block " << i;
        EXPECT_EQ(sent[i].size(), 13u + sent[i][4] - 8u);
        received.insert(received.end(), sent[i].begin() + 13, sent[i].end());
    }
    EXPECT_EQ(received, pixels);
}

INSTANTIATE_TEST_SUITE_P(
    Images, ImageBlocks,
    ::testing::Values(BlockCase{"TwelveLinesPerBlockAndARest",
                                100,
                                20,
                                {"80 F7 01 00 F8 00 00 00 00 0C 00 00 00", "80 F7 01 00 F8 0C 00 00 00 0C 00 00 00",
                                 "80 F7 01 00 F8 18 00 00 00 0C 00 00 00", "80 F7 01 00 F8 24 00 00 00 0C 00 00 00",
                                 "80 F7 01 00 F8 30 00 00 00 0C 00 00 00", "80 F7 01 00 F8 3C 00 00 00 0C 00 00 00",
                                 "80 F7 01 00 F8 48 00 00 00 0C 00 00 00", "80 F7 01 00 F8 54 00 00 00 0C 00 00 00",
                                 "80 F7 01 00 58 60 00 00 00 04 00 00 00"}},
                      BlockCase{"FirstLineIsLowByteFirst",
                                360,
                                1,
                                {"80 F7 01 00 F8 00 00 00 00 F0 00 00 00", "80 F7 01 00 80 F0 00 00 00 78 00 00 00"}},
                      BlockCase{"ExactlyOneBlock", 24, 10, {"80 F7 01 00 F8 00 00 00 00 18 00 00 00"}},
                      BlockCase{"LinesOf240Bytes",
                                2,
                                240,
                                {"80 F7 01 00 F8 00 00 00 00 01 00 00 00", "80 F7 01 00 F8 01 00 00 00 01 00 00 00"}}),
    fpkey_test::ByName());

TEST_F(DeviceApi, BlockAnsweredWithMoreDataLeavesTheNextBlockIntact) {
    key().On("80 F7 01 00 F8 00 00", 0x6102, 1);
    Bytes pixels(100 * 20, 1);
    const ImageRecord image{100, 20, 0, pixels.data()};
    EXPECT_EQ(HXDactylDownloadImage(device(), &image), 0u);
    const auto sent = key().CommandsHex();
    ASSERT_EQ(sent.size(), 10u);
    EXPECT_EQ(sent[1], "00 C0 00 00 02");
    for (size_t i = 2; i < sent.size(); ++i) EXPECT_EQ(sent[i].substr(0, 11), "80 F7 01 00") << "block " << i - 1;
}

TEST_F(DeviceApi, FirstFailingBlockEndsTheTransfer) {
    key().On("80 F7 01 00 F8 18", 0x6A80);
    Bytes pixels(100 * 20, 1);
    const ImageRecord image{100, 20, 0, pixels.data()};
    EXPECT_EQ(HXDactylDownloadImage(device(), &image), 0x80006A80u);
    EXPECT_EQ(key().Commands().size(), 3u);
}

TEST_F(DeviceApi, DownloadStatusTable) {
    Bytes pixels(24 * 10, 1);
    const ImageRecord image{24, 10, 0, pixels.data()};
    for (uint16_t statusWord : {0x6700, 0x6A80, 0x6AFB, 0x6B00}) {
        key().Reset();
        key().On("", statusWord);
        EXPECT_EQ(HXDactylDownloadImage(device(), &image), 0x80000000u + statusWord);
    }
    key().Reset();
    key().On("", 0x6982);
    EXPECT_EQ(HXDactylDownloadImage(device(), &image), 0x8000B001u);
    EXPECT_EQ(HXDactylDownloadImage(nullptr, &image), 0x80009909u);
}

struct RefusedImageCase {
    const char *name;
    uint64_t lines;
    uint64_t lineBytes;
    bool pixels;
    uint64_t result;
};

class RefusedImages : public DeviceApi, public ::testing::WithParamInterface<RefusedImageCase> {};

TEST_P(RefusedImages, SendNothing) {
    const RefusedImageCase &c = GetParam();
    Bytes pixels(8, 0);
    const ImageRecord image{c.lines, c.lineBytes, 0, c.pixels ? pixels.data() : nullptr};
    EXPECT_EQ(HXDactylDownloadImage(device(), &image), c.result);
    EXPECT_TRUE(key().Commands().empty());
}

INSTANTIATE_TEST_SUITE_P(Images, RefusedImages,
                         ::testing::Values(RefusedImageCase{"LinesTooLong", 300, 256, true, 0x80009903},
                                           RefusedImageCase{"ZeroLineBytes", 4, 0, true, 0x8000B002},
                                           RefusedImageCase{"NoPixels", 4, 2, false, 0x8000B002},
                                           // Line numbers are 16 bits on the key.
                                           RefusedImageCase{"MoreLinesThanLineNumbers", 65536, 1, true, 0x8000B002},
                                           // The status never set maps to an unknown status.
                                           RefusedImageCase{"NoLines", 0, 2, true, 0x8000B001}),
                         fpkey_test::ByName());

TEST_F(DeviceApi, NullImageRecordIsABadArgument) {
    EXPECT_EQ(HXDactylDownloadImage(device(), nullptr), 0x8000B002u);
    EXPECT_TRUE(key().Commands().empty());
}

}  // namespace
