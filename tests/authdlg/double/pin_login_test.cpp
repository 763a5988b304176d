// The PIN login of HXLoginVerify (verify mode 0): the PIN dialog, the PKCS
// bridge and the messages for each answer of the key.
#include <clocale>

#include "login_fixture.h"
#include "test_names.h"

namespace authdlg_test {
namespace {

const std::string kSuccess = "Hexlumina|Success";
const std::string kLocked = "Hexlumina|Key locked!";
const std::string kCannotVerify =
    "Hexlumina|Can NOT verify this key, please check whether this key had been initialized correctly!";

class PinLogin : public LoginTest {
protected:
    void SetUp() override {
        LoginTest::SetUp();
        device().SetVerifyMode(0);
    }
};

TEST_F(PinLogin, AcceptedPinShowsSuccess) {
    DialogScript script;
    script.AnswerPin({{Act::EnterPin, "4321"}});

    EXPECT_EQ(Login(), 0u);

    EXPECT_EQ(script.messageBoxes, std::vector<std::string>{kSuccess});
    EXPECT_EQ(device().Pins(), std::vector<std::string>{"bio:4321"}) << "17 bytes, zero after the PIN";
    EXPECT_EQ(script.fingerprintDialogs, 0);
}

TEST_F(PinLogin, WrongPinCountsDownAndAsksAgain) {
    device().QueuePinAnswers({{0x800063C2, 0x63C2}});
    DialogScript script;
    script.AnswerPin({{Act::EnterPin, "1111"}, {Act::EnterPin, "4321"}});

    EXPECT_EQ(Login(), 0u);

    // The retry text is joined without spaces.
    EXPECT_EQ(script.messageBoxes,
              (std::vector<std::string>{"Hexlumina|Verify PIN failed, this key will be LOCKED after2failed retry!",
                                        kSuccess}));
    EXPECT_EQ(script.pinDialogs, 2);
}

struct RefusalCase {
    std::string name;
    PinAnswerOfKey answer;
    std::string message;
    uint64_t result;
};

// Parameters print as their names in test output.
void PrintTo(const RefusalCase &c, std::ostream *out) { *out << c.name; }

class PinRefused : public PinLogin, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(PinRefused, EndsTheLoginWithAMessage) {
    const RefusalCase &c = GetParam();
    device().QueuePinAnswers({c.answer});
    DialogScript script;
    script.AnswerPin({{Act::EnterPin, "1111"}});

    EXPECT_EQ(Login(), c.result);

    EXPECT_EQ(script.messageBoxes, std::vector<std::string>{c.message});
    EXPECT_EQ(script.pinDialogs, 1);
}

INSTANTIATE_TEST_SUITE_P(Answers, PinRefused,
                         ::testing::Values(RefusalCase{"Blocked", {0x80006983, 0x6983}, kLocked, 0x80006983},
                                           RefusalCase{"NoTriesLeft", {0x800063C0, 0x63C0}, kLocked, 0x80006983},
                                           RefusalCase{"OtherStatus", {0x80006A80, 0x6A80}, kCannotVerify, 0x80006A80},
                                           // No status word at all: the bridge's own code is kept.
                                           RefusalCase{"NoStatusWord", {0x8000010C, 0}, kCannotVerify, 0x8000010C}),
                         fpkey_test::ByName());

TEST_F(PinLogin, WrongLengthAsksAgainWithoutAskingTheKey) {
    DialogScript script;
    script.AnswerPin({{Act::EnterPin, "1"}, {Act::EnterPin, "2468"}});

    EXPECT_EQ(Login(), 0u);

    EXPECT_EQ(device().Pins(), std::vector<std::string>{"bio:2468"});
    EXPECT_EQ(script.messageBoxes.size(), 2u);
}

// Such a PIN would reach the key as bytes that depend on the locale, and a
// wrong one counts down the key's tries.
TEST_F(PinLogin, PinWithAForeignCharacterIsRefusedBeforeTheKeyIsAskedInEveryLocale) {
    const std::string previous = setlocale(LC_ALL, nullptr);
    for (const char *locale : {"C", "C.UTF-8"}) {
        SCOPED_TRACE(locale);
        ASSERT_NE(setlocale(LC_ALL, locale), nullptr);
        device().Reset(0);
        DialogScript script;
        script.AnswerPin({{Act::EnterPin, QString::fromUtf8("12\u00e934")}, {Act::EnterPin, "2468"}});

        EXPECT_EQ(Login(), 0u);

        EXPECT_EQ(device().Pins(), std::vector<std::string>{"bio:2468"});
        EXPECT_EQ(script.messageBoxes,
                  (std::vector<std::string>{"PIN Password Authentication|Entered incorrectly, PIN Password may only "
                                            "contain letters A-Z and a-z, digits, spaces and ASCII punctuation!",
                                            kSuccess}));
    }
    setlocale(LC_ALL, previous.c_str());
}

struct GiveUpCase {
    const char *name;
    Act act;
};

// Parameters print as their names in test output.
void PrintTo(const GiveUpCase &c, std::ostream *out) { *out << c.name; }

class PinGivenUp : public PinLogin, public ::testing::WithParamInterface<GiveUpCase> {};

TEST_P(PinGivenUp, EndsWithCancel) {
    DialogScript script;
    script.AnswerPin({{GetParam().act, ""}});

    EXPECT_EQ(Login(), LOGIN_E_CANCELLED);

    EXPECT_TRUE(device().Pins().empty());
    EXPECT_TRUE(script.messageBoxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Ways, PinGivenUp,
                         ::testing::Values(GiveUpCase{"CancelButton", Act::Cancel},
                                           GiveUpCase{"EscapeKey", Act::Escape},
                                           GiveUpCase{"CloseControl", Act::Close}),
                         [](const auto &param) { return std::string(param.param.name); });

}  // namespace
}  // namespace authdlg_test
