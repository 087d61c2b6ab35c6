// Scheduled tasks, services, drivers and packaged startup tasks planted in the prefix through
// the system's own tools, listed, switched, deleted and restored.
#include <windows.h>

#include <algorithm>

#include <gtest/gtest.h>
#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include "backup/BackupStore.h"
#include "platform/win32/Win32StartupSources.h"
#include "startup/StartupEnumerator.h"
#include "startup/StartupEditor.h"
#include "startup/SystemStartup.h"
#include "startup/SystemStartupActions.h"
#include "support/cli_run.h"
#include "startup/row_model.h"
#include "startup/scripted_prompt.h"
#include "startup/startup_support.h"
#include "support/seams.h"
#include "support/win_process.h"

namespace zt {
namespace {

using test::RunCli;
using ::testing::HasSubstr;

std::string TaskXml(const std::string& trigger, const std::string& program,
                    const std::string& arguments) {
    return "<?xml version=\"1.0\"?>\n"
           "<Task version=\"1.2\" "
           "xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\n"
           "  <Triggers>" +
           trigger +
           "</Triggers>\n"
           "  <Settings><Enabled>true</Enabled></Settings>\n"
           "  <Actions><Exec><Command>" +
           program + "</Command><Arguments>" + arguments +
           "</Arguments></Exec></Actions>\n"
           "</Task>\n";
}

constexpr const char* kLogon = "<LogonTrigger><Enabled>true</Enabled></LogonTrigger>";
constexpr const char* kDaily =
    "<CalendarTrigger><StartBoundary>2026-01-01T03:00:00</StartBoundary>"
    "<ScheduleByDay><DaysInterval>1</DaysInterval></ScheduleByDay></CalendarTrigger>";

class SystemSourcesTest : public ::testing::Test {
  protected:
    std::unique_ptr<Registry> reg = test::MakeRegistry();
    std::unique_ptr<System> sys = test::MakeSystem();
    test::StartupSandbox sandbox{*reg, *sys};
    Win32StartupSources sources;
    std::string scratch = test::ScratchFolder(*sys);
    std::vector<std::string> tasks, services;

    ~SystemSourcesTest() override {
        for (const auto& t : tasks)
            (void)sources.RemoveTask(t); // gone already when the test deleted it
        for (const auto& s : services)
            test::RunAndWait("sc.exe delete " + s, 30000);
    }

    // Registers a task from an XML file with schtasks, as a user would.
    void PlantTask(const std::string& path, const std::string& xml) {
        std::string file = JoinPath(scratch, "task.xml");
        test::PlantFile(*sys, file, xml);
        tasks.push_back(path);
        ASSERT_TRUE(test::RunAndWait(
            "schtasks.exe /create /xml \"" + file + "\" /tn \"" + path + "\" /f", 30000));
        ASSERT_TRUE(sources.QueryTask(path).has_value()) << "schtasks did not register " << path;
    }

    void PlantService(const std::string& name, const std::string& options) {
        services.push_back(name);
        ASSERT_TRUE(test::RunAndWait("sc.exe create " + name + " " + options, 30000));
        ASSERT_TRUE(sources.QueryServiceStart(name).has_value()) << "sc did not create " << name;
    }

    test::RowSink List() {
        test::RowSink sink;
        StartupEnumerator(*reg, *sys, &sources).EnumerateStartupEntries(sink);
        return sink;
    }

