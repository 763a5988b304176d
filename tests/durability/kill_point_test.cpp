// fpkey killed at every state write of an enrolment and of a deletion, on
// either side of the write: the key it leaves parses, its index and
// template files agree, and enrolment, identification and deletion work
// on it afterwards.
#include <gtest/gtest.h>

#include <csignal>
#include <map>

#include "fpkey_process.h"
#include "key_consistency.h"
#include "test_names.h"

namespace durability_test {
namespace {

// Far beyond the writes of one enrolment; a sweep that gets here never ended.
constexpr int kMaxWrites = 200;

// The settings that make the preloaded kill library end fpkey at its
// writeNumber-th state write ("before" or "after" the state is replaced).
std::vector<std::string> killAtWrite(int writeNumber, const char *phase) {
    std::vector<std::string> settings(3);
    settings[0].append("LD_PRELOAD=").append(KILL_AFTER_WRITE_LIBRARY);
    settings[1].append("FPKEY_KILL_AT_WRITE=").append(std::to_string(writeNumber));
    settings[2].append("FPKEY_KILL_PHASE=").append(phase);
    return settings;
}

struct KillCase {
    const char *name;
    std::vector<std::string> operation;
    const char *phase;
    std::map<unsigned, std::string> enrolledAtTheEnd;  // after the operation has been run again
    // A re-enrolment writes the new template into the entry's own file before
    // the entry's label: killed between the two, the entry holds the new
    // finger under the old label until the enrolment is run again.
    std::map<unsigned, std::string> newFingerUnderOldLabel = {};
};

std::ostream &operator<<(std::ostream &out, const KillCase &c) { return out << c.name; }

class KillPoint : public ::testing::TestWithParam<KillCase> {
protected:
    // The known key every trial starts from: template 1 holds "known-1".
    void SetUp() override {
        known_ = scratch_.path() / "known.json";
        const Outcome enrolled = runFpkey(known_, {"enroll", "1", "--finger", "known-1"});
        ASSERT_TRUE(enrolled.succeeded()) << enrolled.output;
    }

    // What a person does next with the key the killed process left.
    void expectKeyWorks(const std::filesystem::path &key) {
        const KeyReport left = inspectKey(key);
        EXPECT_TRUE(left.sound()) << left.describe();
        EXPECT_LE(left.unnamedFiles, 1u) << "one operation leaves one file at most\n" << left.describe();
        for (const auto &[number, label] : left.enrolled) {
            Outcome verified = runFpkey(key, {"verify", std::to_string(number), "--finger", label});
            const auto replaced = GetParam().newFingerUnderOldLabel.find(number);
            if (!verified.succeeded() && replaced != GetParam().newFingerUnderOldLabel.end()) {
                verified = runFpkey(key, {"verify", std::to_string(number), "--finger", replaced->second});
            }
            EXPECT_TRUE(verified.succeeded()) << "entry " << number << " and its template disagree\n"
                                              << verified.output;
        }
        const Outcome again = runFpkey(key, GetParam().operation);
        EXPECT_TRUE(again.succeeded()) << "the operation is jammed\n" << again.output;
        const Outcome enrolled = runFpkey(key, {"enroll", "3", "--finger", "after-the-kill"});
        ASSERT_TRUE(enrolled.succeeded()) << "enrolment is jammed\n" << enrolled.output;
        const Outcome identified = runFpkey(key, {"identify", "--finger", "after-the-kill"});
        EXPECT_NE(identified.output.find("finger matches template 3"), std::string::npos) << identified.output;
        const Outcome deleted = runFpkey(key, {"delete", "3"});
        EXPECT_TRUE(deleted.succeeded()) << "deletion is jammed\n" << deleted.output;

        const KeyReport end = inspectKey(key);
        EXPECT_TRUE(end.sound()) << end.describe();
        EXPECT_EQ(end.enrolled, GetParam().enrolledAtTheEnd) << end.describe();
        EXPECT_TRUE(end.strayFiles.empty()) << "temporary files outlive the next run\n" << end.describe();
    }

    ScratchDirectory scratch_;
    std::filesystem::path known_;
};

TEST_P(KillPoint, LeavesAKeyThatParsesAgreesAndKeepsWorking) {
    int killed = 0;
    for (int write = 1; write <= kMaxWrites; ++write) {
        SCOPED_TRACE("killed " + std::string(GetParam().phase) + " state write " + std::to_string(write));
        const auto trial = scratch_.path() / ("trial-" + std::to_string(write));
        std::filesystem::create_directory(trial);
        const auto key = trial / "key.json";
        std::filesystem::copy_file(known_, key);
        const Outcome run = runFpkey(key, GetParam().operation, killAtWrite(write, GetParam().phase));
        if (run.signal != SIGKILL) {
            EXPECT_TRUE(run.succeeded()) << run.output;
            break;  // the operation needs fewer writes: every point has been tried
        }
        ++killed;
        expectKeyWorks(key);
        std::filesystem::remove_all(trial);
        if (HasFatalFailure()) return;
    }
    EXPECT_GE(killed, 1) << "the kill library never fired";
    EXPECT_LT(killed, kMaxWrites);
}

INSTANTIATE_TEST_SUITE_P(Operations, KillPoint,
                         ::testing::Values(KillCase{"EnrolKilledAfterAWrite",
                                                    {"enroll", "2", "--finger", "newcomer", "--replace"},
                                                    "after",
                                                    {{1, "known-1"}, {2, "newcomer"}}},
                                           KillCase{"EnrolKilledBeforeAWrite",
                                                    {"enroll", "2", "--finger", "newcomer", "--replace"},
                                                    "before",
                                                    {{1, "known-1"}, {2, "newcomer"}}},
                                           KillCase{"ReEnrolKilledAfterAWrite",
                                                    {"enroll", "1", "--finger", "replacement", "--replace"},
                                                    "after",
                                                    {{1, "replacement"}},
                                                    {{1, "replacement"}}},
                                           KillCase{"DeleteKilledAfterAWrite", {"delete", "1"}, "after", {}},
                                           KillCase{"DeleteKilledBeforeAWrite", {"delete", "1"}, "before", {}}),
                         fpkey_test::ByName());

}  // namespace
}  // namespace durability_test
