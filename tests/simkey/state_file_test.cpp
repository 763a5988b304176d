// The key's state file: persistence, creation, refusal of unusable files,
// sharing between connections, reset.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <future>
#include <sstream>
#include <thread>

#include "sim_key_fixture.h"

namespace simkey_test {
namespace {

using simkey_test::operator<<;  // cases declared here print as their name

std::string fileText(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeText(const std::filesystem::path &path, const std::string &text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

using StateFile = SimKeyTest;

TEST_F(StateFile, MissingFileBecomesAFactoryKeyReadableOnlyByItsOwner) {
    ASSERT_TRUE(std::filesystem::exists(keyFile_));
    struct stat status {};
    ASSERT_EQ(::stat(keyFile_.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_NE(fileText(keyFile_).find("\"version\": 1"), std::string::npos);
}

TEST_F(StateFile, ChangesSurviveClosingAndOpening) {
    authenticate();
    ASSERT_EQ(status("80 F9 06 06 01 2D"), 0x9000u);
    enrollTemplate(2, "alice");
    ASSERT_EQ(status("00 20 00 00 01 30"), 0x63C2u);
    HXKeyClose(&context_);
    EXPECT_EQ(context_.state, 0);
    EXPECT_EQ(context_.keyManagerHandle, 0u);

    ASSERT_EQ(HXKeyOpen(address().c_str(), &context_), 0) << HXKeyLastError();
    EXPECT_EQ(send("80 F9 05 06 01").data, hexBytes("2D"));
    EXPECT_EQ(status("00 20 00 00"), 0x63C2u);
    authenticate();
    presentFinger("alice", 1);
    EXPECT_EQ(send("80 FD 06 00 01").data, hexBytes("02"));
}

TEST_F(StateFile, SerialNumberStaysWithTheKey) {
    const auto before = send("80 FA 02 00 2F").data;
    DeviceContext other = openAnother();
    EXPECT_EQ(transmit(other, hexBytes("80 FA 02 00 2F")).data, before);
    HXKeyClose(&other);
}

TEST_F(StateFile, StoringLeavesNoTemporaryFiles) {
    authenticate();
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(status("80 F9 06 06 01 10"), 0x9000u);
        ASSERT_EQ(status("80 F9 06 06 01 20"), 0x9000u);
    }
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(directory_.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"key.json", "key.json.lock"}));
}

TEST_F(StateFile, ConnectionsToOneKeySeeEachOthersChanges) {
    DeviceContext other = openAnother();
    authenticate(other);
    ASSERT_EQ(HXSimPlaceFinger(&context_, "alice"), 0);
    EXPECT_EQ(transmit(other, hexBytes("80 FA 00 00 02")).status, 0x9000u) << "the finger placed on the first";

    ASSERT_EQ(transmit(other, hexBytes("80 FE 00 06 01 02")).status, 0x9000u);
    EXPECT_EQ(send("80 FE 01 06 01").data, hexBytes("02"));
    HXKeyClose(&other);
}

TEST_F(StateFile, ConcurrentChangesAreNotLost) {
    constexpr int kThreads = 4;
    constexpr int kFilesEach = 8;
    std::vector<std::thread> threads;
    std::vector<uint32_t> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            DeviceContext mine{};
            if (HXKeyOpen(address().c_str(), &mine) != 0) {
                failures[t] = 0xFFFFFFFF;
                return;
            }
            authenticate(mine);
            for (int i = 0; i < kFilesEach; ++i) {
                const auto id = static_cast<uint16_t>(0x1000 + t * 0x100 + i);
                const std::vector<uint8_t> create{
                    0x80, 0xE0, static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id & 0xFF), 0x03, 0x28, 0x00, 0x10};
                if (transmit(mine, create).status != 0x9000) {
                    ++failures[t];
                }
            }
            HXKeyClose(&mine);
        });
    }
    for (auto &thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, std::vector<uint32_t>(kThreads, 0));
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kFilesEach; ++i) {
            const auto id = static_cast<uint16_t>(0x1000 + t * 0x100 + i);
            EXPECT_EQ(send(std::vector<uint8_t>{0x00, 0xA4, 0x00, 0x00, 0x02, static_cast<uint8_t>(id >> 8),
                                                static_cast<uint8_t>(id & 0xFF)})
                          .status,
                      0x9000u)
                << std::hex << id;
        }
    }
}

struct CorruptCase {
    const char *name;
    std::string text;
    const char *problem;  // part of the message
};

class UnusableStateFile : public ::testing::TestWithParam<CorruptCase> {};

