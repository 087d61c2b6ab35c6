// Path judgement on the real file system under Wine and on the fakes natively.
#include <gtest/gtest.h>

#include "scan/PathJudge.h"
#include "support/seams.h"

namespace zt {
namespace {

class PathJudgeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        reg = test::MakeRegistry();
        sys = test::MakeSystem();
        // A fixed folder: the delimiter rules need a path free of dots, hyphens and blanks.
        folder = "C:\\ztjudge";
        test::PlantFolder(*sys, folder);
    }
    PathJudge Judge(std::string extensions = ".COM;.EXE") {
        return PathJudge(*reg, *sys, std::move(extensions));
    }
    std::unique_ptr<Registry> reg;
    std::unique_ptr<System> sys;
    std::string folder;
};

TEST(DrivePrefix, LettersAndPositions) {
    EXPECT_EQ(FindDrivePrefix("C:\\x.exe"), 0u);
    EXPECT_EQ(FindDrivePrefix("z:\\"), 0u);
    EXPECT_EQ(FindDrivePrefix("\"D:\\gone.exe\""), 1u);
    EXPECT_EQ(FindDrivePrefix("@c:\\x"), 1u);
    EXPECT_FALSE(FindDrivePrefix("A:\\x.exe"));
    EXPECT_FALSE(FindDrivePrefix("b:\\x.exe"));
    EXPECT_FALSE(FindDrivePrefix("\"A:\\x.exe"));
    EXPECT_FALSE(FindDrivePrefix("1:\\x"));
    EXPECT_FALSE(FindDrivePrefix("C:"));
    EXPECT_FALSE(FindDrivePrefix("C:x.exe"));
    EXPECT_FALSE(FindDrivePrefix("\\\\server\\share\\x"));
    EXPECT_FALSE(FindDrivePrefix("%SystemRoot%\\x.dll"));
    EXPECT_FALSE(FindDrivePrefix(""));
    // A leading quote before A: is not skipped over to find a later drive.
    EXPECT_FALSE(FindDrivePrefix("\"B:\\x"));
}

TEST(PlainFilePath, Shapes) {
    EXPECT_TRUE(LooksLikeFilePath("C:\\dir\\file.txt"));
    EXPECT_FALSE(LooksLikeFilePath("C:\\a.b:c"));
    EXPECT_FALSE(LooksLikeFilePath("C:\\dir\\name."));
    EXPECT_FALSE(LooksLikeFilePath("C:\\dir\\file"));
    EXPECT_FALSE(LooksLikeFilePath("C:\\dir.d\\file"));
    EXPECT_FALSE(LooksLikeFilePath("file.txt"));
    EXPECT_FALSE(LooksLikeFilePath("\"C:\\dir\\file.txt\""));
    EXPECT_FALSE(LooksLikeFilePath("C:\\dir\\app.exe /s"));
    EXPECT_FALSE(LooksLikeFilePath("C:\\dir\\app.exe,0;x"));
    EXPECT_FALSE(LooksLikeFilePath("C:\\dir\\(x).txt"));
    // A blank or a hyphen is allowed: they are not in the forbidden set.
    EXPECT_TRUE(LooksLikeFilePath("C:\\my dir\\a-b.txt"));
}

TEST_F(PathJudgeTest, MissingAndPresentFiles) {
    test::PlantFile(*sys, folder + "\\app.exe");
    auto judge = Judge();
    EXPECT_FALSE(judge.IsPathMissing(folder + "\\app.exe"));
    EXPECT_TRUE(judge.IsPathMissing(folder + "\\gone.exe"));
    EXPECT_TRUE(judge.IsPathMissing("\"" + folder + "\\gone.exe\" /s"));
    // Judged on the text before the closing quote.
    EXPECT_FALSE(judge.IsPathMissing("\"" + folder + "\\app.exe\" /uninstall"));
    // Present as soon as the text before the first space exists.
    EXPECT_FALSE(judge.IsPathMissing(folder + "\\app.exe --silent now"));
    EXPECT_FALSE(judge.IsPathMissing(folder + "\\app.exe,0"));
    // Only the folder exists before the hyphen or the blank: still present.
    EXPECT_FALSE(judge.IsPathMissing(folder + "-gone\\x.exe"));
    EXPECT_FALSE(judge.IsPathMissing(folder + " gone\\x.exe"));
    EXPECT_TRUE(judge.IsPathMissing(folder + "\\gone.dll,12"));
}

TEST_F(PathJudgeTest, WithoutDriveNeverMissing) {
    auto judge = Judge();
    EXPECT_FALSE(judge.IsPathMissing("A:\\x.exe"));
    EXPECT_FALSE(judge.IsPathMissing("B:\\x.exe"));
    EXPECT_FALSE(judge.IsPathMissing("zt_no_such_program.exe /run"));
    EXPECT_FALSE(judge.IsPathMissing("%SystemRoot%\\zt_gone.dll"));
    EXPECT_FALSE(judge.IsPathMissing("rundll32 zt_gone.dll,Entry"));
    EXPECT_FALSE(judge.IsPathMissing(""));
}

