// Measuring and emptying folders, against the fakes natively and real files under Wine.
#include <gtest/gtest.h>

#include <set>

#include "diskclean/FolderWalk.h"
#include "diskclean/JunkPlaces.h"
#include "support/seams.h"

namespace zt {
namespace {

TEST(FormatSize, EveryBoundaryOfTheTable) {
    EXPECT_EQ(FormatSize(0), "0 B");
    EXPECT_EQ(FormatSize(1), "1 B");
    EXPECT_EQ(FormatSize(1023), "1023 B");
    EXPECT_EQ(FormatSize(1024), "1.00 KB");
    EXPECT_EQ(FormatSize(1536), "1.50 KB");
    EXPECT_EQ(FormatSize(1048575), "1024.00 KB");
    EXPECT_EQ(FormatSize(1048576), "1.00 MB");
    EXPECT_EQ(FormatSize(1073741823), "1024.00 MB");
    EXPECT_EQ(FormatSize(1073741824), "1.00 GB");
    EXPECT_EQ(FormatSize(1099511627775ull), "1024.00 GB");
    EXPECT_EQ(FormatSize(1099511627776ull), "1.00 TB");
    EXPECT_EQ(FormatSize(1125899906842623ull), "1024.00 TB");
    EXPECT_EQ(FormatSize(1125899906842624ull), "too big! (more than 1024 TB)");
    EXPECT_EQ(FormatSize(~0ull), "too big! (more than 1024 TB)");
    // printf rounding of the quotient: 1.005 KB is 1029.12 bytes.
    EXPECT_EQ(FormatSize(1029), "1.00 KB");
    EXPECT_EQ(FormatSize(1030), "1.01 KB");
}

TEST(JunkCaptions, CaptionsAndOrder) {
    EXPECT_EQ(JunkCaption(JunkItem::RecycleBin, 0), "Clean the Recycle Bin (0 B)");
    EXPECT_EQ(JunkCaption(JunkItem::Cookies, 1536), "Clean the cookies (1.50 KB)");
    EXPECT_EQ(JunkCaption(JunkItem::UserTemp, 1048576),
              "Clean the user temporary folder (1.00 MB)");
    EXPECT_EQ(JunkCaption(JunkItem::SystemTemp, 5), "Clean the system temporary folder (5 B)");
    EXPECT_EQ(JunkCaption(JunkItem::InternetCache, 1024),
              "Clean the internet cache files (1.00 KB)");
    std::vector<std::string_view> names;
    for (JunkItem item : kJunkMeasuringOrder)
        names.push_back(JunkPlaceName(item));
    EXPECT_EQ(names, (std::vector<std::string_view>{"recycle-bin", "cookies", "user-temp",
                                                    "system-temp", "internet-cache"}));
}

class JunkFolder : public ::testing::Test {
  protected:
    std::unique_ptr<System> sys = test::MakeSystem();
    std::string dir = test::ScratchFolder(*sys);

