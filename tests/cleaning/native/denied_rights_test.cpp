// Entries a user without administrator rights may not delete: cleaning, startup deletion and
// disk cleaning keep them, count them and say why; the scan page's offer of the elevated helper.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "backup/BackupStore.h"
#include "cleaning/Cleaning.h"
#include "diskclean/JunkCleaning.h"
#include "platform/memory/MemoryRegistry.h"
#include "platform/memory/MemorySystem.h"
#include "startup/StartupEditor.h"

namespace zt {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

struct Prompt : UserPrompt {
    std::vector<std::string> shown;
    std::vector<PromptButtons> buttons;
    int answer = kAnswerOk;
    int Ask(std::string_view text, std::string_view, PromptButtons b) override {
        shown.emplace_back(text);
        buttons.push_back(b);
        return b == PromptButtons::Ok ? kAnswerOk : answer;
    }
};

struct NoSink : CleaningSink {};

class DeniedRights : public ::testing::Test {
  protected:
    MemoryRegistry reg;
    MemorySystem sys;
    Prompt prompt;

    void SetUp() override {
        sys.AddFolder("C:\\Data");
        sys.SetKnownFolder(KnownFolder::AppData, "C:\\Data");
    }
    void Plant(RootKey root, const std::string& path, const std::string& name = {}) {
        RegKey k(reg, reg.CreateKey(RootHandle(root), path));
        ASSERT_TRUE(k);
        if (!name.empty()) {
            ASSERT_TRUE(reg.WriteString(k.get(), name, "C:\\gone.exe"));
        }
    }
    bool KeyThere(RootKey root, const std::string& path) {
        return RegKey(reg, reg.OpenKeyRead(RootHandle(root), path)).get() != kNoKey;
    }
    bool ValueThere(RootKey root, const std::string& path, const std::string& name) {
        RegKey k(reg, reg.OpenKeyRead(RootHandle(root), path));
        return k && reg.ReadValueWhole(k.get(), name).has_value();
    }
    CleanOutcome Clean(FindingVector& list, bool offer = false) {
        CRegFileWriter writer(reg, sys);
        NoSink sink;
        return CleanTicked(CleaningContext{reg, sys, writer, prompt, sink, offer}, list);
    }
};

TEST_F(DeniedRights, CleaningKeepsDeniedFindingsUntickedAndSaysWhy) {
    Plant(kLocalMachine, "Software\\Classes\\CLSID\\{dead}");
    Plant(kLocalMachine, kRun, "Gone");
    Plant(kCurrentUser, "Software\\Stale");
    reg.DenyWrite(kLocalMachine, "Software\\Classes");
    reg.DenyWrite(kLocalMachine, kRun, "Gone");
    FindingVector list;
    list.Add({kLocalMachine, "Software\\Classes\\CLSID\\{dead}", {}, FindingKind::Key});
    list.Add({kCurrentUser, "Software\\Stale", {}, FindingKind::Key});
    list.Add({kLocalMachine, kRun, "Gone", FindingKind::Value});

    CleanOutcome out = Clean(list);
    EXPECT_EQ(out.status, CleanStatus::Done);
    EXPECT_EQ(out.processed, 1);
    ASSERT_EQ(out.notDeleted.size(), 2u);
    EXPECT_EQ(out.notDeleted[1].status.code(), StatusCode::AccessDenied);
    EXPECT_FALSE(KeyThere(kCurrentUser, "Software\\Stale"));
    EXPECT_TRUE(KeyThere(kLocalMachine, "Software\\Classes\\CLSID\\{dead}"));
    EXPECT_TRUE(ValueThere(kLocalMachine, kRun, "Gone"));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_FALSE(list.IsTicked(0));
    EXPECT_FALSE(list.IsTicked(1));
    EXPECT_EQ(prompt.shown.back(), "Total 1 items cleaned successfully!\n"
                                   "2 items could not be deleted: administrator rights are "
                                   "needed.");
}

TEST_F(DeniedRights, ElevationIsOfferedOnlyForMachineWideTickedFindings) {
    // The classes root as the system merges it: the user's own classes over the machine's.
    reg.MergeClassesRoot(true);
    Plant(kLocalMachine, "Software\\Machine");
    Plant(kCurrentUser, "Software\\Classes\\.mine"); // the user's own class: no rights needed
    Plant(kLocalMachine, "Software\\Classes\\.theirs");
    reg.DenyWrite(kLocalMachine, "");
    sys.elevated = false;
    auto makeList = [] {
        FindingVector list;
        list.Add({kLocalMachine, "Software\\Machine", {}, FindingKind::Key});
        list.Add({kClassesRoot, ".mine", {}, FindingKind::Key});
        list.Add({kClassesRoot, ".theirs", {}, FindingKind::Key});
        return list;
    };

    // Yes: the user's class goes here; the machine's go to the helper, started hidden with
    // the elevation verb from the program's folder. One that leaves no result claims nothing.
    FindingVector list = makeList();
    prompt.answer = kAnswerYes;
    CleanOutcome yes = Clean(list, true);
    EXPECT_EQ(prompt.shown[0], ElevationOfferText(2));
    EXPECT_EQ(prompt.buttons[0], PromptButtons::YesNoCancel);
    EXPECT_TRUE(sys.executions.empty());
    ASSERT_EQ(sys.elevatedRuns.size(), 1u);
    EXPECT_EQ(sys.elevatedRuns[0].file, "C:\\Program Files\\Zentrove\\zentrove-cli.exe");
    EXPECT_THAT(sys.elevatedRuns[0].parameters, HasSubstr("clean --yes --json --plan "));
    EXPECT_FALSE(KeyThere(kClassesRoot, ".mine"));
    EXPECT_EQ(yes.processed, 1);
    ASSERT_EQ(list.rows.size(), 2u);
    EXPECT_TRUE(list.rows[0].ticked && list.rows[1].ticked);
    EXPECT_THAT(prompt.shown.back(), HasSubstr("2 machine-wide items were not cleaned: the helper "
                                               "ended early without its result"));
    list = makeList();
    Plant(kCurrentUser, "Software\\Classes\\.mine");
    sys.elevatedRuns.clear();

    // No: the rest is cleaned without a second question; the machine-wide ones stay.
    prompt.shown.clear();
    prompt.answer = kAnswerNo;
    CleanOutcome out = Clean(list, true);
    EXPECT_EQ(out.processed, 1);
    EXPECT_EQ(out.notDeleted.size(), 2u);
    EXPECT_EQ(prompt.shown.size(), 2u);
    EXPECT_FALSE(KeyThere(kClassesRoot, ".mine"));

    // Elevated, or the console (no offer): the usual confirmation only.
    for (bool elevated : {true, false}) {
        sys.elevated = elevated;
        prompt.shown.clear();
        prompt.answer = kAnswerCancel;
        FindingVector again = makeList();
        Clean(again, elevated);
        ASSERT_FALSE(prompt.shown.empty());
        EXPECT_EQ(prompt.shown[0], kConfirmDeleteMessage);
    }
}

class RowList : public StartupRowModel {
  public:
    std::vector<StartupEntry> rows;
    std::vector<bool> ticked;
    int RowCount() const override { return static_cast<int>(rows.size()); }
    bool IsRowTicked(int i) const override { return ticked[i]; }
    StartupEntry RowEntry(int i) const override { return rows[i]; }
    void RemoveRow(int i) override {
        rows.erase(rows.begin() + i);
        ticked.erase(ticked.begin() + i);
    }
    void UntickRow(int i) override { ticked[i] = false; }
    void Add(std::string name, std::string location, StartupEntryKind kind) {
        StartupEntry row;
        row.number = static_cast<int>(rows.size()) + 1;
        row.name = std::move(name);
        row.command = "x";
        row.location = std::move(location);
        row.kind = kind;
        rows.push_back(std::move(row));
        ticked.push_back(true);
    }
};

TEST_F(DeniedRights, StartupDeletionKeepsDeniedEntriesAndAddingFallsBackToTheUser) {
    Plant(kLocalMachine, kRun, "Machine");
    Plant(kCurrentUser, kRun, "Mine");
    sys.AddFolder("C:\\All\\StartUp");
    sys.SetKnownFolder(KnownFolder::CommonStartup, "C:\\All\\StartUp");
    sys.AddFile("C:\\All\\StartUp\\tool.lnk", 10);
    reg.DenyWrite(kLocalMachine, kRun);
    sys.DenyDelete("C:\\All\\StartUp");
    RowList rows;
    rows.Add("Machine", std::string("HKLM\\") + kRun, StartupEntryKind::RegistryValue);
    rows.Add("Mine", std::string("HKCU\\") + kRun, StartupEntryKind::RegistryValue);
    rows.Add("tool.lnk", "Common Startup", StartupEntryKind::StartupFolderFile);

    CRegFileWriter writer(reg, sys);
    auto outcome = DeleteSelectedEntries(reg, sys, writer, rows, prompt, {});
    EXPECT_EQ(outcome.rowsRemoved, 1);
    ASSERT_EQ(rows.rows.size(), 2u);
    EXPECT_THAT(rows.ticked, ElementsAre(false, false));
    EXPECT_TRUE(ValueThere(kLocalMachine, kRun, "Machine"));
    EXPECT_FALSE(ValueThere(kCurrentUser, kRun, "Mine"));
    EXPECT_TRUE(sys.Exists("C:\\All\\StartUp\\tool.lnk"));
    EXPECT_THAT(prompt.shown.back(),
                HasSubstr("2 items could not be deleted: administrator rights are needed.\n"
                          "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Machine\n"
                          "C:\\All\\StartUp\\tool.lnk"));

    sys.AddFile("C:\\Tools\\new.exe");
    StartupAddition added = AddStartupItem(reg, sys, writer, prompt, "C:\\Tools\\new.exe /quiet");
    EXPECT_TRUE(added.written);
    EXPECT_EQ(added.root, kCurrentUser);
    EXPECT_TRUE(ValueThere(kCurrentUser, kRun, "new"));
    EXPECT_FALSE(ValueThere(kLocalMachine, kRun, "new"));
}

TEST_F(DeniedRights, SystemTempFilesThatStayAreCountedWithTheirCause) {
    RegKey env(reg, reg.CreateKey(RootHandle(kLocalMachine),
                                  "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\"
                                  "Environment"));
    ASSERT_TRUE(reg.WriteString(env.get(), "TEMP", "C:\\windows\\temp"));
    sys.AddFile("C:\\windows\\temp\\a.tmp", 1);
    sys.AddFile("C:\\windows\\temp\\svc\\b.tmp", 1);
    sys.AddFile("C:\\windows\\temp\\mine.tmp", 1);
    sys.DenyDelete("C:\\windows\\temp\\a.tmp");
    sys.DenyDelete("C:\\windows\\temp\\svc");
    reg.DenyWrite(kLocalMachine, ""); // reading the machine's setting is still allowed
    JunkSelection selection;
    selection[JunkItem::SystemTemp] = true;

    JunkCleanResult r = CleanJunk(reg, sys, selection, prompt);
    EXPECT_FALSE(sys.Exists("C:\\windows\\temp\\mine.tmp"));
    EXPECT_TRUE(sys.Exists("C:\\windows\\temp\\svc\\b.tmp"));
    EXPECT_EQ(r[JunkItem::SystemTemp].outcome, JunkPlaceOutcome::PartlyCleaned);
    EXPECT_NE(r.finalMessage.find("2 files could not be deleted (administrator rights are needed)"),
              std::string::npos)
        << r.finalMessage;
    EXPECT_EQ(prompt.shown.back(), r.finalMessage);
}

} // namespace
} // namespace zt
