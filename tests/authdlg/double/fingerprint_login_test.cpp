// The fingerprint login from end to end: HXLoginVerify, the dialog and its
// worker against the scripted key.
#include "login_fixture.h"

namespace authdlg_test {
namespace {

using ::testing::ElementsAreArray;

TEST_F(LoginTest, IdentifiedFingerLogsInAndShowsTheTemplateNumber) {
    device().QueueCaptures({0});
    device().QueueIdentifications({{0, 3}});
    DialogScript script;

    EXPECT_EQ(Login(), 0u);

    EXPECT_FALSE(script.watchdogFired);
    EXPECT_THAT(script.texts, ElementsAreArray(SuccessTexts(3)));
    EXPECT_TRUE(script.messageBoxes.empty());
    EXPECT_EQ(retryTimes_, 0) << "no failure yet";
    EXPECT_EQ(g_CancelPressed.load(), 0);
    EXPECT_EQ(device().Count("extract 1"), 1) << "features go to slot 1";
    EXPECT_EQ(device().Count("identify 0"), 1) << "identification in match mode 0";
}

TEST_F(LoginTest, WorkerAsksTheSecurityStateAtEveryPassStart) {
    device().QueueCaptures({0, 0});
    device().QueueIdentifications({{FP_E_IDENTIFY_MISMATCH, 0, 4}, {0, 2}});
    DialogScript script;

    EXPECT_EQ(RunDialog(), 0u);
    EXPECT_EQ(device().Count("getSecState"), 3) << "two pass starts and one retry";
    EXPECT_EQ(dialog_->RetryTimes.load(), 4);
}

TEST_F(LoginTest, DialogReadsTheIndexBeforeTheWorkerStarts) {
    device().SetTemplates(5, {4});
    device().QueueCaptures({0});
    DialogScript script;

    EXPECT_EQ(RunDialog(), 0u);
    const auto calls = device().Calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0], "getMaxTmpltNum");
    EXPECT_EQ(calls[1], "readIndexFile");
    EXPECT_EQ(dialog_->nHaveTemplate, 1);
}

}  // namespace
}  // namespace authdlg_test
