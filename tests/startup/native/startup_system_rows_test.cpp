// The judgement of tasks, services and packaged tasks, and their switches and deletion, on
// the in-memory sources.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include "platform/memory/MemoryFileSignatures.h"
#include "platform/memory/MemoryRegistry.h"
#include "platform/memory/MemoryStartupSources.h"
#include "platform/memory/MemorySystem.h"
#include "startup/StartupEnumerator.h"
#include "startup/SystemStartup.h"
#include "startup/SystemStartupActions.h"
#include "startup/row_model.h"
#include "startup/scripted_prompt.h"
#include "startup/startup_support.h"
#include "scan/RunKeys.h"

namespace zt {
namespace {

using ::testing::HasSubstr;

TEST(StartupJudgementTable, TriggersStartTypesAndPrograms) {
    struct TriggerCase {
        TaskTrigger trigger;
        const char* text;
    } triggers[] = {
        {{TaskTriggerType::Logon, "", ""}, "At log on of any user"},
        {{TaskTriggerType::Logon, "", "PC\\ann"}, "At log on of PC\\ann"},
        {{TaskTriggerType::Boot, "2026-01-01T00:00:00", ""}, "At startup"},
        {{TaskTriggerType::Daily, "2026-01-01T03:00:00", ""}, "Daily 03:00"},
        {{TaskTriggerType::Weekly, "", ""}, "Weekly"},
        {{TaskTriggerType::Time, "2026-05-01T08:30:00+02:00", ""}, "One time 2026-05-01 08:30"},
        {{TaskTriggerType::Other, "", ""}, "Custom"},
    };
    for (const auto& c : triggers)
        EXPECT_EQ(TriggerText(c.trigger), c.text);
    EXPECT_EQ(TriggersText({}), "On demand only");
    EXPECT_EQ(TriggersText({triggers[2].trigger, triggers[3].trigger}), "At startup; Daily 03:00");

    EXPECT_EQ(StartTypeText(kServiceBootStart, false), "Boot");
    EXPECT_EQ(StartTypeText(kServiceSystemStart, false), "System");
    EXPECT_EQ(StartTypeText(kServiceAutoStart, false), "Automatic");
    EXPECT_EQ(StartTypeText(kServiceAutoStart, true), "Automatic (delayed)");
    EXPECT_EQ(StartTypeText(kServiceDemandStart, false), "Manual");
    EXPECT_EQ(StartTypeText(kServiceDisabled, false), "Disabled");

    MemorySystem sys;
    sys.AddFolder("C:\\Program Files\\Vendor");
    sys.AddFile("C:\\Program Files\\Vendor\\svc.exe");
    sys.AddFile("C:\\Program Files\\Vendor\\bare.exe");
    sys.AddFile("C:\\windows\\system32\\notepad.exe");
    sys.searchFolders = {"C:\\windows\\system32"};
    sys.SetEnvironment("windir", "C:\\windows");
    struct ProgramCase {
        const char* command;
        const char* program;
        bool windows;
    } programs[] = {
        {"\"C:\\Program Files\\Other\\a.exe\" -x", "C:\\Program Files\\Other\\a.exe", false},
        {"C:\\Program Files\\Vendor\\svc.exe -k x", "C:\\Program Files\\Vendor\\svc.exe", false},
        {"C:\\Program Files\\Vendor\\bare -k x", "C:\\Program Files\\Vendor\\bare.exe", false},
        {"C:\\Program Files\\Gone\\svc.exe -k x", "C:\\Program Files\\Gone\\svc.exe", false},
        {"C:\\Program Files\\Gone\\app.exe", "C:\\Program Files\\Gone\\app.exe", false},
        {"\\SystemRoot\\System32\\drivers\\x.sys", "C:\\windows\\System32\\drivers\\x.sys", true},
        {"System32\\drivers\\y.sys", "C:\\windows\\System32\\drivers\\y.sys", true},
        {"\\??\\C:\\Vendor\\drv.sys", "C:\\Vendor\\drv.sys", false},
        {"%windir%\\system32\\notepad.exe /p", "C:\\windows\\system32\\notepad.exe", true},
        {"notepad.exe", "C:\\windows\\system32\\notepad.exe", true},
        {"C:\\WINDOWS\\Temp\\x.exe", "C:\\WINDOWS\\Temp\\x.exe", false},
        {"C:\\windowsapps\\x.exe", "C:\\windowsapps\\x.exe", false},
        {"  ", "", false},
    };
    for (const auto& c : programs) {
        std::string program = ProgramOfCommand(c.command, sys);
        EXPECT_EQ(program, c.program) << c.command;
        EXPECT_EQ(IsPartOfWindows(program, sys.WindowsFolder()), c.windows) << c.command;
    }
    ServiceInfo noImage{"ztdrv", "", "", kServiceBootStart, false, true};
    EXPECT_EQ(DriverProgram(noImage, sys), "C:\\windows\\system32\\drivers\\ztdrv.sys");
}

TEST(StartupJudgementTable, PartOfWindowsAndPublisher) {
    struct Case {
        const char* program;
        FileSignature signature;
        bool windowsSigned;
        bool partOfWindows;
        const char* publisher;
    } cases[] = {
        {"C:\\windows\\system32\\svchost.exe",
         {"Microsoft Windows", true},
         true,
         true,
         "Microsoft Windows"},
        // Windows' own signer outside the Windows folder.
        {"C:\\Program Files\\Defender\\msmp.exe",
         {"Microsoft Windows Publisher", true},
         true,
         true,
         "Microsoft Windows Publisher"},
        // Anyone else's verified signature, even in the drivers folder, is not Windows.
        {"C:\\windows\\System32\\drivers\\vendor.sys",
         {"Vendor Inc.", true},
         false,
         false,
         "Vendor Inc."},
        {"C:\\windows\\system32\\suite.exe",
         {"Microsoft Corporation", true},
         false,
         false,
         "Microsoft Corporation"},
        // Without a verified signature the folder decides; a claimed name is only shown.
        {"C:\\windows\\system32\\builtin.exe", {}, false, true, ""},
        {"C:\\Vendor\\fake.exe",
         {"Microsoft Windows", false},
         false,
         false,
         "Microsoft Windows (not verified)"},
        {"C:\\windows\\Temp\\dropped.exe",
         {"Microsoft Windows", false},
         false,
         false,
         "Microsoft Windows (not verified)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsWindowsSigned(c.signature), c.windowsSigned) << c.program;
        EXPECT_EQ(IsPartOfWindows(c.program, c.signature, "C:\\windows"), c.partOfWindows)
            << c.program;
        EXPECT_EQ(PublisherText(c.signature), c.publisher) << c.program;
    }
}

class SystemRowsTest : public ::testing::Test {
  protected:
    MemoryRegistry reg;
    MemorySystem sys;
    MemoryStartupSources sources;

    SystemRowsTest() {
        sys.SetKnownFolder(KnownFolder::AppData, "C:\\Users\\ann\\AppData");
        sys.AddFolder("C:\\Users\\ann\\AppData");
        sys.AddFile("C:\\Vendor\\tool.exe");
        sys.AddFile("C:\\windows\\system32\\svchost.exe");
    }
    MemoryFileSignatures signatures;

    test::RowModel List(bool hideWindows = true) {
        test::RowModel rows;
        StartupEnumerator lister(reg, sys, &sources, &signatures);
        lister.HideWindowsEntries(hideWindows);
        lister.EnumerateStartupEntries(rows);
        return rows;
    }
    static TaskInfo Task(std::string path, TaskTriggerType trigger, std::string program) {
        TaskInfo t;
        t.path = std::move(path);
        t.triggers = {{trigger, "2026-01-01T03:00:00", ""}};
        if (!program.empty()) t.execActions = {{std::move(program), ""}};
        return t;
    }
};

TEST_F(SystemRowsTest, ListsWhatStartsAndIsNotTheSystemsOwn) {
    sources.AddTask(Task("\\LogonWin", TaskTriggerType::Logon, "C:\\windows\\system32\\a.exe"));
    sources.AddTask(Task("\\DailyWin", TaskTriggerType::Daily, "C:\\windows\\system32\\b.exe"));
    TaskInfo vendor = Task("\\V\\Daily", TaskTriggerType::Daily, "C:\\Vendor\\tool.exe");
    vendor.execActions.push_back({"C:\\Vendor\\two.exe", ""});
    vendor.otherActions = 1;
    sources.AddTask(vendor);
    TaskInfo com = Task("\\ComOnly", TaskTriggerType::Boot, "");
    com.otherActions = 1;
    sources.AddTask(com);
    TaskInfo broken = Task("\\Broken", TaskTriggerType::Daily, "");
    broken.unreadable = "definition unreadable (error 5)";
    sources.AddTask(broken);
    sources.deniedFolders = {{"\\Locked", Status::From(StatusCode::AccessDenied, 5)}};
    sources.services = {
        {"vsvc", "Vendor", "\"C:\\Vendor\\tool.exe\" -s", kServiceAutoStart, true, false},
        {"winsvc", "Win", "C:\\windows\\system32\\svchost.exe -k x", kServiceAutoStart, false,
         false},
        {"manual", "M", "C:\\Vendor\\tool.exe", kServiceDemandStart, false, false},
        {"vdrv", "D", "\\??\\C:\\Vendor\\gone.sys", kServiceBootStart, false, true},
        {"signeddrv", "S", "System32\\drivers\\signed.sys", kServiceSystemStart, false, true},
    };
    sources.packages = {{"Fam_1", "Start", "Fam App", "", PackagedTaskState::DisabledByPolicy}};
    // A vendor's driver in the drivers folder, and a Run entry only its signature makes Windows'.
    sys.AddFile("C:\\windows\\System32\\drivers\\signed.sys");
    signatures.Set("C:\\windows\\System32\\drivers\\signed.sys", {"Vendor Inc.", true});
    ASSERT_TRUE(test::PlantString(reg, kCurrentUser, std::string(kRunKeyPath), "WinRun",
                                  "C:\\Vendor\\wintool.exe /w"));
    signatures.Set("C:\\Vendor\\wintool.exe", {"Microsoft Windows", true});

    auto rows = List();
    EXPECT_EQ(rows.Names(),
              (std::vector<std::string>{"\\Broken", "\\ComOnly", "\\V\\Daily", "\\Locked", "vsvc",
                                        "vdrv", "signeddrv", "Fam_1\\Start"}));
    EXPECT_EQ(rows.Find("signeddrv")->signature, (FileSignature{"Vendor Inc.", true}));
    EXPECT_EQ(rows.rows.back().number, 8);
    // Unhidden: the Run entry, the logon task and both services of Windows, numbered in order.
    auto all = List(false);
    EXPECT_EQ(all.Names(), (std::vector<std::string>{
                               "WinRun", "\\Broken", "\\ComOnly", "\\LogonWin", "\\V\\Daily",
                               "\\Locked", "vsvc", "winsvc", "vdrv", "signeddrv", "Fam_1\\Start"}));
    EXPECT_EQ(all.rows.back().number, 11);
    EXPECT_EQ(rows.Find("\\V\\Daily")->command, "C:\\Vendor\\tool.exe +2 more");
    EXPECT_EQ(rows.Find("\\ComOnly")->command, "(COM handler)");
    EXPECT_EQ(rows.Find("\\Broken")->command, "(definition unreadable (error 5))");
    EXPECT_EQ(StartupStatusText(*rows.Find("\\Locked")), "Access denied");
    const StartupEntry* svc = rows.Find("vsvc");
    EXPECT_EQ(svc->detail, "Automatic (delayed)");
    EXPECT_FALSE(svc->fileMissing);
    EXPECT_EQ(StartupKindWord(rows.Find("vdrv")->kind), "driver");
    EXPECT_EQ(StartupStatusText(*rows.Find("vdrv")), "Enabled (File not found)");
    EXPECT_EQ(StartupStatusText(*rows.Find("Fam_1\\Start")), "Disabled by policy");
}

TEST_F(SystemRowsTest, ServiceStartTypeComesBackExactlyAndRefusalsChangeNothing) {
    sources.services = {{"vsvc", "V", "C:\\Vendor\\tool.exe", kServiceAutoStart, true, false},
                        {"locked", "L", "C:\\Vendor\\tool.exe", kServiceBootStart, false, true}};
    sources.denied = {"locked"};
    auto rows = List();
    StartupEntry svc = *rows.Find("vsvc");

    auto off = SwitchStartupRow(reg, sys, sources, svc, true);
    ASSERT_EQ(off.done, SwitchDone::Done) << off.message;
    EXPECT_EQ(sources.QueryServiceStart("vsvc")->startType, kServiceDisabled);
    // Listed while disabled, as its old start type is on record.
    ASSERT_NE(List().Find("vsvc"), nullptr);
    EXPECT_EQ(List().Find("vsvc")->detail, "Disabled");
    auto on = SwitchStartupRow(reg, sys, sources, svc, false);
    ASSERT_EQ(on.done, SwitchDone::Done) << on.message;
    EXPECT_EQ(*sources.QueryServiceStart("vsvc"), (ServiceStart{kServiceAutoStart, true}));
    EXPECT_TRUE(ReadServiceRecords(sys).empty());

    auto refused = SwitchStartupRow(reg, sys, sources, *rows.Find("locked"), true);
    EXPECT_EQ(refused.done, SwitchDone::Failed);
    EXPECT_THAT(refused.message, HasSubstr("refused the change"));
    EXPECT_EQ(sources.QueryServiceStart("locked")->startType, kServiceBootStart);

    sources.packages = {{"Fam_1", "Start", "Fam App", "", PackagedTaskState::Enabled}};
    EXPECT_EQ(SwitchStartupRow(reg, sys, sources, *List().Find("Fam_1\\Start"), true).done,
              SwitchDone::OpenSettings);
}

TEST_F(SystemRowsTest, DeletedTaskIsBackedUpAndComesBackWhileServicesStay) {
    sources.AddTask(Task("\\V\\Logon", TaskTriggerType::Logon, "C:\\Vendor\\tool.exe"),
                    "<Task>logon</Task>");
    sources.AddTask(Task("\\V\\Kept", TaskTriggerType::Logon, "C:\\Vendor\\tool.exe"));
    sources.denied = {"\\V\\Kept"};
    sources.services = {{"vsvc", "V", "C:\\Vendor\\tool.exe", kServiceAutoStart, false, false}};
    auto rows = List();
    rows.TickAll();
    CRegFileWriter writer(reg, sys);
    test::ScriptedPrompt prompt;
    int refreshed = 0;
    auto outcome = DeleteSelectedEntries(
        reg, sys, writer, rows, prompt, [&] { ++refreshed; }, &sources);

    EXPECT_EQ(rows.Names(), (std::vector<std::string>{"\\V\\Kept", "vsvc"}));
    EXPECT_TRUE(outcome.backupFile.empty());   // no registry row, no .reg file
    ASSERT_EQ(outcome.taskBackups.size(), 2u); // the refused task's XML was saved too
    EXPECT_EQ(refreshed, 1);
    ASSERT_EQ(outcome.refused.size(), 1u);
    EXPECT_THAT(outcome.refused[0], HasSubstr("vsvc: Services and drivers are not deleted"));
    ASSERT_EQ(outcome.notDeleted.size(), 1u);
    EXPECT_EQ(outcome.notDeleted[0].status.code(), StatusCode::AccessDenied);
    EXPECT_FALSE(sources.QueryTask("\\V\\Logon").has_value());
    EXPECT_THAT(prompt.shown.back().text, HasSubstr("cannot be deleted"));

    // In listing order: the refused task's backup first.
    TaskRestore restored = RestoreTaskBackup(sources, sys, outcome.taskBackups[1]);
    ASSERT_TRUE(restored.status.ok()) << restored.message;
    EXPECT_EQ(restored.taskPath, "\\V\\Logon");
    EXPECT_EQ(sources.TaskXml("\\V\\Logon"), "<Task>logon</Task>");
    sys.PlantFile("C:\\Users\\ann\\AppData\\x.task", "not a task");
    EXPECT_FALSE(RestoreTaskBackup(sources, sys, "C:\\Users\\ann\\AppData\\x.task").status.ok());
}

} // namespace
} // namespace zt
