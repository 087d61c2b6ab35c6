// A backup file that stops taking bytes ends the run at that finding.
#include "backup/RegFileReader.h"
#include "tests/cleaning/common/cleaning_fixture.h"

namespace zt::test {
namespace {

TEST_F(CleaningTest, AFullDiskStopsTheRunAtTheFailingFinding) {
    SetDword("Small", "v", 1);
    SetBinary("Large", "blob", 3000);
    SetDword("After", "v", 3);
    list.Add(KeyFinding("Small"));
    list.Add(KeyFinding("Large"));
    list.Add(KeyFinding("After"));
    sys.freeBytes = 2000; // the header and the first export fit, the second does not

    CleanOutcome out = Clean();
    EXPECT_EQ(out.status, CleanStatus::FileError);
    EXPECT_EQ(out.processed, 1);
    EXPECT_FALSE(KeyThere("Small"));
    EXPECT_TRUE(KeyThere("Large"));
    EXPECT_TRUE(KeyThere("After"));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_TRUE(list.IsTicked(0) && list.IsTicked(1));
    EXPECT_NE(out.error.find("not enough space"), std::string::npos) << out.error;
    EXPECT_EQ(prompt.shown.back(), out.error);
    EXPECT_FALSE(writer->IsOpen());
    // The file keeps the finding that was deleted, and no half-written piece that would stop
    // a restore.
    std::string text = ReadFileText(sys, out.backupFile).value_or("");
    EXPECT_NE(text.find(Block("Small") + "\"v\"=dword:00000001"), std::string::npos);
    EXPECT_TRUE(ParseRegFile(text).ok) << text;
    EXPECT_EQ(sink.refreshes, 1);
}

TEST_F(CleaningTest, ABackupFileThatCannotBeCreatedDeletesNothing) {
    SetDword("A", "v", 1);
    list.Add(KeyFinding("A"));
    sys.appData = "C:\\Scratch\\missing drive";
    sys.uncreatable.push_back(MakeBackupFileName(sys));
    CleanOutcome out = Clean();
    EXPECT_EQ(out.status, CleanStatus::FileError);
    EXPECT_EQ(out.processed, 0);
    EXPECT_TRUE(KeyThere("A"));
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(sink.refreshes, 0);
    EXPECT_TRUE(out.backupFile.empty());
    EXPECT_EQ(prompt.shown.back(), out.error);
}

} // namespace
} // namespace zt::test
