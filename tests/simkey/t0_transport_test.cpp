// A connection that talks T=0: answers with data arrive through GET RESPONSE.
#include "sim_key_fixture.h"

namespace simkey_test {
namespace {

using simkey_test::operator<<;  // cases declared here print as their name

class T0Transport : public SimKeyTest {
protected:
    void SetUp() override {
        SimKeyTest::SetUp();
        t0_ = openAnother(true);
    }
    void TearDown() override {
        HXKeyClose(&t0_);
        SimKeyTest::TearDown();
    }
    Reply sendT0(std::string_view hex) { return transmit(t0_, hexBytes(hex)); }

    DeviceContext t0_{};
};

TEST_F(T0Transport, ContextsNameTheirProtocol) {
    EXPECT_EQ(t0_.activeProtocol, 1u);
    EXPECT_EQ(context_.activeProtocol, 2u);
    EXPECT_EQ(t0_.state, 3);
}

struct DataCase {
    const char *name;
    const char *apdu;
    uint32_t announced;
    const char *getResponse;
    size_t length;
};

class AnswerWithData : public T0Transport, public ::testing::WithParamInterface<DataCase> {};

TEST_P(AnswerWithData, IsAnnouncedAndFetched) {
    EXPECT_EQ(sendT0(GetParam().apdu).status, GetParam().announced);
    const Reply fetched = sendT0(GetParam().getResponse);
    EXPECT_EQ(fetched.status, 0x9000u);
    EXPECT_EQ(fetched.data.size(), GetParam().length);
    EXPECT_EQ(sendT0(GetParam().getResponse).status, 0x6985u) << "the data is delivered once";
}

INSTANTIATE_TEST_SUITE_P(T0Transport, AnswerWithData,
                         ::testing::Values(DataCase{"Challenge", "00 84 00 00 10", 0x6110, "00 C0 00 00 10", 16},
                                           DataCase{"DeviceInfo", "80 FA 02 00 2F", 0x612F, "00 C0 00 00 2F", 47},
                                           DataCase{"OneByte", "80 F9 04 06 01", 0x6101, "00 C0 00 00 01", 1},
                                           DataCase{"LeZeroTakesAll", "80 FA 02 00 2F", 0x612F, "00 C0 00 00 00", 47}),
                         CaseName());

TEST_F(T0Transport, FullShortResponseIsAnnouncedAs6100) {
    ASSERT_EQ(status("00 A4 00 00 02 40 00"), 0x9000u);
    authenticate();
    ASSERT_EQ(status("80 E0 01 00 07 28 01 00 EF EF FF FF"), 0x9000u);
    ASSERT_EQ(sendT0("00 A4 00 00 02 01 00").status, 0x9000u);
    EXPECT_EQ(sendT0("00 B0 00 00 00").status, 0x6100u);
    EXPECT_EQ(sendT0("00 C0 00 00 00").data.size(), 256u);
}

TEST_F(T0Transport, AnswersWithoutDataComeDirectly) {
    EXPECT_EQ(sendT0("00 A4 00 00 02 40 00").status, 0x9000u);
    EXPECT_EQ(sendT0("00 20 00 00").status, 0x63C3u);
}

TEST_F(T0Transport, WrongLeTellsTheLengthAndKeepsTheData) {
    ASSERT_EQ(sendT0("80 FA 02 00 2F").status, 0x612Fu);
    EXPECT_EQ(sendT0("00 C0 00 00 10").status, 0x6C2Fu);
    EXPECT_EQ(sendT0("00 C0 00 00 30").status, 0x6C2Fu);
    EXPECT_EQ(sendT0("00 C0 00 00 2F").data.size(), 47u);
}

TEST_F(T0Transport, AnyOtherCommandDropsTheData) {
    ASSERT_EQ(sendT0("00 84 00 00 10").status, 0x6110u);
    ASSERT_EQ(sendT0("00 A4 00 00 02 40 00").status, 0x9000u);
    EXPECT_EQ(sendT0("00 C0 00 00 10").status, 0x6985u);
}

TEST_F(T0Transport, FetchedChallengeAuthenticates) {
    ASSERT_EQ(sendT0("00 84 00 00 10").status, 0x6110u);
    const Reply challenge = sendT0("00 C0 00 00 10");
    auto command = hexBytes("00 82 00 00 10");
    const auto cryptogram = aesBlock(factoryAuthKey(), challenge.data);
    command.insert(command.end(), cryptogram.begin(), cryptogram.end());
    EXPECT_EQ(transmit(t0_, command).status, 0x9000u);
    EXPECT_EQ(sendT0("80 F9 09 00 01").status, 0x6101u);
}

TEST_F(T0Transport, T1ConnectionHasNoGetResponse) {
    ASSERT_EQ(send("00 84 00 00 10").data.size(), 16u);
    EXPECT_EQ(status("00 C0 00 00 10"), 0x6985u);
}

}  // namespace
}  // namespace simkey_test
