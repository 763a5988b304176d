#include "test_names.h"
#include "api_fixture.h"

using namespace fpkey_test;

namespace {

class Enrollment : public DeviceApi {
protected:
    void SetUp() override {
        DeviceApi::SetUp();
        key().EnableFiles(10);
        key().PutFile(0x0020, {0x00, 0x05, 0x00, 0x00});
        key().PutFile(0x0520, Bytes(200, 0));
        for (size_t i = 0; i < description_.size(); ++i) description_[i] = static_cast<uint8_t>(0xC0 + i);
    }
    uint64_t Enroll(uint8_t number) { return HXDactylFeatureEnroll(device(), number, description_.data()); }
    Bytes Entry(uint8_t number) const {
        const Bytes &index = key().File(0x0520);
        return Bytes(index.begin() + (number - 1) * 20, index.begin() + number * 20);
    }
    uint16_t NextNumber() const { return static_cast<uint16_t>(key().File(0x0020)[1] | key().File(0x0020)[2] << 8); }
    bool Sent(const std::string &command) const {
        const auto sent = key().CommandsHex();
        return std::find(sent.begin(), sent.end(), command) != sent.end();
    }
    Bytes EnrolledEntry(uint16_t fileId) const {
        Bytes entry = {0x01, description_[1], static_cast<uint8_t>(fileId >> 8), static_cast<uint8_t>(fileId)};
        entry.insert(entry.end(), description_.begin() + 4, description_.end());
        return entry;
    }

    Bytes description_ = Bytes(20);
};

TEST_F(Enrollment, NewTemplateGetsTheNextFileAndAnIndexEntry) {
    EXPECT_EQ(Enroll(3), 0u);
    EXPECT_TRUE(Sent("80 E0 00 A0 07 28 03 88 EF EF FF FF"));
    EXPECT_TRUE(Sent("80 FC 00 A0 02"));
    EXPECT_TRUE(key().HasFile(0x00A0));
    EXPECT_EQ(NextNumber(), 6);
    EXPECT_EQ(Entry(3), EnrolledEntry(0x00A0));
    EXPECT_EQ(Entry(2), Bytes(20, 0));
}

TEST_F(Enrollment, NotLoggedInUndoesTheAllocation) {
    key().On("80 FC", 0x6982);
    EXPECT_EQ(Enroll(3), 0x80006982u);
    EXPECT_FALSE(key().HasFile(0x00A0));
    EXPECT_EQ(NextNumber(), 5);
    EXPECT_EQ(key().File(0x0520), Bytes(200, 0));
}

TEST_F(Enrollment, FailedEnrolKeepsTheFileForTheNextAttempt) {
    key().On("80 FC", 0x6A10, 1);
    EXPECT_EQ(Enroll(3), 0x80006A10u);
    Bytes allocated(20, 0);
    allocated[2] = 0x00;
    allocated[3] = 0xA0;
    EXPECT_EQ(Entry(3), allocated);
    EXPECT_EQ(NextNumber(), 6);

    const size_t before = key().Commands().size();
    EXPECT_EQ(Enroll(3), 0u);
    const auto sent = key().CommandsHex();
    EXPECT_EQ(std::count_if(sent.begin() + static_cast<long>(before), sent.end(),
                            [](const std::string &c) { return c.rfind("80 E0", 0) == 0; }),
              0);
    EXPECT_EQ(Entry(3), EnrolledEntry(0x00A0));
    EXPECT_EQ(NextNumber(), 6);
}

TEST_F(Enrollment, MissingFileOfAnEntryIsMadeAgain) {
    Bytes index(200, 0);
    index[40 + 2] = 0x00;
    index[40 + 3] = 0xA0;
    key().PutFile(0x0520, index);
    EXPECT_EQ(Enroll(3), 0x80006A82u);
    EXPECT_TRUE(Sent("80 E0 00 A0 07 28 03 88 EF EF FF FF"));
    const auto sent = key().CommandsHex();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "80 FC 00 A0 02"), 1);
    EXPECT_EQ(Enroll(3), 0u);
}

TEST_F(Enrollment, MasterFileNumberIsSkipped) {
    key().PutFile(0x0020, {0x00, 0xF8, 0x01, 0x00});
    EXPECT_EQ(Enroll(1), 0u);
    EXPECT_TRUE(key().HasFile(0x3F20));
    EXPECT_EQ(NextNumber(), 506);
}

struct EnrollFailureCase {
    const char *name;
    const char *failingCommand;
    uint32_t keyAnswer;
    uint64_t result;
};

class EnrollFailures : public Enrollment, public ::testing::WithParamInterface<EnrollFailureCase> {};

