// One contract for both System implementations.
#include <gtest/gtest.h>

#include <set>

#include "support/seams.h"

namespace zt {
namespace {

class SystemContract : public ::testing::Test {
  protected:
    std::unique_ptr<System> sys = test::MakeSystem();
    std::string dir = test::ScratchFolder(*sys);
};

TEST_F(SystemContract, ExistenceOfFilesAndFolders) {
    test::PlantFile(*sys, dir + "\\a.txt", "hello");
    EXPECT_TRUE(sys->Exists(dir + "\\a.txt"));
    EXPECT_TRUE(sys->Exists(dir + "\\A.TXT"));
    EXPECT_FALSE(sys->IsDirectory(dir + "\\a.txt"));
    EXPECT_TRUE(sys->IsDirectory(dir));
    EXPECT_FALSE(sys->Exists(dir + "\\missing.txt"));
    EXPECT_FALSE(sys->Exists(""));
}

TEST_F(SystemContract, ProgramSearchWithAndWithoutExtension) {
    test::PlantFile(*sys, dir + "\\tool.exe", "MZ");
    auto found = sys->SearchProgramPath(dir + "\\tool", ".exe");
    ASSERT_TRUE(found);
    EXPECT_TRUE(sys->Exists(*found));
    EXPECT_TRUE(sys->SearchProgramPath(dir + "\\tool.exe", ""));
    EXPECT_FALSE(sys->SearchProgramPath(dir + "\\tool", ""));
    EXPECT_FALSE(sys->SearchProgramPath(dir + "\\tool", ".com"));
    EXPECT_FALSE(sys->SearchProgramPath(dir + "\\nothing.exe", ""));
    // Folders are found too, as the platform's search does.
    EXPECT_TRUE(sys->SearchProgramPath(dir, ""));
}

TEST_F(SystemContract, EnvironmentExpansion) {
    test::SetEnv(*sys, "ZT_TEST_VAR", "C:\\Some Where");
    EXPECT_EQ(sys->GetEnvVar("ZT_TEST_VAR").value_or(""), "C:\\Some Where");
    EXPECT_EQ(sys->ExpandEnv("%ZT_TEST_VAR%\\x.dll").value_or(""), "C:\\Some Where\\x.dll");
    EXPECT_EQ(sys->ExpandEnv("%zt_test_var%").value_or(""), "C:\\Some Where");
    EXPECT_EQ(sys->ExpandEnv("%ZT_NOT_SET_ANYWHERE%\\y").value_or(""), "%ZT_NOT_SET_ANYWHERE%\\y");
    EXPECT_EQ(sys->ExpandEnv("plain").value_or(""), "plain");
    test::SetEnv(*sys, "ZT_TEST_VAR", "");
    EXPECT_FALSE(sys->GetEnvVar("ZT_TEST_VAR"));
}

TEST_F(SystemContract, DirectoryListingDeleteAndRemove) {
    test::PlantFile(*sys, dir + "\\one.bin", std::string(1234, 'x'));
    test::PlantFolder(*sys, dir + "\\sub");
    std::set<std::string> names;
    std::uint64_t size = 0;
    ASSERT_TRUE(sys->EnumDirectory(dir, [&](const DirEntry& e) {
        names.insert(e.name);
        if (!e.IsDirectory())
            size = e.size;
        else
            EXPECT_FALSE(e.IsReparsePoint());
        return true;
    }));
    EXPECT_EQ(names, (std::set<std::string>{"one.bin", "sub"}));
    EXPECT_EQ(size, 1234u);
    EXPECT_FALSE(sys->RemoveFolder(dir)); // not empty
    EXPECT_TRUE(sys->RemoveFile(dir + "\\one.bin"));
    EXPECT_FALSE(sys->RemoveFile(dir + "\\one.bin"));
    EXPECT_TRUE(sys->RemoveFolder(dir + "\\sub"));
    EXPECT_TRUE(sys->RemoveFolder(dir));
    EXPECT_FALSE(sys->EnumDirectory(dir, [](const DirEntry&) { return true; }));
    EXPECT_FALSE(sys->EnumDirectory("", [](const DirEntry&) { return true; }));
}

TEST_F(SystemContract, PlatformFoldersAreThere) {
    EXPECT_FALSE(sys->SystemFolder().empty());
    EXPECT_TRUE(sys->IsDirectory(sys->WindowsFolder()));
    std::string temp = sys->GetTempFolder();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), '\\');
    EXPECT_NE(sys->LogicalDriveMask() & (1u << 2), 0u); // C:
}