TEST_P(UnusableStateFile, IsRefusedWithAMessageAndLeftUnchanged) {
    TemporaryDirectory directory;
    const auto path = directory.path() / "key.json";
    writeText(path, GetParam().text);
    DeviceContext context{};
    context.state = 7;
    EXPECT_EQ(HXKeyOpen(("sim:" + path.string()).c_str(), &context), -1);
    EXPECT_EQ(context.state, 0) << "a failed open leaves the context cleared";
    const std::string message = HXKeyLastError();
    EXPECT_NE(message.find(path.string()), std::string::npos) << message;
    EXPECT_NE(message.find(GetParam().problem), std::string::npos) << message;
    EXPECT_NE(message.find("move it away"), std::string::npos) << message;
    EXPECT_EQ(fileText(path), GetParam().text);
}

// A valid state with one field replaced.
std::string factoryTextWith(const std::string &from, const std::string &to) {
    TemporaryDirectory directory;
    const auto path = directory.path() / "key.json";
    DeviceContext context{};
    EXPECT_EQ(HXKeyOpen(("sim:" + path.string()).c_str(), &context), 0);
    HXKeyClose(&context);
    std::string text = fileText(path);
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

INSTANTIATE_TEST_SUITE_P(
    StateFile, UnusableStateFile,
    ::testing::Values(CorruptCase{"Empty", "", "empty"},
                      CorruptCase{"TruncatedJson", "{\"format\": \"fpkey-simulated-key\", \"vers", "not valid JSON"},
                      CorruptCase{"NotAnObject", "[1, 2, 3]", "JSON object"},
                      CorruptCase{"SomethingElse", "{\"name\": \"x\"}", "not a simulated key"},
                      CorruptCase{"NewerVersion", factoryTextWith("\"version\": 1", "\"version\": 2"), "version 2"},
                      CorruptCase{"VerifyModeOutOfRange", factoryTextWith("\"verifyMode\": 1", "\"verifyMode\": 9"),
                                  "settings.verifyMode"},
                      CorruptCase{"MissingField", factoryTextWith("\"userPin\"", "\"userPinX\""), "userPin"},
                      CorruptCase{"BadHex", factoryTextWith("\"authKey\": \"00", "\"authKey\": \"zz"), "authKey"},
                      CorruptCase{"MoreTriesThanTheMaximum", factoryTextWith("\"left\": 3", "\"left\": 4"),
                                  "pinTries.left"}),
    CaseName());

TEST(StateFileReset, ReplacesAnUnusableFileOnRequest) {
    TemporaryDirectory directory;
    const auto path = directory.path() / "key.json";
    writeText(path, "garbage");
    const std::string address = "sim:" + path.string();
    ASSERT_EQ(HXSimResetKey(address.c_str()), 0) << HXKeyLastError();
    DeviceContext context{};
    ASSERT_EQ(HXKeyOpen(address.c_str(), &context), 0) << HXKeyLastError();
    EXPECT_EQ(transmit(context, hexBytes("80 F9 05 06 01")).data, hexBytes("1E"));
    HXKeyClose(&context);
}

TEST_F(StateFile, StateThatCannotBeStoredAnswersMemoryFailure) {
    // A directory where the lock file belongs makes every access fail.
    HXKeyClose(&context_);
    const auto lock = keyFile_.string() + ".lock";
    std::filesystem::remove(lock);
    std::filesystem::create_directory(lock);
    DeviceContext context{};
    EXPECT_EQ(HXKeyOpen(address().c_str(), &context), -1);
    EXPECT_NE(std::string(HXKeyLastError()).find(lock), std::string::npos);
    std::filesystem::remove(lock);
    ASSERT_EQ(HXKeyOpen(address().c_str(), &context_), 0) << HXKeyLastError();
    std::filesystem::remove(lock);
    std::filesystem::create_directory(lock);
    EXPECT_EQ(status("80 F9 05 06 01"), 0x6581u);
    std::filesystem::remove(lock);
    EXPECT_EQ(status("80 F9 05 06 01"), 0x9000u);
}

TEST_F(StateFile, ResetRestoresTheFactoryStateAndEndsAuthentication) {
    authenticate();
    ASSERT_EQ(status("80 F9 06 06 01 2D"), 0x9000u);
    ASSERT_EQ(status("00 20 00 00 01 30"), 0x63C2u);
    const auto serial = send("80 FA 02 00 2F").data;
    DeviceContext other = openAnother();
    authenticate(other);

    ASSERT_EQ(HXSimReset(&context_), 0) << HXKeyLastError();
    EXPECT_EQ(send("80 F9 05 06 01").data, hexBytes("1E"));
    EXPECT_EQ(status("00 20 00 00"), 0x63C3u);
    EXPECT_EQ(send("80 FA 02 00 2F").data, serial);
    EXPECT_EQ(status("80 F9 09 00 01"), 0x6982u);
    EXPECT_EQ(transmit(other, hexBytes("80 F9 09 00 01")).status, 0x6982u) << "the other connection too";
    HXKeyClose(&other);
}

TEST_F(StateFile, StatusReportShowsTheKey) {
    authenticate();
    enrollTemplate(1, "alice");
    std::vector<char> text(HXSimStatusJson(&context_, nullptr, 0));
    ASSERT_GT(text.size(), 1u);
    ASSERT_EQ(HXSimStatusJson(&context_, text.data(), text.size()), text.size());
    const std::string report(text.data());
    EXPECT_NE(report.find("\"finger\": \"alice\""), std::string::npos) << report;
    EXPECT_NE(report.find("\"authenticated\": true"), std::string::npos) << report;
    EXPECT_NE(report.find("\"fingerOnSensor\": \"alice\""), std::string::npos) << report;
}

TEST_F(StateFile, StatusReportIsNotCutShort) {
    char small[8] = "xxxxxxx";
    EXPECT_GT(HXSimStatusJson(&context_, small, sizeof small), sizeof small);
    EXPECT_EQ(small[0], '\0');
}

struct LinkCase {
    const char *name;
    const char *target;  // what the link points at, relative to its directory
};

class KeyBehindALink : public SimKeyTest, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(KeyBehindALink, IsStoredAtTheTargetAndTheLinkStays) {
    const auto target = directory_.path() / GetParam().target;
    std::filesystem::create_directories(target.parent_path());
    const auto link = directory_.path() / "alias.json";
    std::filesystem::create_symlink(GetParam().target, link);

    DeviceContext context{};
    ASSERT_EQ(HXKeyOpen(("sim:" + link.string()).c_str(), &context), 0) << HXKeyLastError();
    authenticate(context);
    ASSERT_EQ(transmit(context, hexBytes("80 F9 06 06 01 2D")).status, 0x9000u);
    HXKeyClose(&context);

    EXPECT_TRUE(std::filesystem::is_symlink(link)) << "the link was replaced by a file of its own";
    ASSERT_EQ(HXKeyOpen(("sim:" + target.string()).c_str(), &context), 0) << HXKeyLastError();
    EXPECT_EQ(transmit(context, hexBytes("80 F9 05 06 01")).data, hexBytes("2D")) << "the change went elsewhere";
    HXKeyClose(&context);
}

INSTANTIATE_TEST_SUITE_P(StateFile, KeyBehindALink,
                         ::testing::Values(LinkCase{"ToAnExistingKey", "key.json"},
                                           LinkCase{"ToAKeyNotYetMade", "keys/new.json"}),
                         CaseName());

TEST(StateFileKinds, AFifoIsRefusedWithoutWaitingForAWriter) {
    TemporaryDirectory directory;
    const auto fifo = directory.path() / "key.json";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::promise<std::pair<int, std::string>> opened;
    auto outcome = opened.get_future();
    std::thread opener([&] {
        DeviceContext context{};
        const int result = HXKeyOpen(("sim:" + fifo.string()).c_str(), &context);
        opened.set_value({result, HXKeyLastError()});
        HXKeyClose(&context);
    });
    const bool answered = outcome.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (!answered) {
        // Be the writer it waits for, so that the thread can end.
        ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
    }
    opener.join();
    ASSERT_TRUE(answered) << "opening the key waited for someone to write into the FIFO";
    const auto [result, message] = outcome.get();
    EXPECT_EQ(result, -1);
    EXPECT_NE(message.find("not a regular file"), std::string::npos) << message;
}

TEST_F(StateFile, TemporaryFilesOfAKilledWriterAreRemovedAtTheNextOpen) {
    HXKeyClose(&context_);
    const std::vector<std::string> leftovers{"key.json.tmp-a1B2c3", "key.json.tmp-ZZZZZZ"};
    const std::vector<std::string> others{"key.json.backup", "key.json.tmp-1234567", "other.json.tmp-a1B2c3"};
    for (const auto &name : leftovers) writeText(directory_.path() / name, "{\n \"authKey\": \"0001");
    for (const auto &name : others) writeText(directory_.path() / name, "mine");
    ASSERT_EQ(HXKeyOpen(address().c_str(), &context_), 0) << HXKeyLastError();
    for (const auto &name : leftovers) EXPECT_FALSE(std::filesystem::exists(directory_.path() / name)) << name;
    for (const auto &name : others) EXPECT_EQ(fileText(directory_.path() / name), "mine") << name;
}

}  // namespace
}  // namespace simkey_test
