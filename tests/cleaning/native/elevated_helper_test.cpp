// The split of a run between the user's process and the elevated helper, and the helper seen
// as another account: its own registry, the files both see.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "backup/BackupStore.h"
#include "cleaning/CleanReport.h"
#include "cleaning/MachinePart.h"
#include "platform/memory/MemoryRegistry.h"
#include "platform/memory/MemorySystem.h"

namespace zt {
namespace {

using ::testing::HasSubstr;

constexpr const char* kUserSid = "S-1-5-21-7-7-7-1001";
constexpr const char* kAdminSid = "S-1-5-21-7-7-7-500";

void Plant(Registry& reg, RootKey root, const std::string& path, const std::string& value = {}) {
    RegKey k(reg, reg.CreateKey(RootHandle(root), path));
    ASSERT_TRUE(k);
    if (!value.empty()) {
        ASSERT_TRUE(reg.WriteString(k.get(), value, "C:\\gone.exe"));
    }
}
bool There(Registry& reg, RootKey root, const std::string& path, const std::string& value = {}) {
    RegKey k(reg, reg.OpenKeyRead(RootHandle(root), path));
    return k && (value.empty() || reg.ReadValueWhole(k.get(), value).has_value());
}
TickedFinding Ticked(int row, RootKey root, std::string path, std::string value = {}) {
    FindingKind kind = value.empty() ? FindingKind::Key : FindingKind::Value;
    return {row, {root, std::move(path), std::move(value), kind}, std::string("stale"), "x"};
}
std::string Between(const std::string& text, const std::string& option) {
    std::size_t at = text.find(option + " \"") + option.size() + 2;
    return text.substr(at, text.find('"', at) - at);
}

TEST(ElevatedHelper, SplitsTickedFindingsByTheHiveThatHoldsThem) {
    MemoryRegistry reg;
    reg.MergeClassesRoot(true);
    Plant(reg, kCurrentUser, "Software\\Classes\\.mine", "v");
    Plant(reg, kLocalMachine, "Software\\Classes\\.mine", "machineOnly");
    Plant(reg, kLocalMachine, "Software\\Classes\\.theirs");
    std::vector<TickedFinding> ticked = {
        Ticked(0, kCurrentUser, "Software\\Stale"),
        Ticked(1, kClassesRoot, ".mine"),                // the user's class shows through
        Ticked(2, kClassesRoot, ".mine", "v"),           // its value is the user's
        Ticked(3, kClassesRoot, ".mine", "machineOnly"), // only the machine's key holds it
        Ticked(4, kClassesRoot, ".theirs"),
        Ticked(5, kLocalMachine, "Software\\Old"),
        Ticked(6, kUsers, std::string(kUserSid) + "\\Software\\Old"),
        Ticked(7, kUsers, std::string("s-1-5-21-7-7-7-1001_CLASSES") + "\\.x"),
        Ticked(8, kUsers, std::string(kAdminSid) + "\\Software\\Old"),
        Ticked(9, kUsers, ".DEFAULT\\Software\\Old"),
        Ticked(10, kUsers, "S-1-5-21-7-7-7-10010\\Software\\Old"), // a longer SID is another's
    };
    TickedParts parts = SplitTicked(reg, kUserSid, ticked);
    std::vector<int> user, machine;
    for (const auto& t : parts.user)
        user.push_back(t.row);
    for (const auto& t : parts.machine)
        machine.push_back(t.row);
    EXPECT_EQ(user, (std::vector<int>{0, 1, 2, 6, 7}));
    EXPECT_EQ(machine, (std::vector<int>{3, 4, 5, 8, 9, 10}));
}

// Two accounts: the user's registry and the administrator's, one file system. The helper is
// handed only the administrator's registry, as `clean --plan --backup-folder` runs it.
class TwoAccounts : public ::testing::Test {
  protected:
    MemoryRegistry userReg, adminReg;
    MemorySystem sys;
    std::string tamper; // replaces the plan's text before the helper reads it, when set