// Names in several scripts (combining marks and a character outside the basic plane
// included), and a path past the old 260-character limit: every call finds, lists, opens
// and deletes them, and gives paths back in the form they were given.
TEST_F(SystemContract, NamesInEveryScriptAndPathsPastTheOldLimit) {
    const std::string named = dir + "\\Программы\\工具\\😀\\Łódź\\Cafe\u0301";
    const std::string deep = named + "\\" + std::string(120, 'd') + "\\" + std::string(120, 'e');
    ASSERT_GT(Utf16Length(deep), 260u);
    std::string at = dir;
    for (std::string_view part : {"Программы", "工具", "😀", "Łódź", "Cafe\u0301"})
        test::PlantFolder(*sys, at = JoinPath(at, part));
    test::PlantFolder(*sys, named + "\\" + std::string(120, 'd'));
    test::PlantFolder(*sys, deep);
    test::PlantFile(*sys, named + "\\tool.exe", "MZ");
    test::PlantFile(*sys, deep + "\\tool.exe", "MZ!");

    EXPECT_TRUE(sys->IsDirectory(deep));
    EXPECT_TRUE(sys->Exists(deep + "\\tool.exe"));
    // Wine matches names without regard to case for ASCII letters only.
    if (!test::IsRealPlatform()) EXPECT_TRUE(sys->Exists(dir + "\\ПРОГРАММЫ\\工具\\😀\\ŁÓDŹ"));
    EXPECT_FALSE(sys->Exists(deep + "\\missing.exe"));
    EXPECT_FALSE(sys->Exists(deep + "\\" + std::string(32000, 'z')));
    for (const std::string& folder : {named, deep}) {
        auto found = sys->SearchProgramPath(folder + "\\tool", ".exe");
        EXPECT_TRUE(found && NamesEqual(*found, folder + "\\tool.exe")) << found.value_or("none");
    }
    auto final = sys->FinalPath(deep);
    ASSERT_TRUE(final);
    EXPECT_TRUE(EndsWithNoCase(*final, deep.substr(dir.size()))) << *final;
    EXPECT_NE(final->substr(0, 2), "\\\\");

    std::set<std::string> names;
    ASSERT_TRUE(sys->EnumDirectory(named, [&](const DirEntry& e) {
        names.insert(e.name);
        return true;
    }));
    EXPECT_EQ(names, (std::set<std::string>{"tool.exe", std::string(120, 'd')}));

    test::SetEnv(*sys, "ZT_TEST_LODZ", "C:\\Łódź");
    EXPECT_EQ(sys->ExpandEnv("%ZT_TEST_LODZ%\\uninst.exe").value_or(""), "C:\\Łódź\\uninst.exe");
    const std::string longValue(3000, 'x');
    test::SetEnv(*sys, "ZT_TEST_LODZ", "Ж" + longValue);
    EXPECT_EQ(sys->ExpandEnv("%ZT_TEST_LODZ%%ZT_TEST_LODZ%").value_or(""),
              "Ж" + longValue + "Ж" + longValue);
    test::SetEnv(*sys, "ZT_TEST_LODZ", "");
    EXPECT_EQ(sys->LowerText("ÄPFEL Łódź ПРИВЕТ ΣΟΦΙΑ"), "äpfel łódź привет σοφια");

    OutFileHandle out = sys->CreateOutFile(deep + "\\note.txt");
    ASSERT_NE(out, kNoOutFile);
    EXPECT_TRUE(sys->WriteOutFile(out, "text", 4));
    EXPECT_TRUE(sys->CloseOutFile(out));
    EXPECT_EQ(sys->ReadWholeFile(deep + "\\note.txt").value_or(""), "text");
    {
        OpenedEntry tool(*sys, deep + "\\tool.exe");
        ASSERT_TRUE(tool);
        EXPECT_FALSE(tool.facts.elsewhere);
        EXPECT_EQ(tool.facts.size, 3u);
        EXPECT_TRUE(tool.Remove());
    }
    EXPECT_FALSE(sys->Exists(deep + "\\tool.exe"));
    EXPECT_TRUE(sys->RemoveFile(deep + "\\note.txt"));
    EXPECT_TRUE(sys->RemoveFolder(deep));
    EXPECT_FALSE(sys->IsDirectory(deep));
}

} // namespace
} // namespace zt
