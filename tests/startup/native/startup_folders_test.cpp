// The startup folders' registry fallback, which the real shell never lets us reach.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include "platform/memory/MemoryRegistry.h"
#include "platform/memory/MemorySystem.h"
#include "startup/StartupEnumerator.h"
#include "startup/StartupLocations.h"
#include "startup/row_sink.h"

namespace zt {
namespace {

class StartupFolderFallbackTest : public ::testing::Test {
  protected:
    MemoryRegistry reg;
    MemorySystem sys;

    void PlantShellFolder(RootKey root, const std::string& name, std::uint32_t type,
                          const std::string& bytes) {
        RegKey key(reg, reg.CreateKey(RootHandle(root), kShellFoldersKeyPath));
        ASSERT_TRUE(reg.WriteValue(key.get(), name, type, bytes.data(),
                                   static_cast<std::uint32_t>(bytes.size())));
    }
};

TEST_F(StartupFolderFallbackTest, ShellFolderValuesStandInWhenTheShellHasNoFolder) {
    sys.AddFolder("C:\\Common");
    sys.AddFolder("C:\\Mine");
    sys.AddFile("C:\\Common\\a.bat");
    sys.AddFile("C:\\Mine\\b.bat");
    PlantShellFolder(kLocalMachine, "Common Startup", kRegSz, std::string("C:\\Common\0", 10));
    PlantShellFolder(kCurrentUser, "Startup", kRegExpandSz, std::string("C:\\Mine\0", 8));

    EXPECT_EQ(GetCommonStartupFolder(reg, sys), "C:\\Common");
    EXPECT_EQ(GetUserStartupFolder(reg, sys), "C:\\Mine");
    test::RowSink sink;
    StartupEnumerator(reg, sys).EnumerateStartupEntries(sink);
    ASSERT_EQ(sink.rows.size(), 2u);
    EXPECT_EQ(sink.rows[0].command, "C:\\Common\\a.bat");
    EXPECT_EQ(sink.rows[0].location, "Common Startup");
    EXPECT_EQ(sink.rows[1].command, "C:\\Mine\\b.bat");

    // The shell's answer wins over the registry.
    sys.SetKnownFolder(KnownFolder::Startup, "C:\\Other");
    EXPECT_EQ(GetUserStartupFolder(reg, sys), "C:\\Other");
}

TEST_F(StartupFolderFallbackTest, FallbackValueMustBeAZeroEndedStringOfAtMost260Bytes) {
    PlantShellFolder(kLocalMachine, "Common Startup", kRegDword, std::string("\1\0\0\0", 4));
    EXPECT_FALSE(GetCommonStartupFolder(reg, sys));
    PlantShellFolder(kLocalMachine, "Common Startup", kRegSz, "C:\\NoZero");
    EXPECT_FALSE(GetCommonStartupFolder(reg, sys));
    PlantShellFolder(kLocalMachine, "Common Startup", kRegSz, std::string(260, 'x'));
    EXPECT_FALSE(GetCommonStartupFolder(reg, sys));
    std::string longest(259, 'y');
    PlantShellFolder(kLocalMachine, "Common Startup", kRegSz, longest + '\0');
    EXPECT_EQ(GetCommonStartupFolder(reg, sys), longest);
    // Not expanded.
    PlantShellFolder(kLocalMachine, "Common Startup", kRegExpandSz,
                     std::string("%ALLUSERSPROFILE%\\S\0", 20));
    EXPECT_EQ(GetCommonStartupFolder(reg, sys), "%ALLUSERSPROFILE%\\S");
}

TEST_F(StartupFolderFallbackTest, NoFolderAtAllListsNothingFromIt) {
    test::RowSink sink;
    StartupEnumerator(reg, sys).EnumerateStartupEntries(sink);
    EXPECT_TRUE(sink.rows.empty());
    EXPECT_EQ(sink.clears, 1);
}

TEST_F(StartupFolderFallbackTest, PifFilesAreResolvedAndAFolderEndingInBackslashIsJoinedOnce) {
    sys.AddFolder("C:\\");
    sys.SetKnownFolder(KnownFolder::Startup, "C:\\");
    sys.AddFile("C:\\old.PIF");
    sys.shortcuts["c:\\old.pif"] = "C:\\DOS\\OLD.COM";
    test::RowSink sink;
    StartupEnumerator(reg, sys).EnumerateStartupEntries(sink);
    ASSERT_EQ(sink.rows.size(), 1u);
    EXPECT_EQ(sink.rows[0].command, "C:\\DOS\\OLD.COM");
    EXPECT_EQ(JoinPath("C:\\", "x"), "C:\\x");
    EXPECT_EQ(JoinPath("C:\\dir", "x"), "C:\\dir\\x");
}

} // namespace
} // namespace zt
