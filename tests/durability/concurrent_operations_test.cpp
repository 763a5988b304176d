// Several fpkey processes enrolling, verifying, identifying and deleting on
// one key at the same time. Each worker owns one template number and uses
// fingers no one else uses, so every success can be checked: a template it
// enrolled holds its finger, a template it deleted is gone. The key ends
// as sound as it began.
#include <gtest/gtest.h>

#include <thread>

#include "fpkey_process.h"
#include "key_consistency.h"

namespace durability_test {
namespace {

constexpr unsigned kWorkers = 4;
constexpr unsigned kRounds = 4;

// What one worker saw go wrong.
std::vector<std::string> work(const std::filesystem::path &key, unsigned number) {
    std::vector<std::string> wrong;
    const std::string slot = std::to_string(number);
    for (unsigned round = 1; round <= kRounds; ++round) {
        const std::string finger = "worker-" + slot + "-round-" + std::to_string(round);
        const auto note = [&](const std::string &what, const Outcome &outcome) {
            wrong.push_back(finger + ": " + what + "\n" + outcome.output);
        };
        const Outcome enrolled = runFpkey(key, {"enroll", slot, "--finger", finger});
        if (!enrolled.succeeded()) {
            note("enrolment failed", enrolled);
            continue;
        }
        if (const Outcome verified = runFpkey(key, {"verify", slot, "--finger", finger}); !verified.succeeded()) {
            note("the template enrolled does not hold the finger enrolled", verified);
        }
        const Outcome identified = runFpkey(key, {"identify", "--finger", finger});
        if (identified.output.find("finger matches template " + slot + "\n") == std::string::npos) {
            note("identification did not find the template enrolled", identified);
        }
        if (const Outcome deleted = runFpkey(key, {"delete", slot}); !deleted.succeeded()) {
            note("deletion failed", deleted);
            continue;
        }
        if (const Outcome stale = runFpkey(key, {"verify", slot, "--finger", finger}); stale.succeeded()) {
            note("a deleted template still matches", stale);
        }
    }
    return wrong;
}

TEST(ConcurrentOperations, EverySuccessDidWhatItSaidAndTheKeyEndsSound) {
    ScratchDirectory scratch;
    const auto key = scratch.path() / "key.json";
    ASSERT_TRUE(runFpkey(key, {"set", "timeout", "30"}).succeeded());

    std::vector<std::vector<std::string>> wrong(kWorkers);
    std::vector<std::thread> workers;
    for (unsigned worker = 0; worker < kWorkers; ++worker) {
        workers.emplace_back([&, worker] { wrong[worker] = work(key, worker + 1); });
    }
    for (auto &thread : workers) thread.join();

    for (unsigned worker = 0; worker < kWorkers; ++worker) {
        for (const auto &problem : wrong[worker]) ADD_FAILURE() << problem;
    }
    const KeyReport end = inspectKey(key);
    EXPECT_TRUE(end.sound()) << end.describe();
    EXPECT_TRUE(end.enrolled.empty()) << end.describe();
    EXPECT_EQ(end.unnamedFiles, 0u) << end.describe();
    EXPECT_TRUE(end.strayFiles.empty()) << end.describe();
}

}  // namespace
}  // namespace durability_test