    nlohmann::json JsonRow(const std::string& name) {
        auto rows = nlohmann::json::parse(RunCli("startup --json").out);
        for (const auto& r : rows)
            if (r["name"] == name) return r;
        return nullptr;
    }
};

TEST_F(SystemSourcesTest, TasksAreListedSwitchedDeletedAndRestored) {
    std::string vendor = JoinPath(scratch, "vendor.exe");
    test::PlantFile(*sys, vendor, "MZ");
    PlantTask("\\ZtTest\\AtLogon", TaskXml(kLogon, "C:\\ZtMissing\\tool.exe", "/quiet"));
    PlantTask("\\ZtTest\\Nightly", TaskXml(kDaily, vendor, ""));
    PlantTask("\\ZtTest\\WindowsOwn", TaskXml(kDaily, "%windir%\\system32\\notepad.exe", ""));
    std::vector<std::string> skipped;

    StartupEntry logon, nightly;
    logon.kind = nightly.kind = StartupEntryKind::ScheduledTask;
    logon.location = nightly.location = std::string(kTaskLocation);
    logon.name = "\\ZtTest\\AtLogon";
    nightly.name = "\\ZtTest\\Nightly";
    if (!sources.QueryTask(logon.name)->execActions.empty()) {
        test::RowSink rows = List();
        ASSERT_NE(rows.Find(logon.name), nullptr);
        logon = *rows.Find(logon.name);
        EXPECT_EQ(logon.command, "C:\\ZtMissing\\tool.exe /quiet");
        EXPECT_EQ(logon.detail, "At log on of any user");
        EXPECT_EQ(StartupStatusText(logon), "Enabled (File not found)");
        ASSERT_NE(rows.Find(nightly.name), nullptr);
        EXPECT_EQ(rows.Find(nightly.name)->detail, "Daily 03:00");
        EXPECT_FALSE(rows.Find(nightly.name)->fileMissing);
        // A daily run of the system's own program is not a startup entry.
        EXPECT_EQ(rows.Find("\\ZtTest\\WindowsOwn"), nullptr);
        auto json = JsonRow(nightly.name);
        EXPECT_EQ(json["kind"], "task");
        EXPECT_EQ(json["trigger"], "Daily 03:00");
    } else {
        skipped.push_back("Wine's task scheduler drops a registered task's triggers and command, "
                          "so its rows are not checked");
    }

    // Disable and Enable set the task's state through the scheduler and read it back.
    SwitchOutcome off = SwitchStartupRow(*reg, *sys, sources, nightly, true);
    if (off.done == SwitchDone::Done) {
        EXPECT_FALSE(sources.QueryTask(nightly.name)->enabled);
        EXPECT_EQ(SwitchStartupRow(*reg, *sys, sources, nightly, false).done, SwitchDone::Done);
        EXPECT_TRUE(sources.QueryTask(nightly.name)->enabled);
    } else {
        EXPECT_EQ(off.done, SwitchDone::Failed);
        skipped.push_back("Wine does not keep IRegisteredTask::put_Enabled: " + off.message);
    }

    // Delete keeps the task's XML as a backup of its own, which brings the task back.
    auto xml = sources.TaskXml(logon.name);
    ASSERT_TRUE(xml.has_value());
    test::RowModel model;
    model.AddStartupRow(logon);
    model.TickAll();
    CRegFileWriter writer(*reg, *sys);
    test::ScriptedPrompt prompt;
    auto outcome = DeleteSelectedEntries(*reg, *sys, writer, model, prompt, {}, &sources);
    ASSERT_EQ(outcome.taskBackups.size(), 1u);
    EXPECT_TRUE(model.rows.empty());
    EXPECT_FALSE(sources.QueryTask(logon.name).has_value());
    const std::string backup = outcome.taskBackups[0];
    bool listed = false;
    for (const auto& item : ListBackups(*sys))
        listed = listed || item.path == backup;
    EXPECT_TRUE(listed) << backup;
    TaskRestore restored = RestoreTaskBackup(sources, *sys, backup);
    ASSERT_TRUE(restored.status.ok()) << restored.message;
    EXPECT_EQ(sources.TaskXml(logon.name), xml);
    (void)sys->RemoveFile(backup); // the prefix's backup folder outlives the test
    if (!skipped.empty()) {
        std::string why;
        for (const auto& s : skipped)
            why += s + "; ";
        GTEST_SKIP() << why;
    }
}

TEST_F(SystemSourcesTest, ServicesKeepTheirStartTypeAcrossDisableAndEnable) {
    PlantService("ZtTestSvc", "binPath= \"C:\\Program Files\\ZtVendor\\svc.exe -k x\" start= auto "
                              "DisplayName= \"Zt Vendor Service\"");
    PlantService("ZtTestDrv", "type= kernel start= system binPath= \\??\\C:\\ZtVendor\\drv.sys");
    PlantService("ZtTestOwn", "binPath= C:\\windows\\system32\\svchost.exe start= auto");
    PlantService("ZtTestManual", "binPath= C:\\ZtVendor\\manual.exe start= demand");

    test::RowSink rows = List();
    const StartupEntry* svc = rows.Find("ZtTestSvc");
    ASSERT_NE(svc, nullptr);
    EXPECT_EQ(svc->kind, StartupEntryKind::Service);
    EXPECT_EQ(svc->displayName, "Zt Vendor Service");
    EXPECT_EQ(svc->command, "C:\\Program Files\\ZtVendor\\svc.exe -k x");
    EXPECT_EQ(svc->detail, "Automatic");
    EXPECT_TRUE(svc->fileMissing);
    const StartupEntry* drv = rows.Find("ZtTestDrv");
    ASSERT_NE(drv, nullptr);
    EXPECT_EQ(drv->kind, StartupEntryKind::Driver);
    EXPECT_EQ(drv->detail, "System");
    EXPECT_EQ(rows.Find("ZtTestOwn"), nullptr);
    // Windows' own by its folder, with no signature: listed only with --all. Every row tells
    // who made it, as far as known.
    EXPECT_TRUE(JsonRow("ZtTestOwn").is_null());
    auto all = nlohmann::json::parse(RunCli("startup --all --json").out);
    EXPECT_TRUE(std::any_of(all.begin(), all.end(),
                            [](const auto& r) { return r["name"] == "ZtTestOwn"; }));
    for (const auto& r : all)
        EXPECT_TRUE(r["publisher"].is_string() && r["verified"].is_boolean()) << r.dump();
    EXPECT_EQ(rows.Find("ZtTestManual"), nullptr);

    // A delayed automatic start comes back as delayed, not as plain automatic.
    bool delayed = sources.SetServiceStart("ZtTestSvc", {kServiceAutoStart, true}).ok() &&
                   sources.QueryServiceStart("ZtTestSvc")->delayed;
    std::string id = StartupEntryId(*svc);
    auto off = RunCli("startup disable --json --id " + id);
    ASSERT_EQ(off.exitCode, 0u) << off.out << off.err;
    EXPECT_EQ(sources.QueryServiceStart("ZtTestSvc")->startType, kServiceDisabled);
    // Still listed while disabled, so that it can be enabled again.
    auto row = JsonRow("ZtTestSvc");
    ASSERT_FALSE(row.is_null());
    EXPECT_EQ(row["startType"], "Disabled");
    EXPECT_EQ(row["kind"], "service");
    EXPECT_EQ(row["fileMissing"], true);
    auto on = RunCli("startup enable --id " + id);
    ASSERT_EQ(on.exitCode, 0u) << on.out << on.err;
    EXPECT_EQ(*sources.QueryServiceStart("ZtTestSvc"), (ServiceStart{kServiceAutoStart, delayed}));
    EXPECT_EQ(RunCli("startup disable --id " + StartupEntryId(*drv)).exitCode, 0u);
    EXPECT_EQ(RunCli("startup enable --id " + StartupEntryId(*drv)).exitCode, 0u);
    EXPECT_EQ(sources.QueryServiceStart("ZtTestDrv")->startType, kServiceSystemStart);

    // Services are never deleted.
    auto refused = RunCli("startup delete --yes --id " + id);
    EXPECT_EQ(refused.exitCode, 1u);
    EXPECT_THAT(refused.err, HasSubstr("not deleted"));
    EXPECT_TRUE(sources.QueryServiceStart("ZtTestSvc").has_value());
    if (!delayed)
        GTEST_SKIP()
            << "Wine keeps no delayed automatic start (SERVICE_CONFIG_DELAYED_AUTO_START_INFO)";
}

TEST_F(SystemSourcesTest, PackagedTasksShowTheirStateAndAreChangedInSettings) {
    const std::string state = FromWide(std::wstring(kPackagedTaskStateKey));
    const std::string repository = FromWide(std::wstring(kPackageRepositoryKey));
    const std::string family = "ZtTest.App_8abc";
    auto cleanup = [&] {
        (void)reg->DeleteKeyTree(RootHandle(kCurrentUser), state + "\\" + family);
        (void)reg->DeleteKeyTree(RootHandle(kCurrentUser), repository + "\\Families\\" + family);
        (void)reg->DeleteKeyTree(RootHandle(kCurrentUser),
                                 repository + "\\Packages\\ZtTest.App_1.0.0.0_x64__8abc");
    };
    cleanup();
    RegKey task(*reg, reg->CreateKey(RootHandle(kCurrentUser), state + "\\" + family + "\\Start"));
    ASSERT_TRUE(task);
    std::uint32_t byUser = 1;
    ASSERT_TRUE(reg->WriteValue(task.get(), "State", kRegDword, &byUser, sizeof byUser).ok());
    RegKey(*reg, reg->CreateKey(RootHandle(kCurrentUser), repository + "\\Families\\" + family +
                                                              "\\ZtTest.App_1.0.0.0_x64__8abc"));
    ASSERT_TRUE(test::PlantString(*reg, kCurrentUser,
                                  repository + "\\Packages\\ZtTest.App_1.0.0.0_x64__8abc",
                                  "DisplayName", "Zt Test App"));

    auto row = JsonRow(family + "\\Start");
    ASSERT_FALSE(row.is_null());
    EXPECT_EQ(row["kind"], "package");
    EXPECT_EQ(row["displayName"], "Zt Test App");
    EXPECT_EQ(row["status"], "Disabled by user");
    auto enable = RunCli("startup enable --id " + row["id"].get<std::string>());
    EXPECT_EQ(enable.exitCode, 1u);
    EXPECT_THAT(enable.err, HasSubstr("ms-settings:startupapps"));
    auto del = RunCli("startup delete --yes --id " + row["id"].get<std::string>());
    EXPECT_EQ(del.exitCode, 1u);
    EXPECT_THAT(del.err, HasSubstr("cannot be deleted"));
    cleanup();
}

} // namespace
} // namespace zt
