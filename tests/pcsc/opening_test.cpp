// Opening a key behind pcscd: the addresses, what PC/SC reports of the
// readers, and both protocols a key may offer.
#include <cstring>
#include <vector>

#include "key_fixture.h"
#include "test_names.h"

namespace pcsc_test {
namespace {

struct OpeningCase {
    const char *name;
    const char *address;
    int result;
    const char *message;  // a part of HXKeyLastError on failure
};

class Opening : public KeyBehindPcscd, public ::testing::WithParamInterface<OpeningCase> {};

TEST_P(Opening, FindsTheReaderOrSaysWhatIsMissing) {
    Serve();
    ASSERT_EQ(OpenWhenInserted(address(), &key_), 0) << HXKeyLastError();
    HXKeyClose(&key_);
    DeviceContext key{};
    const int opened = HXKeyConnect(GetParam().address, HXKEY_SHARE_SHARED, 0, &key);
    EXPECT_EQ(opened, GetParam().result) << HXKeyLastError();
    if (opened == 0) {
        EXPECT_EQ(key.state, FP_DEVICE_STATE_READY);
        EXPECT_EQ(HXIsDactyl(&key), 1);
    } else {
        EXPECT_NE(std::strstr(HXKeyLastError(), GetParam().message), nullptr) << HXKeyLastError();
        EXPECT_EQ(key.keyManagerHandle, 0u);
    }
    HXKeyClose(&key);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, Opening,
    ::testing::Values(
        OpeningCase{"FirstReaderHoldingACard", "pcsc", 0, ""},
        OpeningCase{"ReaderByName", "pcsc:fpkey vpcd 00 00", 0, ""},
        OpeningCase{"ReaderWithoutACard", "pcsc:fpkey vpcd 00 01", -1,
                    "no card in reader \"fpkey vpcd 00 01\": insert the key"},
        OpeningCase{"UnknownReader", "pcsc:Nonesuch", -1,
                    "no reader named \"Nonesuch\"; the readers present are \"fpkey vpcd 00 00\", \"fpkey vpcd 00 01\""},
        OpeningCase{"NameFittingTwoReaders", "pcsc:fpkey", -1, "\"fpkey\" fits several readers"},
        OpeningCase{"Malformed", "pcsc:", -1, "malformed device address \"pcsc:\""},
        OpeningCase{"NeitherKind", "usb:1", -1, "keys behind PC/SC (pcsc, pcsc:READER)"}),
    fpkey_test::ByName());

TEST_F(KeyBehindPcscd, ReaderListShowsTheServedCardAndItsAnswerToReset) {
    Serve();
    ASSERT_EQ(OpenWhenInserted(address(), &key_), 0) << HXKeyLastError();
    size_t count = 0;
    ASSERT_EQ(HXKeyListReaders(nullptr, 0, &count), 0) << HXKeyLastError();
    ASSERT_EQ(count, 2u);
    std::vector<HXKeyReader> readers(count);
    ASSERT_EQ(HXKeyListReaders(readers.data(), readers.size(), &count), 0);
    EXPECT_STREQ(readers[0].name, "fpkey vpcd 00 00");
    EXPECT_EQ(readers[0].cardPresent, 1);
    EXPECT_EQ(readers[0].heldExclusively, 1) << "this test holds it";
    const std::string historical(reinterpret_cast<const char *>(readers[0].atr) + readers[0].atrLength - 6, 5);
    EXPECT_EQ(historical, "fpkey") << "the ATR's historical bytes name the key";
    EXPECT_STREQ(readers[1].name, "fpkey vpcd 00 01");
    EXPECT_EQ(readers[1].cardPresent, 0);
    EXPECT_EQ(readers[1].atrLength, 0);
}

struct ProtocolCase {
    const char *name;
    const char *served;  // the simulated key's address prefix
    uint64_t protocol;   // as the device API reads it
};

class Protocols : public KeyBehindPcscd, public ::testing::WithParamInterface<ProtocolCase> {};

TEST_P(Protocols, KeyWorksInTheProtocolItOffers) {
    Serve(GetParam().served);
    OpenAndAuthenticate();
    if (HasFatalFailure()) return;
    EXPECT_EQ(key_.activeProtocol, GetParam().protocol);
    uint8_t info[256];
    uint64_t length = 0;
    EXPECT_EQ(HXDactylGetDeviceInfo(&key_, info, &length), 0u);
    EXPECT_EQ(length, 47u);
    ASSERT_EQ(Enroll(&key_, 1, "alice-right-index"), 0u);
    EXPECT_EQ(Identify(&key_, "alice-right-index"), 1);
}

INSTANTIATE_TEST_SUITE_P(Served, Protocols,
                         ::testing::Values(ProtocolCase{"TOne", "sim:", 2}, ProtocolCase{"TZero", "sim-t0:", 1}),
                         fpkey_test::ByName());

}  // namespace
}  // namespace pcsc_test
