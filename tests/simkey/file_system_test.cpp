// The key's file system: factory files, reading and writing within bounds,
// creating and deleting files.
#include "sim_key_fixture.h"

namespace simkey_test {
namespace {

using simkey_test::operator<<;  // cases declared here print as their name

using FileSystem = SimKeyTest;

TEST_F(FileSystem, FactoryKeyHoldsTheNextFileRecordIndexAndLockMarkFile) {
    const auto record = readFile(0x0020, 0, 16);
    EXPECT_EQ(record, hexBytes("00 05 00 00000000000000000000000000"));
    EXPECT_EQ(readFile(0x0520, 0, 200), std::vector<uint8_t>(200, 0));
    EXPECT_EQ(status("00 B0 00 C8 01"), 0x6B00u) << "the index holds capacity x 20 bytes";
    EXPECT_EQ(readFile(0x4000, 0, 128), std::vector<uint8_t>(128, 0));
}

struct ReadCase {
    const char *name;
    const char *apdu;
    uint32_t status;
    size_t length;
};

class ReadBinary : public SimKeyTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReadBinary, ReadsExactlyLeBytesOrNothing) {
    ASSERT_EQ(status("00 A4 00 00 02 40 00"), 0x9000u);  // 128 bytes
    const Reply reply = send(GetParam().apdu);
    EXPECT_EQ(reply.status, GetParam().status);
    EXPECT_EQ(reply.data.size(), GetParam().length);
}

INSTANTIATE_TEST_SUITE_P(FileSystem, ReadBinary,
                         ::testing::Values(ReadCase{"WholeFile", "00 B0 00 00 80", 0x9000, 128},
                                           ReadCase{"LastByte", "00 B0 00 7F 01", 0x9000, 1},
                                           ReadCase{"OneByteTooMany", "00 B0 00 7F 02", 0x6282, 0},
                                           ReadCase{"LeZeroMeans256", "00 B0 00 00 00", 0x6282, 0},
                                           ReadCase{"OffsetAtEnd", "00 B0 00 80 01", 0x6B00, 0},
                                           ReadCase{"OffsetFarPastEnd", "00 B0 7F 00 01", 0x6B00, 0}),
                         CaseName());

TEST_F(FileSystem, ReadingNeedsASelectedElementaryFile) {
    EXPECT_EQ(status("00 B0 00 00 01"), 0x6986u);
    ASSERT_EQ(status("00 A4 00 00 02 3F 00"), 0x9000u);
    EXPECT_EQ(status("00 B0 00 00 01"), 0x6986u) << "the master file holds no data";
}

TEST_F(FileSystem, FailedSelectKeepsTheCurrentFile) {
    ASSERT_EQ(status("00 A4 00 00 02 00 20"), 0x9000u);
    ASSERT_EQ(status("00 A4 00 00 02 12 34"), 0x6A82u);
    EXPECT_EQ(send("00 B0 00 01 02").data, hexBytes("05 00"));
}

TEST_F(FileSystem, WriteAndUpdateBothStoreBytes) {
    authenticate();
    ASSERT_EQ(status("00 A4 00 00 02 40 00"), 0x9000u);
    ASSERT_EQ(status("00 D0 00 68 02 11 22"), 0x9000u);
    ASSERT_EQ(status("00 D6 00 6A 02 33 44"), 0x9000u);
    EXPECT_EQ(send("00 B0 00 67 06").data, hexBytes("00 11 22 33 44 00"));
}

TEST_F(FileSystem, WritePastTheEndChangesNothing) {
    authenticate();
    ASSERT_EQ(status("00 A4 00 00 02 40 00"), 0x9000u);
    EXPECT_EQ(status("00 D6 00 7F 02 AA BB"), 0x6A84u);
    EXPECT_EQ(status("00 D6 01 00 01 AA"), 0x6A84u);
    EXPECT_EQ(send("00 B0 00 7F 01").data, hexBytes("00"));
}

TEST_F(FileSystem, CreatedFileHasTheSizeFromItsParametersAndBecomesCurrent) {
    authenticate();
    ASSERT_EQ(status("80 E0 00 A0 07 28 03 88 EF EF FF FF"), 0x9000u);
    EXPECT_EQ(send("00 B0 03 87 01").data, hexBytes("00"));
    EXPECT_EQ(status("00 B0 03 88 01"), 0x6B00u);
    ASSERT_EQ(status("00 A4 00 00 02 00 A0"), 0x9000u);
}

struct CreateCase {
    const char *name;
    const char *apdu;
    uint32_t status;
};

class CreateFile : public SimKeyTest, public ::testing::WithParamInterface<CreateCase> {};

TEST_P(CreateFile, RefusesWhatItCannotCreate) {
    authenticate();
    EXPECT_EQ(status(GetParam().apdu), GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(FileSystem, CreateFile,
                         ::testing::Values(CreateCase{"ExistingFile", "80 E0 05 20 07 28 00 10 EF EF FF FF", 0x6A89},
                                           CreateCase{"MasterFile", "80 E0 3F 00 07 28 00 10 EF EF FF FF", 0x6A89},
                                           CreateCase{"ParametersWithoutSize", "80 E0 00 A0 02 28 03", 0x6A80},
                                           CreateCase{"SizeZero", "80 E0 00 A0 03 28 00 00", 0x6A80},
                                           CreateCase{"IdZero", "80 E0 00 00 07 28 00 10 EF EF FF FF", 0x6B00},
                                           CreateCase{"MoreThanTheKeyHolds", "80 E0 00 A0 03 28 FF FF", 0x6A84}),
                         CaseName());

TEST_F(FileSystem, FileCountIsLimited) {
    authenticate();
    uint32_t last = 0x9000;
    int created = 0;
    for (int id = 0x100; id < 0x200 && last == 0x9000; ++id) {
        last = send(std::vector<uint8_t>{0x80, 0xE0, static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id & 0xFF),
                                         0x03, 0x28, 0x00, 0x01})
                   .status;
        created += last == 0x9000 ? 1 : 0;
    }
    EXPECT_EQ(last, 0x6A84u);
    EXPECT_EQ(created, 64 - 3) << "three system files are there from the start";
}

struct SystemFileCase {
    const char *name;
    const char *apdu;
};

class DeleteSystemFile : public SimKeyTest, public ::testing::WithParamInterface<SystemFileCase> {};

TEST_P(DeleteSystemFile, IsRefused) {
    authenticate();
    EXPECT_EQ(status(GetParam().apdu), 0x6985u);
}

INSTANTIATE_TEST_SUITE_P(FileSystem, DeleteSystemFile,
                         ::testing::Values(SystemFileCase{"MasterFile", "00 E4 00 00 02 3F 00"},
                                           SystemFileCase{"NextFileRecord", "00 E4 00 00 02 00 20"},
                                           SystemFileCase{"TemplateIndex", "00 E4 00 00 02 05 20"},
                                           SystemFileCase{"LockMarkFile", "00 E4 00 00 02 40 00"}),
                         CaseName());

TEST_F(FileSystem, DeletedFileIsGoneAndNoLongerCurrent) {
    authenticate();
    ASSERT_EQ(status("80 E0 00 A0 07 28 03 88 EF EF FF FF"), 0x9000u);
    ASSERT_EQ(status("00 E4 00 00 02 00 A0"), 0x9000u);
    EXPECT_EQ(status("00 B0 00 00 01"), 0x6986u);
    EXPECT_EQ(status("00 A4 00 00 02 00 A0"), 0x6A82u);
    EXPECT_EQ(status("00 E4 00 00 02 00 A0"), 0x6A82u);
    EXPECT_EQ(status("80 E0 00 A0 07 28 03 88 EF EF FF FF"), 0x9000u) << "the id is free again";
}

TEST_F(FileSystem, FileDeletedByAnotherConnectionIsNotFound) {
    authenticate();
    ASSERT_EQ(status("80 E0 00 A0 07 28 00 10 EF EF FF FF"), 0x9000u);
    DeviceContext other = openAnother();
    authenticate(other);
    ASSERT_EQ(transmit(other, hexBytes("00 E4 00 00 02 00 A0")).status, 0x9000u);
    EXPECT_EQ(status("00 B0 00 00 01"), 0x6A82u);
    HXKeyClose(&other);
}

}  // namespace
}  // namespace simkey_test
