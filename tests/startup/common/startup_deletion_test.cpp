// Deleting startup entries: backups, Winlogon resets, folder files, and the list walk.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include "backup/BackupStore.h"
#include "backup/RegFileWriter.h"
#include "startup/StartupEditor.h"
#include "startup/StartupEnumerator.h"
#include "startup/StartupLocations.h"
#include "startup/row_model.h"
#include "startup/scripted_prompt.h"
#include "startup/startup_support.h"
#include "support/seams.h"

namespace zt {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

class StartupDeletionTest : public ::testing::Test {
  protected:
    std::unique_ptr<Registry> reg = test::MakeRegistry();
    std::unique_ptr<System> sys = test::MakeSystem();
    test::StartupSandbox sandbox{*reg, *sys};
    test::RowModel rows;
    test::ScriptedPrompt prompt;
    int refreshes = 0;

    void Plant(RootKey root, std::string_view keyPath, const std::string& name,
               const std::string& text) {
        ASSERT_TRUE(test::PlantString(*reg, root, std::string(keyPath), name, text));
    }
    void Enumerate() { StartupEnumerator(*reg, *sys).EnumerateStartupEntries(rows); }
    StartupDeletionOutcome Delete() {
        CRegFileWriter writer(*reg, *sys);
        // Backups of one run are named to the millisecond; keep runs of a test apart.
        auto outcome =
            DeleteSelectedEntries(*reg, *sys, writer, rows, prompt, [this] { ++refreshes; });
        return outcome;
    }
    std::optional<std::string> ReadString(RootKey root, std::string_view keyPath,
                                          const std::string& name) {
        RegKey key(*reg, reg->OpenKeyRead(RootHandle(root), keyPath));
        if (!key) return std::nullopt;
        auto v = reg->ReadValueWhole(key.get(), name);
        if (!v) return std::nullopt;
        std::string s(v->data.begin(), v->data.end());
        while (!s.empty() && s.back() == '\0')
            s.pop_back();
        return s;
    }
    std::string Backup(const StartupDeletionOutcome& outcome) {
        EXPECT_FALSE(outcome.backupFile.empty());
        auto text = test::ReadWholeFile(*sys, outcome.backupFile);
        EXPECT_TRUE(text.has_value()) << outcome.backupFile;
        if (!outcome.backupFile.empty()) (void)sys->RemoveFile(outcome.backupFile);
        return text.value_or("");
    }
};

TEST_F(StartupDeletionTest, DeletesEveryKindWithRegistryEntriesInTheBackup) {
    const std::string onceEx = std::string(kRunOnceExKeyPath) + "\\0001";
    Plant(kLocalMachine, kRunKeyPath, "MachineApp", "C:\\Apps\\m.exe");
    Plant(kCurrentUser, onceEx, "Step", "C:\\Apps\\step.exe");
    Plant(kCurrentUser, kWindowsKeyPath, "load", "C:\\Apps\\load.exe");
    Plant(kLocalMachine, kWinlogonKeyPath, "Userinit", "userinit.exe,C:\\Apps\\u.exe");
    Plant(kLocalMachine, kWinlogonKeyPath, "Shell", "explorer.exe C:\\Apps\\s.exe");
    const std::string target = JoinPath(test::ScratchFolder(*sys), "target.exe");
    test::PlantFile(*sys, target, "MZ");
    const std::string link = JoinPath(sandbox.userFolder(), "target.lnk");
    test::PlantShortcut(*sys, link, target);
    const std::string bat = JoinPath(sandbox.commonFolder(), "common.bat");
    test::PlantFile(*sys, bat, "@echo off");
    Enumerate();
    ASSERT_EQ(rows.rows.size(), 7u) << ::testing::PrintToString(rows.Names());
    rows.TickAll();

    StartupDeletionOutcome outcome = Delete();

    EXPECT_EQ(outcome.rowsRemoved, 7);
    EXPECT_TRUE(rows.rows.empty());
    EXPECT_EQ(ReadString(kLocalMachine, kRunKeyPath, "MachineApp"), std::nullopt);
    EXPECT_EQ(ReadString(kCurrentUser, onceEx, "Step"), std::nullopt);
    EXPECT_EQ(ReadString(kCurrentUser, kWindowsKeyPath, "load"), std::nullopt);
    EXPECT_EQ(ReadString(kLocalMachine, kWinlogonKeyPath, "Userinit"),
              sys->SystemFolder() + "\\userinit.exe,");
    EXPECT_EQ(ReadString(kLocalMachine, kWinlogonKeyPath, "Shell"), "Explorer.exe");
    EXPECT_FALSE(sys->Exists(link));
    EXPECT_TRUE(sys->Exists(target)) << "the shortcut's target must survive";
    EXPECT_FALSE(sys->Exists(bat));

    if (test::IsRealPlatform()) {
        // The registry editor puts every registry entry back from the backup.
        ASSERT_EQ(RestoreBackupFile(*reg, *sys, outcome.backupFile).result,
                  RestoreResult::Restored);
        EXPECT_EQ(ReadString(kLocalMachine, kRunKeyPath, "MachineApp"), "C:\\Apps\\m.exe");
        EXPECT_EQ(ReadString(kCurrentUser, onceEx, "Step"), "C:\\Apps\\step.exe");
        EXPECT_EQ(ReadString(kCurrentUser, kWindowsKeyPath, "load"), "C:\\Apps\\load.exe");
        EXPECT_EQ(ReadString(kLocalMachine, kWinlogonKeyPath, "Userinit"),
                  "userinit.exe,C:\\Apps\\u.exe");
        EXPECT_EQ(ReadString(kLocalMachine, kWinlogonKeyPath, "Shell"),
                  "explorer.exe C:\\Apps\\s.exe");
    }
    std::string backup = Backup(outcome);
    EXPECT_EQ(backup.rfind("REGEDIT4\r\n", 0), 0u);
    EXPECT_THAT(backup, HasSubstr("[HKEY_LOCAL_MACHINE\\" + std::string(kRunKeyPath) +
                                  "]\r\n\"MachineApp\"=\"C:\\\\Apps\\\\m.exe\"\r\n"));
    EXPECT_THAT(backup, HasSubstr("[HKEY_CURRENT_USER\\" + onceEx + "]\r\n\"Step\"="));
    EXPECT_THAT(backup, HasSubstr("\"load\"=\"C:\\\\Apps\\\\load.exe\""));
    EXPECT_THAT(backup, HasSubstr("\"Userinit\"=\"userinit.exe,C:\\\\Apps\\\\u.exe\""));
    EXPECT_THAT(backup, HasSubstr("\"Shell\"=\"explorer.exe C:\\\\Apps\\\\s.exe\""));
    EXPECT_EQ(backup.substr(backup.size() - 2), "\r\n");
    EXPECT_EQ(refreshes, 1);

    ASSERT_EQ(prompt.shown.size(), 2u);
    EXPECT_EQ(prompt.shown[0].text, "Are you sure to delete these items?");
    EXPECT_EQ(prompt.shown[0].caption, "Zentrove");
    EXPECT_EQ(prompt.shown[0].buttons, PromptButtons::OkCancel);
    EXPECT_EQ(prompt.shown[1].text, "Done!");
    EXPECT_EQ(prompt.shown[1].caption, "");
}

TEST_F(StartupDeletionTest, ANameNoBackupCanHoldStaysAndTheMessageSaysWhy) {
    const std::string broken = "Bad\xED\xA0\x80"; // an unpaired high surrogate
    Plant(kCurrentUser, kRunKeyPath, broken, "C:\\Apps\\b.exe");
    Plant(kCurrentUser, kRunKeyPath, "Привет", "C:\\Apps\\p.exe");
    Enumerate();
    rows.TickAll();

    StartupDeletionOutcome outcome = Delete();

    EXPECT_EQ(outcome.rowsRemoved, 1);
    EXPECT_EQ(ReadString(kCurrentUser, kRunKeyPath, "Привет"), std::nullopt);
    EXPECT_EQ(ReadString(kCurrentUser, kRunKeyPath, broken), "C:\\Apps\\b.exe");
    EXPECT_THAT(prompt.shown.back().text,
                HasSubstr("\\Bad\xEF\xBF\xBD (a name holds an unpaired UTF-16 surrogate"));
    Backup(outcome);
}

TEST_F(StartupDeletionTest, AdjacentTickedRowsAreBothDeletedAndUntickedOnesStay) {
    Plant(kLocalMachine, kRunKeyPath, "a1", "a1.exe");
    Plant(kLocalMachine, kRunKeyPath, "a2", "a2.exe");
    Plant(kLocalMachine, kRunKeyPath, "a3", "a3.exe");
    Plant(kLocalMachine, kRunKeyPath, "a4", "a4.exe");
    Enumerate();
    rows.Tick("a1");
    rows.Tick("a2");
    rows.Tick("a4");

    StartupDeletionOutcome outcome = Delete();

    EXPECT_THAT(rows.Names(), ElementsAre("a3"));
    EXPECT_THAT(rows.removed, ElementsAre(0, 0, 1));
    EXPECT_EQ(rows.rows[0].number, 3) << "remaining rows keep their numbers";
    EXPECT_EQ(ReadString(kLocalMachine, kRunKeyPath, "a1"), std::nullopt);
    EXPECT_EQ(ReadString(kLocalMachine, kRunKeyPath, "a2"), std::nullopt);
    EXPECT_EQ(ReadString(kLocalMachine, kRunKeyPath, "a3"), "a3.exe");
    EXPECT_EQ(ReadString(kLocalMachine, kRunKeyPath, "a4"), std::nullopt);
    std::string backup = Backup(outcome);
    EXPECT_THAT(backup, HasSubstr("\"a1\""));
    EXPECT_THAT(backup, Not(HasSubstr("\"a3\"")));
}

TEST_F(StartupDeletionTest, FolderRowOnlyTickedStillWritesAnEmptyBackupWhenRegistryRowsExist) {
    Plant(kCurrentUser, kRunKeyPath, "stays", "stays.exe");
    test::PlantFile(*sys, JoinPath(sandbox.userFolder(), "go.bat"), "x");
    Enumerate();
    rows.Tick("go.bat");

    StartupDeletionOutcome outcome = Delete();

    EXPECT_EQ(Backup(outcome), "REGEDIT4\r\n\r\n");
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(ReadString(kCurrentUser, kRunKeyPath, "stays"), "stays.exe");
    EXPECT_FALSE(sys->Exists(JoinPath(sandbox.userFolder(), "go.bat")));
    EXPECT_THAT(rows.Names(), ElementsAre("stays"));
}

TEST_F(StartupDeletionTest, OnlyFolderRowsWriteNoBackupAndAFailedFileDeletionIsReported) {
    test::PlantFile(*sys, JoinPath(sandbox.commonFolder(), "one.bat"), "x");
    Enumerate();
    ASSERT_EQ(rows.rows.size(), 1u);
    // The file goes before the deletion gets to it.
    (void)sys->RemoveFile(JoinPath(sandbox.commonFolder(), "one.bat"));
    rows.TickAll();

    StartupDeletionOutcome outcome = Delete();

    EXPECT_TRUE(outcome.backupFile.empty());
    EXPECT_EQ(refreshes, 0);
    EXPECT_TRUE(rows.rows.empty());
    const std::string path = JoinPath(sandbox.commonFolder(), "one.bat");
    ASSERT_EQ(prompt.shown.size(), 3u);
    EXPECT_EQ(prompt.shown[1].text,
              "Can not delete \"" + path + "\", maybe it is being used or do not exist");
    EXPECT_EQ(prompt.shown[1].caption, "");
    EXPECT_EQ(prompt.shown[2].text, "Done!");
    EXPECT_THAT(outcome.filesNotDeleted, ElementsAre(path));
}

TEST_F(StartupDeletionTest, NothingTickedOrCancelledChangesNothing) {
    Plant(kLocalMachine, kRunKeyPath, "keep", "keep.exe");
    Enumerate();

    StartupDeletionOutcome none = Delete();
    EXPECT_TRUE(none.nothingSelected);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, "No items selected!");
    EXPECT_EQ(prompt.shown[0].caption, "Zentrove");
    EXPECT_EQ(prompt.shown[0].buttons, PromptButtons::Ok);

