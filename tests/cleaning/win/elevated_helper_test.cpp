// The elevated helper on the real platform: `zentrove-cli clean --plan --backup-folder
// --result` started through the elevation verb (under Wine it runs as the same user), alone
// and as the scan page's cleaning hands it the machine's part.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>

#include "backup/BackupStore.h"
#include "cleaning/CleanPlan.h"
#include "cleaning/MachinePart.h"
#include "cli/CmdClean.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "support/build_folder_system.h"
#include "support/captured_cli.h"
#include "support/seams.h"

namespace zt {
namespace {

using Json = nlohmann::json;
using ::testing::HasSubstr;

constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

using test::BuildFolderSystem;

struct Answers : UserPrompt {
    std::vector<std::string> shown;
    int Ask(std::string_view text, std::string_view, PromptButtons b) override {
        shown.emplace_back(text);
        return b == PromptButtons::YesNoCancel ? kAnswerYes : kAnswerOk;
    }
};

struct Quiet : CleaningSink {};

class ElevatedHelper : public ::testing::Test {
  protected:
    Win32Registry reg;
    BuildFolderSystem sys;
    std::string scratch = test::ScratchFolder(sys);
    const char* names[3] = {"ZentroveHelperMachine", "ZentroveHelperLater", "ZentroveHelperUser"};

