// Translations: without the developer's file in the fixed directory, the
// installed translation for the user's locale is used; English otherwise.
#include <QtCore/QLocale>

#include "login_fixture.h"

namespace authdlg_test {
namespace {

class Translated : public LoginTest {
protected:
    void SetUp() override {
        LoginTest::SetUp();
        saved_ = QLocale();
    }
    void TearDown() override { QLocale::setDefault(saved_); }

    QLocale saved_;
};

TEST_F(Translated, GermanUserSeesGermanMessagesAndForms) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    device().QueueCaptures({0});
    DialogScript script;
    std::string title;
    std::string cancel;
    script.OnText(QString(), [&](QDialog *dialog) {
        title = Str(dialog->windowTitle());
        cancel = Str(static_cast<WFingerPrint *>(dialog)->cancelbutton->text());
    });

    EXPECT_EQ(Login(), 0u);

    EXPECT_EQ(title, "Fingerabdruck-Authentifizierung ");
    EXPECT_EQ(cancel, "Abbrechen");
    ASSERT_FALSE(script.texts.empty());
    EXPECT_EQ(script.texts.front(), "Bitte legen Sie zur Authentifizierung einen Finger auf!");
    EXPECT_EQ(script.texts.back(),
              "Anmeldung erfolgreich,\nDer Fingerabdruck passt zu Nr. 1 der Fingerabdruckvorlagen");
}

TEST_F(Translated, ChineseUserSeesChineseLengthWarning) {
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    device().SetVerifyMode(0);
    DialogScript script;
    script.AnswerPin({{Act::EnterPin, "1"}, {Act::Cancel, ""}});

    EXPECT_EQ(Login(), LOGIN_E_CANCELLED);
    EXPECT_EQ(script.messageBoxes,
              std::vector<std::string>{"PIN \u5bc6\u7801\u8ba4\u8bc1|\u8f93\u5165\u9519\u8bef\uff0cPIN \u5bc6\u7801"
                                       "\u6709\u6548\u957f\u5ea6\uff1a2-8 \u4e2a\u5b57\u7b26\uff01"});
}

TEST_F(Translated, LocaleWithoutTranslationKeepsEnglish) {
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    device().SetAuthResult(0x80006A80);
    DialogScript script;

    EXPECT_EQ(Login(), LOGIN_E_AUTH_FAILED);
    EXPECT_EQ(script.messageBoxes,
              std::vector<std::string>{"Fingerprint Authenticate|Key can not be an external authentication"});
}

TEST_F(Translated, TranslatorIsRemovedWhenTheCallReturns) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    device().SetAuthResult(0x80006A80);
    DialogScript script;

    EXPECT_EQ(Login(), LOGIN_E_AUTH_FAILED);
    ASSERT_EQ(script.messageBoxes.size(), 1u);
    EXPECT_EQ(script.messageBoxes[0].substr(0, 31), "Fingerabdruck-Authentifizierung");
    EXPECT_EQ(QCoreApplication::translate("QObject", "Success"), "Success");
}

}  // namespace
}  // namespace authdlg_test