    rows.TickAll();
    for (int answer : {kAnswerCancel, kAnswerClosed}) {
        prompt.shown.clear();
        prompt.answers = {answer};
        StartupDeletionOutcome cancelled = Delete();
        EXPECT_TRUE(cancelled.cancelled);
        EXPECT_TRUE(cancelled.backupFile.empty());
        EXPECT_EQ(prompt.shown.size(), 1u);
    }
    EXPECT_EQ(refreshes, 0);
    EXPECT_EQ(rows.rows.size(), 1u);
    EXPECT_EQ(ReadString(kLocalMachine, kRunKeyPath, "keep"), "keep.exe");
}

TEST_F(StartupDeletionTest, ValueTheBackupCannotHoldIsKeptAndNamedInTheFinalMessage) {
    // A line break in a name cannot be written to an export file that imports again.
    Plant(kCurrentUser, kRunKeyPath, "two\nlines", "x.exe");
    Plant(kCurrentUser, kRunKeyPath, "zplain", "y.exe");
    Enumerate();
    ASSERT_EQ(rows.rows.size(), 2u);
    rows.TickAll();

    StartupDeletionOutcome outcome = Delete();

    EXPECT_EQ(ReadString(kCurrentUser, kRunKeyPath, "two\nlines"), "x.exe");
    EXPECT_EQ(ReadString(kCurrentUser, kRunKeyPath, "zplain"), std::nullopt);
    EXPECT_THAT(rows.Names(), ElementsAre("two\nlines"));
    const std::string where = "HKCU\\" + std::string(kRunKeyPath) +
                              "\\two\nlines (a name holds a line break, which a backup file "
                              "cannot hold)";
    EXPECT_THAT(outcome.notBackedUp, ElementsAre(where));
    ASSERT_FALSE(prompt.shown.empty());
    EXPECT_EQ(prompt.shown.back().text,
              "Done!\n\nThese entries were not deleted, because they could not be saved in "
              "the backup:\n" +
                  where);
    EXPECT_THAT(Backup(outcome), HasSubstr("\"zplain\"=\"y.exe\""));
}