    // A tree with index files at two levels, a nested empty folder and ordinary files.
    void PlantTree() {
        test::PlantFile(*sys, dir + "\\a.txt", std::string(100, 'a'));
        test::PlantFile(*sys, dir + "\\index.dat", std::string(1000, 'i'));
        test::PlantFile(*sys, dir + "\\Desktop.ini", std::string(10, 'd'));
        test::PlantFolder(*sys, dir + "\\sub");
        test::PlantFile(*sys, dir + "\\sub\\b.bin", std::string(2000, 'b'));
        test::PlantFile(*sys, dir + "\\sub\\INDEX.DAT", std::string(300, 'i'));
        test::PlantFolder(*sys, dir + "\\sub\\deeper");
        test::PlantFolder(*sys, dir + "\\sub\\deeper\\empty");
        test::PlantFile(*sys, dir + "\\sub\\deeper\\c", std::string(7, 'c'));
    }
    std::set<std::string> Names(const std::string& folder) {
        std::set<std::string> names;
        sys->EnumDirectory(folder, [&](const DirEntry& e) {
            names.insert(e.name);
            return true;
        });
        return names;
    }
};

TEST_F(JunkFolder, IndexFilesAreLeftOutOnlyWhenKept) {
    PlantTree();
    EXPECT_EQ(GetFolderSize(*sys, dir, false), 100u + 1000 + 10 + 2000 + 300 + 7);
    EXPECT_EQ(GetFolderSize(*sys, dir, true), 100u + 2000 + 7);
    EXPECT_EQ(GetFolderSize(*sys, dir + "\\missing", false), 0u);
}

TEST_F(JunkFolder, StopEndsTheWalk) {
    PlantTree();
    std::atomic<bool> stop{true};
    EXPECT_EQ(GetFolderSize(*sys, dir, false, &stop), 0u);
}

TEST_F(JunkFolder, CookiesModeKeepsIndexFilesAndSubfolders) {
    PlantTree();
    bool allDeleted = true;
    DeleteFolderContents(*sys, dir, false, true, allDeleted);
    EXPECT_TRUE(allDeleted);
    EXPECT_EQ(Names(dir), (std::set<std::string>{"index.dat", "Desktop.ini", "sub"}));
    EXPECT_EQ(Names(dir + "\\sub"), (std::set<std::string>{"INDEX.DAT", "deeper"}));
    EXPECT_EQ(Names(dir + "\\sub\\deeper"), (std::set<std::string>{"empty"}));
}

TEST_F(JunkFolder, TempModeDeletesEverythingButTheFolderItself) {
    PlantTree();
    bool allDeleted = true;
    DeleteFolderContents(*sys, dir, true, false, allDeleted);
    EXPECT_TRUE(allDeleted);
    EXPECT_TRUE(sys->IsDirectory(dir));
    EXPECT_TRUE(Names(dir).empty());
    EXPECT_EQ(GetFolderSize(*sys, dir, false), 0u);
}

TEST_F(JunkFolder, SubfolderThatStillHoldsSomethingStaysWithoutFailure) {
    PlantTree();
    bool allDeleted = true;
    // Index files kept while subfolders are removed: "sub" keeps its INDEX.DAT and stays.
    DeleteFolderContents(*sys, dir, true, true, allDeleted);
    EXPECT_TRUE(allDeleted);
    EXPECT_EQ(Names(dir), (std::set<std::string>{"index.dat", "Desktop.ini", "sub"}));
    EXPECT_EQ(Names(dir + "\\sub"), (std::set<std::string>{"INDEX.DAT"}));
}

TEST_F(JunkFolder, RefusedFolders) {
    auto reg = test::MakeRegistry();
    auto IsJunkFolderAcceptable = [&](System& s, const std::string& f) {
        return zt::IsJunkFolderAcceptable(*reg, s, f);
    };
    EXPECT_TRUE(IsJunkFolderAcceptable(*sys, dir));
    EXPECT_FALSE(IsJunkFolderAcceptable(*sys, ""));
    EXPECT_FALSE(IsJunkFolderAcceptable(*sys, "C:"));
    EXPECT_FALSE(IsJunkFolderAcceptable(*sys, "C:\\"));
    EXPECT_FALSE(IsJunkFolderAcceptable(*sys, "relative\\temp"));
    EXPECT_FALSE(IsJunkFolderAcceptable(*sys, "\\\\server\\share"));
    EXPECT_FALSE(IsJunkFolderAcceptable(*sys, sys->WindowsFolder()));
    EXPECT_FALSE(IsJunkFolderAcceptable(*sys, sys->SystemFolder()));
    EXPECT_FALSE(IsJunkFolderAcceptable(*sys, dir + "\\missing"));
}

TEST(JunkPaths, TrailingBackslashAndPathComparison) {
    std::string p = "C:\\Temp\\";
    RemoveTrailingBackslash(p);
    EXPECT_EQ(p, "C:\\Temp");
    RemoveTrailingBackslash(p);
    EXPECT_EQ(p, "C:\\Temp");
    EXPECT_TRUE(IsBelow("c:\\temp\\x", "C:\\Temp"));
    EXPECT_TRUE(IsBelow("c:\\temp\\x", "C:\\Temp\\"));
    EXPECT_FALSE(IsBelow("C:\\Temporary", "C:\\Temp"));
    EXPECT_FALSE(IsBelow("C:\\Temp", "C:\\Temp"));
    EXPECT_TRUE(IsIndexFileName("DESKTOP.INI"));
    EXPECT_FALSE(IsIndexFileName("index.dat.bak"));
}

} // namespace
} // namespace zt
