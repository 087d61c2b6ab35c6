// Enumeration of the startup locations, against the fakes natively and the real registry,
// folders and shell link object under Wine.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include "startup/StartupEnumerator.h"
#include "startup/StartupLocations.h"
#include "startup/row_sink.h"
#include "startup/startup_support.h"
#include "support/seams.h"

namespace zt {
namespace {

using test::PlantString;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

class StartupEnumerationTest : public ::testing::Test {
  protected:
    std::unique_ptr<Registry> reg = test::MakeRegistry();
    std::unique_ptr<System> sys = test::MakeSystem();
    test::StartupSandbox sandbox{*reg, *sys};
    test::RowSink sink;

    void Enumerate() {
        StartupEnumerator enumerator(*reg, *sys);
        enumerator.EnumerateStartupEntries(sink);
    }
    void Plant(RootKey root, std::string_view keyPath, const std::string& name,
               const std::string& text, std::uint32_t type = kRegSz) {
        ASSERT_TRUE(PlantString(*reg, root, std::string(keyPath), name, text, type));
    }
    void PlantRaw(RootKey root, std::string_view keyPath, const std::string& name,
                  std::uint32_t type, const std::string& bytes) {
        RegKey key(*reg, reg->CreateKey(RootHandle(root), keyPath));
        ASSERT_TRUE(key);
        ASSERT_TRUE(reg->WriteValue(key.get(), name, type, bytes.data(),
                                    static_cast<std::uint32_t>(bytes.size())));
    }
};

TEST_F(StartupEnumerationTest, EverySixteenLocationsInOrderWithLocationsAndKinds) {
    const std::string hklm = "HKLM\\", hkcu = "HKCU\\";
    // Planted in reverse so the order comes from the enumeration, not from the planting.
    test::PlantFile(*sys, JoinPath(sandbox.userFolder(), "user.bat"), "x");
    test::PlantFile(*sys, JoinPath(sandbox.commonFolder(), "common.bat"), "x");
    Plant(kCurrentUser, std::string(kRunOnceExKeyPath) + "\\0001", "s14", "c14");
    Plant(kLocalMachine, std::string(kRunOnceExKeyPath) + "\\0001", "s13", "c13");
    Plant(kCurrentUser, kRunOnceKeyPath, "s12", "c12");
    Plant(kLocalMachine, kRunOnceKeyPath, "s11", "c11");
    Plant(kCurrentUser, kRunServicesKeyPath, "s10", "c10");
    Plant(kLocalMachine, kRunServicesKeyPath, "s9", "c9");
    Plant(kCurrentUser, kRunServicesOnceKeyPath, "s8", "c8");
    Plant(kLocalMachine, kRunServicesOnceKeyPath, "s7", "c7");
    Plant(kLocalMachine, kPoliciesRunKeyPath, "s6", "c6");
    Plant(kCurrentUser, kPoliciesRunKeyPath, "s5", "c5");
    Plant(kLocalMachine, kWinlogonKeyPath, "Shell", "explorer.exe,shellx.exe");
    Plant(kLocalMachine, kWinlogonKeyPath, "Userinit", "userinit.exe,initx.exe");
    Plant(kCurrentUser, kWindowsKeyPath, "run", "runner.exe");
    Plant(kCurrentUser, kWindowsKeyPath, "load", "loader.exe");
    Plant(kCurrentUser, kRunKeyPath, "s2", "c2");
    Plant(kLocalMachine, kRunKeyPath, "s1", "c1");

    Enumerate();

    EXPECT_THAT(sink.Names(),
                ElementsAre("s1", "s2", "load", "run", "Userinit", "Shell", "s5", "s6", "s7", "s8",
                            "s9", "s10", "s11", "s12", "s13", "s14", "common.bat", "user.bat"));
    const std::string winlogon = hklm + std::string(kWinlogonKeyPath);
    const std::vector<std::string> locations = {hklm + std::string(kRunKeyPath),
                                                hkcu + std::string(kRunKeyPath),
                                                hkcu + std::string(kWindowsKeyPath),
                                                hkcu + std::string(kWindowsKeyPath),
                                                winlogon,
                                                winlogon,
                                                hkcu + std::string(kPoliciesRunKeyPath),
                                                hklm + std::string(kPoliciesRunKeyPath),
                                                hklm + std::string(kRunServicesOnceKeyPath),
                                                hkcu + std::string(kRunServicesOnceKeyPath),
                                                hklm + std::string(kRunServicesKeyPath),
                                                hkcu + std::string(kRunServicesKeyPath),
                                                hklm + std::string(kRunOnceKeyPath),
                                                hkcu + std::string(kRunOnceKeyPath),
                                                hklm + std::string(kRunOnceExKeyPath) + "\\0001",
                                                hkcu + std::string(kRunOnceExKeyPath) + "\\0001",
                                                "Common Startup",
                                                "Startup"};
    ASSERT_EQ(sink.rows.size(), locations.size());
    for (std::size_t i = 0; i < locations.size(); ++i) {
        SCOPED_TRACE(sink.rows[i].name);
        EXPECT_EQ(sink.rows[i].number, static_cast<int>(i) + 1);
        EXPECT_EQ(sink.rows[i].location, locations[i]);
        StartupEntryKind kind = StartupEntryKind::RegistryValue;
        if (i == 4) kind = StartupEntryKind::WinlogonUserinit;
        if (i == 5) kind = StartupEntryKind::WinlogonShell;
        if (i >= 16) kind = StartupEntryKind::StartupFolderFile;
        EXPECT_EQ(sink.rows[i].kind, kind);
    }
    EXPECT_EQ(sink.rows[0].command, "c1");
    EXPECT_EQ(sink.rows[4].command, "initx.exe");
    EXPECT_EQ(sink.rows[5].command, "shellx.exe");
    EXPECT_EQ(sink.rows[16].command, JoinPath(sandbox.commonFolder(), "common.bat"));
    EXPECT_EQ(sink.rows[17].command, JoinPath(sandbox.userFolder(), "user.bat"));

    // A second enumeration starts from an empty list and numbers from 1 again.
    Enumerate();
    EXPECT_EQ(sink.clears, 2);
    ASSERT_EQ(sink.rows.size(), locations.size());
    EXPECT_EQ(sink.rows.front().number, 1);
    EXPECT_EQ(sink.rows.back().number, static_cast<int>(locations.size()));
}

// Wine enumerates values by name, the fakes in insertion order: the names agree on both.
TEST(StartupEntryIdTest, SameEverywhereFoldedAsTheRegistryComparesNames) {
    StartupEntry e;
    e.location = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    e.name = "Updater";
    // FNV-1a 64 of "hkcu\software\...\run\0updater\0RegistryValue\0", worked out apart: fleet
    // scripts carry it from machine to machine.
    EXPECT_EQ(StartupEntryId(e), "e963fdef4572368d");
    StartupEntry folded = e;
    folded.name = "UPDATER";
    folded.location = "HKCU\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RUN";
    EXPECT_EQ(StartupEntryId(folded), StartupEntryId(e));
    StartupEntry twin = e, kind = e;
    twin.location = "HKLM\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
    kind.kind = StartupEntryKind::StartupFolderFile;
    EXPECT_NE(StartupEntryId(twin), StartupEntryId(e));
    EXPECT_NE(StartupEntryId(kind), StartupEntryId(e));
}

TEST_F(StartupEnumerationTest, ListsOnlyStringValuesAndStopsAtAnOversizedOne) {
    Plant(kLocalMachine, kRunKeyPath, "a1first", "a.exe");
    RegKey key(*reg, reg->CreateKey(RootHandle(kLocalMachine), kRunKeyPath));
    ASSERT_TRUE(reg->WriteDword(key.get(), "a2number", 7));
    PlantRaw(kLocalMachine, kRunKeyPath, "a3binary", kRegBinary, "b.exe");
    PlantRaw(kLocalMachine, kRunKeyPath, "a4multi", kRegMultiSz, std::string("m.exe\0\0", 7));
    Plant(kLocalMachine, kRunKeyPath, "a5empty", "");
    Plant(kLocalMachine, kRunKeyPath, "a6fits", std::string(1999, 'f')); // 2000 bytes with zero
    Plant(kLocalMachine, kRunKeyPath, "a7huge", std::string(2000, 'h')); // 2001 bytes
    Plant(kLocalMachine, kRunKeyPath, "a8after", "after.exe");
    Plant(kCurrentUser, kRunKeyPath, "nextKey", "n.exe");

    Enumerate();

    EXPECT_THAT(sink.Names(), ElementsAre("a1first", "a5empty", "a6fits", "nextKey"));
    ASSERT_NE(sink.Find("a5empty"), nullptr);
    EXPECT_EQ(sink.Find("a5empty")->command, "");
    EXPECT_EQ(sink.Find("a6fits")->command.size(), 1999u);
}

TEST_F(StartupEnumerationTest, RegistryStringWithoutZeroOrZeroBytesIsHandled) {
    PlantRaw(kLocalMachine, kRunKeyPath, "nozero", kRegSz, "raw.exe");
    PlantRaw(kLocalMachine, kRunKeyPath, "nodata", kRegSz, "");
    Enumerate();
    EXPECT_THAT(sink.Names(), ElementsAre("nozero"));
    EXPECT_EQ(sink.rows[0].command, "raw.exe");
}

TEST_F(StartupEnumerationTest, ExpandSzIsExpandedButLoadAndRunAreNot) {
    test::SetEnv(*sys, "ZTSTARTUPDIR", "C:\\Tools");
    Plant(kLocalMachine, kRunKeyPath, "e1expanded", "%ZTSTARTUPDIR%\\x.exe", kRegExpandSz);
    Plant(kLocalMachine, kRunKeyPath, "e2plain", "%ZTSTARTUPDIR%\\p.exe");
    Plant(kLocalMachine, kRunKeyPath, "e3drive", "C:\\%ZTSTARTUPDIR%\\d.exe", kRegExpandSz);
    Plant(kCurrentUser, kWindowsKeyPath, "load", "%ZTSTARTUPDIR%\\y.exe", kRegExpandSz);
    Plant(kCurrentUser, kWindowsKeyPath, "run", "");
    Enumerate();
    test::SetEnv(*sys, "ZTSTARTUPDIR", "");

    ASSERT_THAT(sink.Names(), ElementsAre("e1expanded", "e2plain", "e3drive", "load"));
    EXPECT_EQ(sink.rows[0].command, "C:\\Tools\\x.exe");
    EXPECT_EQ(sink.rows[1].command, "%ZTSTARTUPDIR%\\p.exe");
    // A text that starts with a drive path is taken as it is.
    EXPECT_EQ(sink.rows[2].command, "C:\\%ZTSTARTUPDIR%\\d.exe");
    EXPECT_EQ(sink.rows[3].command, "%ZTSTARTUPDIR%\\y.exe");
    EXPECT_EQ(sink.rows[3].location, "HKCU\\" + std::string(kWindowsKeyPath));
}

struct WinlogonCase {
    const char* value;
    const char* expected; // nullptr: no row
};

class WinlogonTest : public StartupEnumerationTest {
  protected:
    // Returns the command of the one row for `name`, or nullptr when there is none.
    const StartupEntry* Run(const char* name, const std::string& value) {
        Plant(kLocalMachine, kWinlogonKeyPath, name, value);
        Enumerate();
        EXPECT_LE(sink.rows.size(), 1u);
        return sink.Find(name);
    }
};

TEST_F(WinlogonTest, UserinitCases) {
    std::string sysDir = sys->SystemFolder();
    std::string upper = sysDir;
    for (auto& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::pair<std::string, const char*> cases[] = {
        {"userinit.exe,", nullptr},
        {"userinit.exe", nullptr},
        {"USERINIT.EXE,", nullptr},
        {sysDir + "\\userinit.exe,", nullptr},
        {upper + "\\USERINIT.EXE,", nullptr},
        {"userinit.exe,C:\\X\\y.exe,", "c:\\x\\y.exe "},
        {upper + "\\userinit.exe,C:\\A.EXE,B.exe", "c:\\a.exe b.exe"},
        {"", nullptr},
    };
    for (const auto& [value, expected] : cases) {
        SCOPED_TRACE(value);
        const StartupEntry* row = Run("Userinit", value);
        if (!expected) {
            EXPECT_EQ(row, nullptr);
            continue;
        }
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->command, expected);
        EXPECT_EQ(row->kind, StartupEntryKind::WinlogonUserinit);
        EXPECT_EQ(row->location, "HKLM\\" + std::string(kWinlogonKeyPath));
    }
    // Without its comma the default leaves the folder and its backslash behind.
    const StartupEntry* row = Run("Userinit", sysDir + "\\userinit.exe");
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->command, AsciiLower(sysDir) + "\\");
}

TEST_F(WinlogonTest, ShellCases) {
    std::string winDir = sys->WindowsFolder();
    const std::pair<std::string, const char*> cases[] = {
        {"Explorer.exe", nullptr},
        {"explorer.exe,", nullptr},
        {winDir + "\\Explorer.exe,", nullptr},
        {"explorer.exe other.exe", " other.exe"},
        {"Explorer.exe,Other.exe,", "other.exe "},
        {"myshell.exe", "myshell.exe"},
    };
    for (const auto& [value, expected] : cases) {
        SCOPED_TRACE(value);
        const StartupEntry* row = Run("Shell", value);
        if (!expected) {
            EXPECT_EQ(row, nullptr);
            continue;
        }
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->command, expected);
        EXPECT_EQ(row->kind, StartupEntryKind::WinlogonShell);
    }
}