    void SetUp() override {
        sys.AddFolder("C:\\Data");
        sys.SetKnownFolder(KnownFolder::AppData, "C:\\Data");
        sys.AddFolder("C:\\Temp");
        sys.userSid = kUserSid;
        sys.elevatedProgram = [this](const std::string& parameters) {
            return RunHelper(parameters);
        };
    }

    std::uint32_t RunHelper(const std::string& parameters) {
        struct Yes : UserPrompt {
            int Ask(std::string_view, std::string_view, PromptButtons) override {
                return kAnswerOk;
            }
        } yes;
        struct Quiet : CleaningSink {
        } quiet;
        sys.userSid = kAdminSid; // the helper runs as the administrator
        std::string planPath = Between(parameters, "--plan");
        if (!tamper.empty()) sys.PlantFile(planPath, tamper);
        CleanPlan plan;
        std::string why;
        if (!ReadCleanPlan(*sys.ReadWholeFile(planPath), plan, why)) {
            sys.userSid = kUserSid;
            return 2; // refused whole, as the console refuses it: no result
        }
        std::vector<std::pair<std::string, std::string>> refused;
        plan.entries = RefuseOwnHive(adminReg, kAdminSid, plan.entries, refused);
        FindingVector list;
        for (const auto& e : plan.entries)
            list.Add(e.finding, e.reason, e.valueText);
        CRegFileWriter writer(adminReg, sys);
        CleanOutcome out =
            CleanTicked(CleaningContext{adminReg, sys, writer, yes, quiet, false, nullptr,
                                        Between(parameters, "--backup-folder")},
                        list);
        std::string report = CleanReportText(plan.entries, out, refused, "done");
        OutFileHandle f = sys.CreateOutFile(Between(parameters, "--result"));
        EXPECT_TRUE(sys.WriteOutFile(f, report.data(), report.size()));
        EXPECT_TRUE(sys.CloseOutFile(f));
        sys.userSid = kUserSid;
        return 0;
    }