TEST_F(StartupDeletionTest, FolderRowWhoseFolderIsUnknownLeavesFilesAlone) {
    test::PlantFile(*sys, JoinPath(sandbox.userFolder(), "Startup"), "x");
    StartupEntry odd;
    odd.number = 1;
    odd.name = "Startup";
    odd.location = "Somewhere Else";
    odd.kind = StartupEntryKind::StartupFolderFile;
    rows.AddStartupRow(odd);
    rows.TickAll();

    StartupDeletionOutcome outcome = Delete();

    EXPECT_TRUE(rows.rows.empty());
    EXPECT_THAT(outcome.folderUnknown, ElementsAre("Somewhere Else: Startup"));
    EXPECT_TRUE(sys->Exists(JoinPath(sandbox.userFolder(), "Startup")));
    EXPECT_THAT(prompt.shown.back().text,
                HasSubstr("could not be found:\nSomewhere Else: Startup"));
}

TEST(StartupValueName, DerivedFromTheProgramsFileName) {
    EXPECT_EQ(DeriveValueName("C:\\Program Files\\App\\app.exe -min"), "app");
    EXPECT_EQ(DeriveValueName("notepad.exe"), "notepad");
    EXPECT_EQ(DeriveValueName("C:\\Tools\\RUN.EXE"), "RUN.EXE");
    EXPECT_EQ(DeriveValueName("tool --flag value"), "tool");
    EXPECT_EQ(DeriveValueName("C:\\dir\\"), "C:\\dir\\");
    EXPECT_EQ(DeriveValueName(".exe"), ".exe");
    EXPECT_EQ(DeriveValueName(""), "");
    // The last backslash may sit in an argument; the name follows it all the same.
    EXPECT_EQ(DeriveValueName("run.exe C:\\logs\\today.txt"), "today.txt");
    EXPECT_EQ(TrimCommandLine(" \t C:\\a b.exe  \r\n"), "C:\\a b.exe");
}

TEST_F(StartupDeletionTest, AddWritesTheRunValueAndTheListShowsIt) {
    const std::string program = JoinPath(test::ScratchFolder(*sys), "app.exe");
    test::PlantFile(*sys, program, "MZ");
    CRegFileWriter writer(*reg, *sys);
    StartupAddition added = AddStartupItem(*reg, *sys, writer, prompt, "  " + program + " -min  ");
    EXPECT_TRUE(added.written) << added.refusal;
    EXPECT_EQ(added.valueName, "app");
    {
        RegKey key(*reg, reg->OpenKeyRead(RootHandle(kLocalMachine), kRunKeyPath));
        std::uint32_t type = 0, size = 0;
        char buf[400];
        ASSERT_TRUE(reg->ReadValue(key.get(), "app", buf, sizeof buf, &type, &size));
        EXPECT_EQ(type, kRegSz);
        EXPECT_EQ(size, program.size() + 6) << "the terminating zero is counted";
    }

    Enumerate();
    const StartupEntry* row = rows.Find("app");
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->location, "HKLM\\" + std::string(kRunKeyPath));
    EXPECT_EQ(row->command, program + " -min");
}

} // namespace
} // namespace zt