    void Put(RootKey root, const char* name) {
        RegKey key(reg, reg.CreateKey(RootHandle(root), kRun));
        ASSERT_TRUE(reg.WriteString(key.get(), name, "\"" + scratch + "\\" + name + ".exe\""));
    }
    bool There(RootKey root, const char* name) {
        RegKey key(reg, reg.OpenKeyRead(RootHandle(root), kRun));
        return reg.ReadValueWhole(key.get(), name).has_value();
    }
    void SetUp() override {
        for (const auto& b : ListBackups(sys))
            (void)sys.RemoveFile(b.path);
        Put(kLocalMachine, names[0]);
        Put(kLocalMachine, names[1]);
        Put(kCurrentUser, names[2]);
    }
    void TearDown() override {
        for (RootKey root : {kLocalMachine, kCurrentUser}) {
            RegKey run(reg, reg.OpenKeyAllAccess(RootHandle(root), kRun));
            for (const char* name : names)
                (void)reg.DeleteValue(run.get(), name);
        }
    }
    // The planted findings of a real `scan --json` of the startup area, as plan entries.
    std::vector<PlanEntry> Scanned() {
        test::CapturedCli c;
        EXPECT_EQ(cli::RunScanCommand(c.ctx, {"--json", "--categories", "6"}), cli::kExitOk);
        std::vector<PlanEntry> planted;
        Json doc = Json::parse(c.Out());
        for (const Json& f : doc["findings"]) {
            if (f["valueName"].get<std::string>().rfind("ZentroveHelper", 0) != 0) continue;
            planted.push_back({f["id"],
                               {*RootFromName(f["root"].get<std::string>()), f["keyPath"],
                                f["valueName"], FindingKind::Value},
                               f["reason"],
                               f["value"]});
        }
        EXPECT_EQ(planted.size(), 3u) << c.Err();
        return planted;
    }
    const PlanEntry& Named(const std::vector<PlanEntry>& entries, const char* name) {
        for (const auto& e : entries)
            if (e.finding.valueName == name) return e;
        throw std::runtime_error(name);
    }
};

TEST_F(ElevatedHelper, ConsoleHelperCleansTheMachinesFindingsRefusesTheUsersAndWritesItsResult) {
    std::vector<PlanEntry> plan = Scanned();
    std::string planPath = scratch + "\\plan.json", resultPath = scratch + "\\result.json";
    std::ofstream(planPath, std::ios::binary) << WriteCleanPlan(plan);
    // Made valid after the plan was written: the helper's own re-check keeps it.
    std::ofstream(scratch + "\\ZentroveHelperLater.exe") << "x";
    std::string folder = scratch + "\\backups";
    ASSERT_TRUE(sys.MakeFolder(folder).ok());

    ShellResult r = sys.RunElevated(HelperPath(sys),
                                    HelperCleanParameters(planPath, folder, resultPath), nullptr);
    ASSERT_TRUE(r.started && r.waited);
    EXPECT_EQ(r.exitCode, 1u); // a refused and a skipped finding: not all that was asked

    auto text = sys.ReadWholeFile(resultPath);
    ASSERT_TRUE(text);
    EXPECT_FALSE(sys.Exists(resultPath + ".part"));
    Json result = Json::parse(*text);
    EXPECT_EQ(result["cleanedIds"], Json::array({Named(plan, names[0]).id}));
    ASSERT_EQ(result["skipped"].size(), 1u);
    EXPECT_EQ(result["skipped"][0]["id"], Named(plan, names[1]).id);
    ASSERT_EQ(result["idsNotCleaned"].size(), 1u);
    EXPECT_EQ(result["idsNotCleaned"][0]["id"], Named(plan, names[2]).id);
    EXPECT_EQ(result["idsNotCleaned"][0]["reason"], kOwnHiveRefused);
    EXPECT_FALSE(There(kLocalMachine, names[0]));
    EXPECT_TRUE(There(kLocalMachine, names[1]));
    EXPECT_TRUE(There(kCurrentUser, names[2]));
    // Its backup is in the folder it was given and holds only what it deleted.
    std::string backup = result["backupFile"];
    EXPECT_EQ(backup.rfind(folder + "\\", 0), 0u) << backup;
    auto saved = sys.ReadWholeFile(backup);
    ASSERT_TRUE(saved);
    EXPECT_THAT(*saved, HasSubstr(names[0]));
    EXPECT_THAT(*saved, ::testing::Not(HasSubstr(names[2])));
}

TEST_F(ElevatedHelper, ScanPageCleaningHandsTheMachinesPartToTheHelperAndShowsOneTotal) {
    FindingVector list;
    for (const PlanEntry& e : Scanned())
        if (e.finding.valueName != names[1]) list.Add(e.finding, e.reason, e.valueText);
    CRegFileWriter writer(reg, sys);
    FindingRecheck recheck(reg, sys);
    Answers prompt;
    Quiet sink;
    CleanOutcome out =
        CleanTicked(CleaningContext{reg, sys, writer, prompt, sink, true, &recheck}, list);

    ASSERT_EQ(prompt.shown.size(), 2u);
    EXPECT_EQ(prompt.shown[0], ElevationOfferText(1));
    EXPECT_EQ(prompt.shown[1], "Total 2 items cleaned successfully!");
    EXPECT_FALSE(There(kLocalMachine, names[0]));
    EXPECT_FALSE(There(kCurrentUser, names[2]));
    EXPECT_TRUE(list.rows.empty());
    // Both parts' backup files, in the user's backup folder the Backup page lists.
    std::vector<std::string> listed;
    for (const auto& b : ListBackups(sys))
        listed.push_back(b.path);
    EXPECT_THAT(listed, ::testing::UnorderedElementsAre(out.backupFile, out.machineBackupFile));
}

TEST_F(ElevatedHelper, BackupPageRestoresTheUsersKeysHereAndTheMachinesThroughTheHelper) {
    const std::string key = "Software\\ZentroveTest\\HelperRestore";
    std::string path = scratch + "\\split.reg";
    std::ofstream(path, std::ios::binary)
        << "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" << key << "]\r\n\"u\"=\"1\"\r\n\r\n"
        << "[HKEY_LOCAL_MACHINE\\" << key << "]\r\n\"m\"=\"2\"\r\n\r\n";
    RestoreReport report = RestoreWithHelper(reg, sys, path);
    EXPECT_EQ(report.result, RestoreResult::Restored) << RestoreMessage(report);
    EXPECT_EQ(report.verified, 4);
    for (RootKey root : {kCurrentUser, kLocalMachine}) {
        RegKey k(reg, reg.OpenKeyRead(RootHandle(root), key));
        EXPECT_TRUE(reg.ReadValueWhole(k.get(), root == kCurrentUser ? "u" : "m"));
        (void)reg.DeleteKeyTree(RootHandle(root), "Software\\ZentroveTest\\HelperRestore");
    }
    // The helper restored one part: it leaves the file to the page, which removes it.
    EXPECT_TRUE(sys.Exists(path));
}

} // namespace
} // namespace zt