    CleanOutcome Run(const std::vector<TickedFinding>& ticked) {
        CRegFileWriter writer(userReg, sys);
        CleanOutcome out;
        out.machineByHelper = true;
        RunCleaning(userReg, sys, writer, ticked, out);
        return out;
    }
};

TEST_F(TwoAccounts, TheHelperCleansOnlyTheMachineAndTheWindowMergesOneRun) {
    // The same paths in both accounts' own hives: each account's entries are its own.
    for (Registry* reg : {static_cast<Registry*>(&userReg), static_cast<Registry*>(&adminReg)})
        Plant(*reg, kCurrentUser, "Software\\Stale");
    Plant(adminReg, kLocalMachine, "Software\\Old");
    Plant(adminReg, kLocalMachine, "Software\\Run", "Gone");
    Plant(adminReg, kUsers, std::string(kAdminSid) + "\\Software\\Stale");
    std::vector<TickedFinding> ticked = {
        Ticked(0, kLocalMachine, "Software\\Old"),
        Ticked(1, kCurrentUser, "Software\\Stale"),
        Ticked(2, kLocalMachine, "Software\\Run", "Gone"),
        Ticked(4, kLocalMachine, "Software\\Run", "Gone"), // a second area's row of it
        // Another account's hive to the user: the helper's own, so refused.
        Ticked(3, kUsers, std::string(kAdminSid) + "\\Software\\Stale"),
    };
    CleanOutcome out = Run(ticked);

    ASSERT_EQ(sys.elevatedRuns.size(), 1u);
    EXPECT_EQ(sys.elevatedRuns[0].show, kShowHide);
    EXPECT_FALSE(There(userReg, kCurrentUser, "Software\\Stale"));
    EXPECT_TRUE(There(adminReg, kCurrentUser, "Software\\Stale"));
    EXPECT_TRUE(There(adminReg, kUsers, std::string(kAdminSid) + "\\Software\\Stale"));
    EXPECT_FALSE(There(adminReg, kLocalMachine, "Software\\Old"));
    EXPECT_FALSE(There(adminReg, kLocalMachine, "Software\\Run", "Gone"));
    EXPECT_EQ(out.processed, 4);
    EXPECT_EQ(out.cleanedRows, (std::vector<int>{0, 1, 2, 4}));
    EXPECT_EQ(out.untickedRows, (std::vector<int>{3}));
    EXPECT_THAT(out.machineNote, HasSubstr("1 machine-wide items were not cleaned: in the "
                                           "account's own hive"));
    // Two backup files in the user's folder, each holding its own part.
    ASSERT_FALSE(out.backupFile.empty());
    ASSERT_FALSE(out.machineBackupFile.empty());
    EXPECT_NE(out.backupFile, out.machineBackupFile);
    EXPECT_EQ(ListBackups(sys).size(), 2u);
    EXPECT_THAT(*sys.FileContent(out.machineBackupFile),
                HasSubstr("HKEY_LOCAL_MACHINE\\Software\\Old"));
    EXPECT_THAT(*sys.FileContent(out.backupFile), ::testing::Not(HasSubstr("HKEY_LOCAL_MACHINE")));
    // The exchange leaves nothing in the temporary folder.
    int left = 0;
    sys.EnumDirectory("C:\\Temp", [&](const DirEntry&) { return ++left, true; });
    EXPECT_EQ(left, 0);
}

TEST_F(TwoAccounts, WithoutTheHelpersResultTheMachinePartStaysTickedAndNothingIsClaimed) {
    Plant(userReg, kCurrentUser, "Software\\Stale");
    Plant(adminReg, kLocalMachine, "Software\\Old");
    std::vector<TickedFinding> ticked = {Ticked(0, kLocalMachine, "Software\\Old"),
                                         Ticked(1, kCurrentUser, "Software\\Stale")};
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&] { sys.elevationDeclined = true; }, "consent was not given"},
        {[&] { sys.shellExecuteSucceeds = false; }, "could not be started"},
        // Killed before its result: the window's reading finds none.
        {[&] { sys.elevatedProgram = [](const std::string&) { return 1u; }; },
         "ended early without its result"},
        // An edited plan of another format: the helper refuses it whole and reports nothing.
        {[&] { tamper = "{\"format\": \"other\"}"; }, "ended early without its result"},
    };
    for (const auto& [arrange, cause] : cases) {
        SetUp();
        arrange();
        Plant(userReg, kCurrentUser, "Software\\Stale");
        CleanOutcome out = Run(ticked);
        EXPECT_EQ(out.processed, 1) << cause;
        EXPECT_EQ(out.cleanedRows, (std::vector<int>{1})) << cause;
        EXPECT_TRUE(out.untickedRows.empty()) << cause;
        EXPECT_THAT(out.machineNote, HasSubstr("1 machine-wide items were not cleaned: ")) << cause;
        EXPECT_THAT(out.machineNote, HasSubstr(cause));
        EXPECT_TRUE(There(adminReg, kLocalMachine, "Software\\Old")) << cause;
        sys = MemorySystem();
        tamper.clear();
    }
}

} // namespace
} // namespace zt

namespace zt {
namespace {
// The helper's folders arrive whole through the command line, a trailing backslash too.
TEST(HelperArguments, QuotedArgumentKeepsATrailingBackslashOutOfTheQuote) {
    EXPECT_EQ(QuotedArgument("C:\\Users\\Łukasz\\Backup"), "\"C:\\Users\\Łukasz\\Backup\"");
    EXPECT_EQ(QuotedArgument("C:\\Backup\\"), "\"C:\\Backup\\\\\"");
    EXPECT_EQ(QuotedArgument("D:\\\\"), "\"D:\\\\\\\\\"");
}
} // namespace
} // namespace zt