TEST_F(StartupEnumerationTest, RunOnceExListsOnlyItsImmediateSubkeysAndSkipsDepend) {
    const std::string base(kRunOnceExKeyPath);
    Plant(kLocalMachine, base, "Title", "Setup");
    Plant(kLocalMachine, base + "\\0001", "step", "one.exe");
    Plant(kLocalMachine, base + "\\0001\\Depend", "dep", "dep.exe");
    Plant(kLocalMachine, base + "\\0001\\a", "deep1", "deep1.exe");
    Plant(kLocalMachine, base + "\\0001\\a\\b", "deep2", "deep2.exe");
    Plant(kLocalMachine, base + "\\0002", "step2", "two.exe");
    Plant(kLocalMachine, base + "\\DEPEND", "dep2", "dep2.exe");
    Plant(kCurrentUser, base, "userTitle", "x");
    Plant(kCurrentUser, base + "\\0003", "userStep", "three.exe");
    Enumerate();

    EXPECT_THAT(sink.Names(), ElementsAre("step", "step2", "userStep"));
    EXPECT_EQ(sink.rows[0].location, "HKLM\\" + base + "\\0001");
    EXPECT_EQ(sink.rows[1].location, "HKLM\\" + base + "\\0002");
    EXPECT_EQ(sink.rows[2].location, "HKCU\\" + base + "\\0003");

    // The same depth rule leaves later Run keys alone.
    sink.rows.clear();
    Plant(kCurrentUser, kRunOnceKeyPath, "afterwards", "x");
    Enumerate();
    EXPECT_NE(sink.Find("afterwards"), nullptr);
}

