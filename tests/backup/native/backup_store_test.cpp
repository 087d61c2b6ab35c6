// Backup folder, file names, listing and replay, against the in-memory system.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "backup/BackupStore.h"
#include "backup/RegFileWriter.h"
#include "platform/memory/MemoryRegistry.h"
#include "platform/memory/MemorySystem.h"

namespace zt {
namespace {

TEST(BackupFolder, AppDataThenMakerThenProductCreatedOnConstruction) {
    MemorySystem sys;
    MemoryRegistry reg;
    sys.AddFolder("C:\\Users\\me\\AppData");
    sys.SetKnownFolder(KnownFolder::AppData, "C:\\Users\\me\\AppData");
    CRegFileWriter w(reg, sys);
    EXPECT_TRUE(sys.IsDirectory("C:\\Users\\me\\AppData\\Morvane"));
    EXPECT_TRUE(sys.IsDirectory("C:\\Users\\me\\AppData\\Morvane\\Zentrove"));
    EXPECT_EQ(GetBackupFolder(sys), "C:\\Users\\me\\AppData\\Morvane\\Zentrove");
}

TEST(BackupFolder, WindowsFolderWithoutAppData) {
    MemorySystem sys;
    EXPECT_EQ(GetBackupFolder(sys), "C:\\windows\\Morvane\\Zentrove");
    EXPECT_TRUE(sys.IsDirectory("C:\\windows\\Morvane\\Zentrove"));
}

TEST(BackupFileName, ZeroPaddedLocalTimeAndNextFreeNameWithinOneMillisecond) {
    MemorySystem sys;
    sys.now = LocalTime{2008, 2, 1, 9, 5, 3, 7, 5};
    std::string first = MakeBackupFileName(sys);
    EXPECT_EQ(first, "C:\\windows\\Morvane\\Zentrove\\20080201090503007.reg");
    EXPECT_EQ(MakeBackupFileName(sys), first) << "the name alone creates nothing";
    sys.PlantFile(first, "REGEDIT4\r\n\r\n");
    std::string second = MakeBackupFileName(sys);
    EXPECT_EQ(second, "C:\\windows\\Morvane\\Zentrove\\20080201090503007_001.reg");
    sys.PlantFile(second, "");
    std::string third = MakeBackupFileName(sys);
    EXPECT_EQ(third, "C:\\windows\\Morvane\\Zentrove\\20080201090503007_002.reg");
    sys.now.milliseconds = 8;
    std::string later = MakeBackupFileName(sys);
    // Sorted as text the names keep the order of the runs.
    EXPECT_LT(first, second);
    EXPECT_LT(second, third);
    EXPECT_LT(third, later);
}

TEST(BackupList, RegFilesOnlyNewestFirst) {
    MemorySystem sys;
    std::string folder = GetBackupFolder(sys);
    sys.PlantFile(folder + "\\20071223100000000.reg", "");
    sys.SetLastWriteTime(folder + "\\20071223100000000.reg", 1198404000);
    sys.PlantFile(folder + "\\20071223120000000.reg", "");
    sys.SetLastWriteTime(folder + "\\20071223120000000.reg", 1198411200);
    sys.PlantFile(folder + "\\backup.REG", "");
    sys.SetLastWriteTime(folder + "\\backup.REG", 1198407600); // 11:00
    sys.PlantFile(folder + "\\notes.txt", "");
    sys.PlantFile(folder + "\\x.reg ", "");
    sys.AddFolder(folder + "\\old.reg");
    // Two runs within one second: their names decide.
    sys.PlantFile(folder + "\\20071223120000500.reg", "");
    sys.SetLastWriteTime(folder + "\\20071223120000500.reg", 1198411200);

    auto items = ListBackups(sys);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].path, folder + "\\20071223120000500.reg");
    EXPECT_EQ(items[1].path, folder + "\\20071223120000000.reg");
    EXPECT_EQ(items[2].path, folder + "\\backup.REG");
    EXPECT_EQ(items[2].time, 1198407600);
    EXPECT_EQ(items[3].path, folder + "\\20071223100000000.reg");
}

TEST(BackupList, TimeTextAsThePageShowsIt) {
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(FormatBackupTime(1198425457), "Sunday,December 23,2007 - 15:57:37 PM");
    EXPECT_EQ(FormatBackupTime(1201856703), "Friday,February 01,2008 - 09:05:03 AM");
}

TEST(WriterFile, AFullDiskEndsTheCommandAndTheFileKeepsWhatReachedIt) {
    MemorySystem sys;
    MemoryRegistry reg;
    RegKey k(reg, reg.CreateKey(RootHandle(kCurrentUser), "Software\\Full"));
    std::string blob(3000, 'x');
    EXPECT_TRUE(reg.WriteValue(k.get(), "blob", kRegBinary, blob.data(), 3000));
    CRegFileWriter w(reg, sys);
    std::string path = MakeBackupFileName(sys);
    sys.freeBytes = 100;
    w.Open(path);
    EXPECT_THROW((void)w.ExportKey(kCurrentUser, "Software\\Full"), FileError);
    // The piece that did not fit is cut away again: the file holds only whole pieces.
    EXPECT_EQ(*sys.FileContent(path), "REGEDIT4\r\n");
    sys.uncreatable.push_back(path + "2");
    EXPECT_THROW(w.Open(path + "2"), FileError);
    EXPECT_EQ(sys.OpenOutFileCount(), 0u);
}

} // namespace
} // namespace zt
