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
}

TEST_F(SystemContract, PlatformFoldersAreThere) {
    EXPECT_FALSE(sys->SystemFolder().empty());
    EXPECT_TRUE(sys->IsDirectory(sys->WindowsFolder()));
    std::string temp = sys->GetTempFolder();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), '\\');
    EXPECT_NE(sys->LogicalDriveMask() & (1u << 2), 0u); // C:
}

} // namespace
} // namespace zt