TEST_F(PathJudgeTest, ProgramExtensionsFromTheList) {
    test::PlantFile(*sys, folder + "\\tool.EXE");
    test::PlantFile(*sys, folder + "\\script.bat");
    auto judge = Judge();
    EXPECT_TRUE(judge.SearchProgram(folder + "\\tool"));
    EXPECT_FALSE(judge.IsPathMissing(folder + "\\tool"));
    EXPECT_FALSE(judge.SearchProgram(folder + "\\script"));
    EXPECT_TRUE(judge.IsPathMissing(folder + "\\script"));
    auto withBat = Judge(".COM;;.BAT");
    EXPECT_TRUE(withBat.SearchProgram(folder + "\\script"));
    EXPECT_FALSE(withBat.IsPathMissing(folder + "\\script"));
    // A name with a dot is searched once, as written.
    EXPECT_FALSE(withBat.SearchProgram(folder + "\\script.x"));
}

TEST_F(PathJudgeTest, ExtensionListFromEnvironment) {
    test::SetEnv(*sys, "PATHEXT", "");
    EXPECT_EQ(ReadProgramExtensions(*sys), ".COM;.EXE");
    test::SetEnv(*sys, "PATHEXT", ".BAT;.CMD");
    EXPECT_EQ(ReadProgramExtensions(*sys), ".BAT;.CMD");
    std::string longList;
    while (longList.size() < 1500)
        longList += ".ABCDEFG;";
    test::SetEnv(*sys, "PATHEXT", longList);
    EXPECT_EQ(ReadProgramExtensions(*sys), longList.substr(0, 998));
    test::SetEnv(*sys, "PATHEXT", ".COM;.EXE;.BAT;.CMD");
    EXPECT_EQ(PathJudge(*reg, *sys).ProgramExtensions(), ".COM;.EXE;.BAT;.CMD");
}

TEST_F(PathJudgeTest, EnvironmentExpansion) {
    test::SetEnv(*sys, "ZT_JUDGE_DIR", folder);
    auto judge = Judge();
    EXPECT_EQ(judge.ExpandEnvironment("%ZT_JUDGE_DIR%\\a.wav"), folder + "\\a.wav");
    // A string with a drive is returned as it is.
    EXPECT_EQ(judge.ExpandEnvironment("C:\\%ZT_JUDGE_DIR%\\a.wav"), "C:\\%ZT_JUDGE_DIR%\\a.wav");
    EXPECT_EQ(judge.ExpandEnvironment("%ZT_UNSET_VARIABLE%\\a"), "%ZT_UNSET_VARIABLE%\\a");
    test::SetEnv(*sys, "ZT_JUDGE_DIR", "");
}

TEST_F(PathJudgeTest, AppPathsAndProgramSearch) {
    const std::string appPaths = std::string(kAppPathsKey);
    reg->CloseKey(reg->CreateKey(RootHandle(kLocalMachine), appPaths + "\\zt_registered.exe"));
    std::string probe = sys->SystemFolder() + "\\zt_probe_prog.exe";
    test::PlantFile(*sys, probe);
    auto judge = Judge();
    EXPECT_FALSE(judge.IsAppPathMissing("zt_registered.exe"));
    EXPECT_FALSE(judge.IsAppPathMissing("ZT_REGISTERED.EXE"));
    EXPECT_FALSE(judge.IsAppPathMissing("zt_probe_prog.exe"));
    EXPECT_FALSE(judge.IsAppPathMissing("zt_probe_prog"));
    EXPECT_TRUE(judge.IsAppPathMissing("zt_nowhere_at_all.exe"));
    // Too long for the key path buffer: left alone rather than judged.
    EXPECT_FALSE(judge.IsAppPathMissing(std::string(990, 'q') + ".exe"));
    (void)sys->RemoveFile(probe);
    (void)reg->DeleteKeyTree(RootHandle(kLocalMachine), appPaths + "\\zt_registered.exe");
}

TEST_F(PathJudgeTest, CachingRemembersWithinOneRun) {
    std::string file = folder + "\\Cached.dll";
    test::PlantFile(*sys, file);
    auto judge = Judge();
    judge.SetCaching(true);
    EXPECT_FALSE(judge.IsPathMissing(file));
    ASSERT_TRUE(sys->RemoveFile(file));
    // Looked up once per run, whatever the letter case.
    EXPECT_FALSE(judge.IsPathMissing(folder + "\\CACHED.DLL"));
    judge.SetCaching(true); // a new run forgets
    EXPECT_TRUE(judge.IsPathMissing(file));
    judge.SetCaching(false);
    test::PlantFile(*sys, file);
    EXPECT_FALSE(judge.IsPathMissing(file));
}

TEST_F(PathJudgeTest, LongPrefixIsCut) {
    if (test::IsRealPlatform()) GTEST_SKIP() << "the platform refuses paths this long";
    std::string base = folder + "\\";
    std::string longName = base + std::string(kMaxPrefixChars - base.size(), 'x');
    ASSERT_EQ(longName.size(), kMaxPrefixChars);
    test::PlantFile(*sys, longName);
    auto judge = Judge();
    // The text before the blank is longer than 519 characters; its first 519 exist.
    EXPECT_FALSE(judge.IsPathMissing(longName + "yyyy /s"));
    EXPECT_TRUE(judge.IsPathMissing(longName + "yyyy"));
}

} // namespace
} // namespace zt