TEST_P(EnrollFailures, ReportTheirStep) {
    key().On(GetParam().failingCommand, GetParam().keyAnswer);
    EXPECT_EQ(Enroll(3), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, EnrollFailures,
    ::testing::Values(EnrollFailureCase{"CapacityUnreadable", "80 F9 04", 0x6982, 0x80006A0F},
                      EnrollFailureCase{"IndexUnreadable", "00 A4 00 00 02 05 20", 0x6A82, 0x80009902},
                      EnrollFailureCase{"NextRecordUnreadable", "00 A4 00 00 02 00 20", 0x6A82, 0x80006A0F},
                      EnrollFailureCase{"FileNotCreated", "80 E0", 0x6A84, 0x80000101},
                      EnrollFailureCase{"IndexNotWritten", "00 D0 00 28", 0x6581, 0x80000108},
                      EnrollFailureCase{"KeySaysIncorrectData", "80 FC", 0x6A80, 0x8000B001}),
    fpkey_test::ByName());

TEST_F(Enrollment, IndexWriteFailureErasesTheNewFile) {
    key().On("00 D0 00 28", 0x6581);
    EXPECT_EQ(Enroll(3), 0x80000108u);
    EXPECT_FALSE(key().HasFile(0x00A0));
    key().On("00 D0 00 3C", 0x6581);
    key().On("00 E4", 0x6A82);
    EXPECT_EQ(Enroll(4), 0x80000102u) << "erase failing too";
    EXPECT_TRUE(key().HasFile(0x00C0));
}

TEST_F(Enrollment, IndexWriteFailureKeepsAFileTheEntryAlreadyHad) {
    ASSERT_EQ(Enroll(3), 0u);
    key().On("00 D0 00 28", 0x6581);
    EXPECT_EQ(Enroll(3), 0x80000108u);
    EXPECT_TRUE(key().HasFile(0x00A0));
    EXPECT_EQ(Entry(3), EnrolledEntry(0x00A0));
}

// Where the next-file record points at a number whose file the key already
// has, or whose id is not a template file's.
struct FileNumberCase {
    const char *name;
    uint16_t record;
    uint16_t existingFile;  // 0: none
    bool namedByEntry1;     // the existing file belongs to template 1
    uint16_t fileId;        // what template 3 gets
    uint16_t recordAfter;
};

class FileNumbers : public Enrollment, public ::testing::WithParamInterface<FileNumberCase> {};

TEST_P(FileNumbers, NeverCollideAndNeverRunOut) {
    const FileNumberCase &c = GetParam();
    key().PutFile(0x0020, {0x00, static_cast<uint8_t>(c.record), static_cast<uint8_t>(c.record >> 8), 0x00});
    key().PutFile(0x4000, Bytes(128, 0));
    if (c.existingFile != 0) key().PutFile(c.existingFile, Bytes(904, 0x5A));
    if (c.namedByEntry1) {
        Bytes index(200, 0);
        index[0] = 1;
        index[2] = static_cast<uint8_t>(c.existingFile >> 8);
        index[3] = static_cast<uint8_t>(c.existingFile);
        key().PutFile(0x0520, index);
    }
    ASSERT_EQ(Enroll(3), 0u);
    EXPECT_EQ(Entry(3), EnrolledEntry(c.fileId));
    EXPECT_EQ(NextNumber(), c.recordAfter);
    EXPECT_TRUE(key().HasFile(c.fileId));
    EXPECT_EQ(key().File(0x0520).size(), 200u) << "the index is no template file";
    EXPECT_FALSE(Sent("80 FC 05 20 02"));
    EXPECT_FALSE(Sent("80 FC 40 00 02"));
}

INSTANTIATE_TEST_SUITE_P(Records, FileNumbers,
                         ::testing::Values(FileNumberCase{"TemplateIndexIsSkipped", 41, 0, false, 0x0540, 43},
                                           FileNumberCase{"LockMarkFileIsSkipped", 512, 0, false, 0x4020, 514},
                                           FileNumberCase{"LastNumberIsFollowedByTheFirst", 2047, 0, false, 0xFFE0, 5},
                                           FileNumberCase{"NumbersBeyondTheLastStartOver", 2048, 0, false, 0x00A0, 6},
                                           FileNumberCase{"FileOfAnEntryIsSkipped", 5, 0x00A0, true, 0x00C0, 7},
                                           // Killed between CREATE FILE and the record update.
                                           FileNumberCase{"UnnamedFileAtTheNumberIsTakenOver", 5, 0x00A0, false, 0x00A0,
                                                          6}),
                         fpkey_test::ByName());

TEST_F(Enrollment, KeyWithoutRoomGetsUnnamedTemplateFilesErased) {
    key().PutFile(0x0020, {0x00, 0x08, 0x00, 0x00});
    Bytes index(200, 0);
    index[2] = 0x00;
    index[3] = 0xE0;  // template 1 holds number 7
    key().PutFile(0x0520, index);
    for (uint16_t id : {0x00A0, 0x00C0, 0x00E0}) key().PutFile(id, Bytes(904, 0));
    key().On("80 E0 01 00", 0x6A84, 1);
    EXPECT_EQ(Enroll(3), 0u);
    EXPECT_FALSE(key().HasFile(0x00A0));
    EXPECT_FALSE(key().HasFile(0x00C0));
    EXPECT_TRUE(key().HasFile(0x00E0));
    EXPECT_EQ(Entry(3), EnrolledEntry(0x0100));
}

TEST_F(Enrollment, BadArgumentsSendNothingButTheCapacityQuery) {
    EXPECT_EQ(Enroll(0), 0x8000B002u);
    EXPECT_EQ(Enroll(11), 0x8000B002u);
    EXPECT_EQ(HXDactylDeleteFingerPrint(device(), 0), 0x8000B002u);
    EXPECT_EQ(HXDactylDeleteFingerPrint(device(), 11), 0x8000B002u);
    for (const std::string &command : key().CommandsHex()) EXPECT_EQ(command, "80 F9 04 06 01");
    key().Reset();
    EXPECT_EQ(HXDactylFeatureEnroll(device(), 1, nullptr), 0x8000B002u);
    EXPECT_EQ(HXDactylReadIndexFile(device(), nullptr), 0x8000B002u);
    EXPECT_TRUE(key().Commands().empty());
}

TEST_F(Enrollment, CapacityChangedUnderTheCopyIsRefused) {
    key().On("80 F9 04", Answer{0x9000, {2}}, 1);
    key().On("80 F9 04", Answer{0x9000, {200}});
    EXPECT_EQ(Enroll(1), 0x80009902u);
    EXPECT_FALSE(Sent("00 B0 00 00 B0"));
}

TEST_F(Enrollment, DeletionErasesFileAndClearsEntryButKeepsTheRecord) {
    ASSERT_EQ(Enroll(3), 0u);
    EXPECT_EQ(HXDactylDeleteFingerPrint(device(), 3), 0u);
    EXPECT_FALSE(key().HasFile(0x00A0));
    EXPECT_EQ(Entry(3), Bytes(20, 0));
    EXPECT_EQ(NextNumber(), 6);
}

TEST_F(Enrollment, DeletingAnEmptyEntryOnlyReadsTheIndex) {
    EXPECT_EQ(HXDactylDeleteFingerPrint(device(), 2), 0u);
    for (const std::string &command : key().CommandsHex()) {
        EXPECT_TRUE(command.rfind("80 F9 04", 0) == 0 || command.rfind("00 A4", 0) == 0 ||
                    command.rfind("00 B0", 0) == 0)
            << command;
    }
}

TEST_F(Enrollment, DeletingAnEntryWhoseFileIsGoneClearsIt) {
    ASSERT_EQ(Enroll(3), 0u);
    key().On("00 E4", 0x6A82, 1);  // erased by a deletion that was cut short
    EXPECT_EQ(HXDactylDeleteFingerPrint(device(), 3), 0u);
    EXPECT_EQ(Entry(3), Bytes(20, 0));
}

// The entry is cleared before its file is erased, so a failure never
// leaves an entry naming a file that is gone.
TEST_F(Enrollment, DeletionFailures) {
    ASSERT_EQ(Enroll(3), 0u);
    key().On("00 D0 00 28", 0x6581, 1);
    EXPECT_EQ(HXDactylDeleteFingerPrint(device(), 3), 0x80009901u);
    EXPECT_EQ(Entry(3), EnrolledEntry(0x00A0));
    EXPECT_TRUE(key().HasFile(0x00A0));
    key().On("00 E4", 0x6985, 1);
    EXPECT_EQ(HXDactylDeleteFingerPrint(device(), 3), 0x80009901u);
    EXPECT_EQ(Entry(3), Bytes(20, 0));
    key().On("00 A4 00 00 02 05 20", 0x6A82, 1);
    EXPECT_EQ(HXDactylDeleteFingerPrint(device(), 3), 0x80009902u);
}

TEST_F(Enrollment, ReadIndexFileReadsCapacityTimesTwenty) {
    Bytes index(200);
    for (size_t i = 0; i < index.size(); ++i) index[i] = static_cast<uint8_t>(i);
    key().PutFile(0x0520, index);
    Bytes out(200);
    EXPECT_EQ(HXDactylReadIndexFile(device(), out.data()), 0u);
    EXPECT_EQ(out, index);
    key().EnableFiles(0);
    EXPECT_EQ(HXDactylReadIndexFile(device(), out.data()), 0x80009902u);
}

}  // namespace