TEST_F(StartupEnumerationTest, StartupFoldersSkipIniFilesAndFoldersAndResolveShortcuts) {
    const std::string common = sandbox.commonFolder(), user = sandbox.userFolder();
    const std::string target = test::ScratchFolder(*sys);
    const std::string program = JoinPath(target, "prog.exe");
    test::PlantFile(*sys, program, "MZ");
    test::PlantFile(*sys, JoinPath(common, "desktop.ini"), "[x]");
    test::PlantFile(*sys, JoinPath(common, "notes.INI"), "[x]");
    test::PlantFolder(*sys, JoinPath(common, "sub"));
    test::PlantFile(*sys, JoinPath(JoinPath(common, "sub"), "inner.bat"), "x");
    test::PlantShortcut(*sys, JoinPath(common, "app.lnk"), program);
    test::PlantShortcut(*sys, JoinPath(user, "App.LNK"), program);
    test::PlantFile(*sys, JoinPath(user, "run.bat"), "@echo off");
    test::PlantFile(*sys, JoinPath(user, "broken.lnk"), "not a shortcut");

    Enumerate();

    ASSERT_EQ(sink.rows.size(), 4u) << ::testing::PrintToString(sink.Names());
    EXPECT_EQ(sink.rows[0].name, "app.lnk");
    EXPECT_EQ(sink.rows[0].location, "Common Startup");
    std::vector<std::string> userNames = {sink.rows[1].name, sink.rows[2].name, sink.rows[3].name};
    EXPECT_THAT(userNames, UnorderedElementsAre("App.LNK", "run.bat", "broken.lnk"));
    for (std::size_t i = 1; i < 4; ++i)
        EXPECT_EQ(sink.rows[i].location, "Startup");
    for (const auto& row : sink.rows)
        EXPECT_EQ(row.kind, StartupEntryKind::StartupFolderFile);
    EXPECT_EQ(NamesEqual(sink.rows[0].command, program), true) << sink.rows[0].command;
    EXPECT_TRUE(NamesEqual(sink.Find("App.LNK")->command, program))
        << sink.Find("App.LNK")->command;
    EXPECT_EQ(sink.Find("run.bat")->command, JoinPath(user, "run.bat"));
    // A file that the shell link object cannot read is listed with its own path.
    EXPECT_EQ(sink.Find("broken.lnk")->command, JoinPath(user, "broken.lnk"));
}

TEST_F(StartupEnumerationTest, EmptyShortcutTargetAndLettersOutsideAsciiShowAsTheyAre) {
    test::PlantShortcut(*sys, JoinPath(sandbox.userFolder(), "blank.lnk"), "");
    // Letters outside ASCII are lower-cased too; letters without case stay as they are.
    Plant(kLocalMachine, kWinlogonKeyPath, "Userinit", "userinit.exe,C:\\ÄPFEL\\工具\\Run.exe");

    Enumerate();

    const StartupEntry* blank = sink.Find("blank.lnk");
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(blank->command, "");
    const StartupEntry* userinit = sink.Find("Userinit");
    ASSERT_NE(userinit, nullptr);
    EXPECT_EQ(userinit->command, "c:\\äpfel\\工具\\run.exe");
}

} // namespace
} // namespace zt
