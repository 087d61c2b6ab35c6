// zentrove-cli startup as a user runs it: a child process with its own standard handles.
#include <windows.h>

#include <gtest/gtest.h>
#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include <cctype>
#include <set>

#include "backup/BackupStore.h"
#include "platform/memory/MemoryFileSignatures.h"
#include "startup/StartupLocations.h"
#include "startup/scripted_prompt.h"
#include "startup/startup_support.h"
#include "support/captured_cli.h"
#include "support/cli_run.h"
#include "support/platform_startup.h"
#include "support/seams.h"

namespace zt {
namespace {

using ::testing::HasSubstr;

using test::CliRun;
using test::RunCli;

class StartupCliTest : public ::testing::Test {
  protected:
    std::unique_ptr<Registry> reg = test::MakeRegistry();
    std::unique_ptr<System> sys = test::MakeSystem();
    test::StartupSandbox sandbox{*reg, *sys};

    bool HasRunValue(RootKey root, const std::string& name) {
        RegKey key(*reg, reg->OpenKeyRead(RootHandle(root), kRunKeyPath));
        return key && reg->ReadValueWhole(key.get(), name).has_value();
    }
    int NumberOf(const nlohmann::json& rows, const std::string& name) {
        for (const auto& r : rows)
            if (r["name"] == name) return r["number"].get<int>();
        return -1;
    }
};

TEST_F(StartupCliTest, ListsAsJsonInUtf8) {
    ASSERT_TRUE(test::PlantString(*reg, kCurrentUser, std::string(kRunKeyPath), "Caf\xc3\xa9",
                                  "C:\\Caf\xc3\xa9\\x.exe"));
    test::PlantFile(*sys, JoinPath(sandbox.userFolder(), "u.bat"), "x");
    CliRun run = RunCli("startup --json");
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    auto rows = nlohmann::json::parse(run.out);
    ASSERT_EQ(rows.size(), 2u) << run.out;
    EXPECT_EQ(rows[0]["number"], 1);
    EXPECT_EQ(rows[0]["name"], "Caf\xc3\xa9");
    EXPECT_EQ(rows[0]["command"], "C:\\Caf\xc3\xa9\\x.exe");
    EXPECT_EQ(rows[0]["location"], "HKCU\\" + std::string(kRunKeyPath));
    EXPECT_EQ(rows[0]["kind"], "run");
    EXPECT_EQ(rows[0]["entryKind"], "RegistryValue");
    EXPECT_EQ(rows[0]["kindValue"], 0);
    EXPECT_EQ(rows[1]["kind"], "folder");
    EXPECT_EQ(rows[1]["location"], "Startup");

    CliRun text = RunCli("startup");
    ASSERT_EQ(text.exitCode, 0u);
    EXPECT_THAT(text.out, HasSubstr("2\tu.bat\t" + JoinPath(sandbox.userFolder(), "u.bat") +
                                    "\tStartup\tStartupFolderFile\tEnabled\t\t\r\n"));
}

// Only the stand-in can make a file Windows-signed here, so the command runs in this process.
TEST_F(StartupCliTest, PublishersReachJsonAndWindowsSignedRowsNeedAll) {
    const std::string run(kRunKeyPath);
    ASSERT_TRUE(test::PlantString(*reg, kCurrentUser, run, "ZtWinSigned", "C:\\ZtSig\\win.exe /w"));
    ASSERT_TRUE(test::PlantString(*reg, kCurrentUser, run, "ZtVendor",
                                  "\"C:\\ZtSig\\vendor tool.exe\" -x"));
    MemoryFileSignatures signatures;
    signatures.Set("C:\\ZtSig\\win.exe", {"Microsoft Windows", true});
    signatures.Set("C:\\ZtSig\\vendor tool.exe", {"Vendor Ltd", false});
    auto startup = [&](const cli::Args& args, std::string& out) {
        test::CapturedCli cli(*reg, *sys, test::PlatformStartupSources(), signatures);
        int code = cli::RunStartupCommand(cli.ctx, args);
        out = cli.Out() + cli.Err();
        return code;
    };
    auto row = [](const std::string& out, const std::string& name) {
        for (const auto& r : nlohmann::json::parse(out))
            if (r["name"] == name) return r;
        return nlohmann::json();
    };
    std::string shown, all, changed;
    ASSERT_EQ(startup({"--json"}, shown), 0) << shown;
    EXPECT_TRUE(row(shown, "ZtWinSigned").is_null());
    EXPECT_EQ(row(shown, "ZtVendor")["publisher"], "Vendor Ltd");
    EXPECT_EQ(row(shown, "ZtVendor")["verified"], false);
    ASSERT_EQ(startup({"--all", "--json"}, all), 0) << all;
    auto win = row(all, "ZtWinSigned");
    ASSERT_FALSE(win.is_null());
    EXPECT_EQ(win["publisher"], "Microsoft Windows");
    EXPECT_EQ(win["verified"], true);
    // An id names the row whether it is hidden or not.
    EXPECT_EQ(startup({"disable", "--id", win["id"].get<std::string>()}, changed), 0) << changed;
    ASSERT_EQ(startup({"--all", "--json"}, all), 0);
    EXPECT_EQ(row(all, "ZtWinSigned")["status"], "Disabled");

    CliRun help = RunCli("startup --help");
    EXPECT_EQ(help.exitCode, 0u);
    EXPECT_THAT(help.out, HasSubstr("--all"));
}

TEST_F(StartupCliTest, DeleteAsksOrRefusesAndBacksUp) {
    ASSERT_TRUE(
        test::PlantString(*reg, kLocalMachine, std::string(kRunKeyPath), "Doomed", "C:\\d.exe"));
    ASSERT_TRUE(
        test::PlantString(*reg, kLocalMachine, std::string(kRunKeyPath), "Kept", "C:\\k.exe"));
    auto rows = nlohmann::json::parse(RunCli("startup --json").out);
    int doomed = NumberOf(rows, "Doomed");
    ASSERT_GT(doomed, 0);

    CliRun refused = RunCli("startup delete " + std::to_string(doomed));
    EXPECT_EQ(refused.exitCode, 2u);
    EXPECT_THAT(refused.err, HasSubstr("--yes"));
    EXPECT_TRUE(HasRunValue(kLocalMachine, "Doomed"));

    CliRun done = RunCli("startup delete " + std::to_string(doomed) + " --yes");
    EXPECT_EQ(done.exitCode, 0u) << done.err;
    EXPECT_THAT(done.out, HasSubstr("Are you sure to delete these items?"));
    EXPECT_THAT(done.out, HasSubstr("Done!\r\n"));
    EXPECT_FALSE(HasRunValue(kLocalMachine, "Doomed"));
    EXPECT_TRUE(HasRunValue(kLocalMachine, "Kept"));
    auto at = done.out.find("Backup file: ");
    ASSERT_NE(at, std::string::npos) << done.out;
    std::string backup = done.out.substr(at + 13);
    backup.erase(backup.find_first_of("\r\n"));

    // The backup brings the value back through the registry editor.
    EXPECT_EQ(RestoreBackupFile(*reg, *sys, backup).result, RestoreResult::Restored);
    EXPECT_TRUE(HasRunValue(kLocalMachine, "Doomed"));
    (void)sys->RemoveFile(backup);
}

TEST_F(StartupCliTest, DisableAndEnableOnlyWhatASwitchGoverns) {
    ASSERT_TRUE(test::PlantString(*reg, kLocalMachine, std::string(kRun32KeyPath), "Tray32", "t"));
    ASSERT_TRUE(test::PlantString(*reg, kCurrentUser, std::string(kRunOnceKeyPath), "Once", "o"));
    auto rows = nlohmann::json::parse(RunCli("startup --json").out);
    int tray = NumberOf(rows, "Tray32"), once = NumberOf(rows, "Once");
    ASSERT_GT(tray, 0);
    ASSERT_GT(once, 0);
    EXPECT_EQ(rows[tray - 1]["view"], 32);
    EXPECT_EQ(rows[tray - 1]["status"], "Enabled");
    EXPECT_EQ(rows[once - 1]["view"], 64);

    CliRun off = RunCli("startup disable " + std::to_string(tray));
    EXPECT_EQ(off.exitCode, 0u) << off.err;
    EXPECT_THAT(off.out, HasSubstr("\tTray32\tDisabled"));
    rows = nlohmann::json::parse(RunCli("startup --json").out);
    EXPECT_EQ(rows[tray - 1]["status"], "Disabled");

    // Part done is not done: the ungoverned row fails the whole command.
    CliRun mixed = RunCli("startup enable " + std::to_string(tray) + " " + std::to_string(once));
    EXPECT_EQ(mixed.exitCode, 1u);
    EXPECT_THAT(mixed.err, HasSubstr("\tOnce\tThis entry can only be deleted."));
    rows = nlohmann::json::parse(RunCli("startup --json").out);
    EXPECT_EQ(rows[tray - 1]["status"], "Enabled");
    EXPECT_EQ(RunCli("startup disable 99").exitCode, 2u);
}

// Ids stay with their entry while other rows come and go, so a script acts on what it listed.
TEST_F(StartupCliTest, IdsFollowTheirEntryWhenTheListChanges) {
    const std::string run(kRunKeyPath);
    ASSERT_TRUE(test::PlantString(*reg, kLocalMachine, run, "ZtEarly", "C:\\early.exe"));
    ASSERT_TRUE(test::PlantString(*reg, kCurrentUser, run, "ZtTarget", "C:\\target.exe"));
    ASSERT_TRUE(test::PlantString(*reg, kCurrentUser, run, "ZtOther", "C:\\other.exe"));
    test::PlantFile(*sys, JoinPath(sandbox.userFolder(), "late.bat"), "x");
    auto first = nlohmann::json::parse(RunCli("startup --json").out);
    auto second = nlohmann::json::parse(RunCli("startup --json").out);
    ASSERT_EQ(first.size(), second.size());
    std::set<std::string> ids;
    for (std::size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(first[i]["id"], second[i]["id"]);
        ids.insert(first[i]["id"].get<std::string>());
    }
    EXPECT_EQ(ids.size(), first.size()) << "one id per row";
    auto field = [](const nlohmann::json& rows, const std::string& name, const char* key) {
        for (const auto& r : rows)
            if (r["name"] == name) return r[key].get<std::string>();
        return std::string("absent");
    };
    const std::string target = field(first, "ZtTarget", "id"),
                      early = field(first, "ZtEarly", "id");
    const std::string other = field(first, "ZtOther", "id");
    ASSERT_EQ(target.size(), 16u);

    // The system runs and removes an entry listed earlier: every row below moves up one.
    RegKey machineRun(*reg, reg->OpenKeyAllAccess(RootHandle(kLocalMachine), run));
    ASSERT_TRUE(reg->DeleteValue(machineRun.get(), "ZtEarly"));
    CliRun off = RunCli("startup disable --id " + target);
    EXPECT_EQ(off.exitCode, 0u) << off.err;
    auto now = nlohmann::json::parse(RunCli("startup --json").out);
    EXPECT_EQ(field(now, "ZtTarget", "id"), target);
    for (const auto& r : now)
        EXPECT_EQ(r["status"], r["name"] == "ZtTarget" ? "Disabled" : "Enabled") << r["name"];

    // An id no longer listed is named and nothing else is touched, not even the listed one.
    CliRun gone = RunCli("startup enable --id " + target + "," + early);
    EXPECT_EQ(gone.exitCode, 1u);
    EXPECT_THAT(gone.err, HasSubstr(early));
    EXPECT_EQ(field(nlohmann::json::parse(RunCli("startup --json").out), "ZtTarget", "status"),
              "Disabled");

    // Named twice, in either case, it is switched once.
    std::string upper = target;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    CliRun twice = RunCli("startup enable --json --id " + target + "," + upper + " --id " + target);
    EXPECT_EQ(twice.exitCode, 0u) << twice.err;
    auto report = nlohmann::json::parse(twice.out);
    ASSERT_EQ(report.size(), 1u) << twice.out;
    EXPECT_EQ(report[0]["id"], target);
    EXPECT_EQ(report[0]["done"], true);

    for (const char* empty :
         {"startup disable --id \"\"", "startup disable --id", "startup disable --id ,"}) {
        CliRun run = RunCli(empty);
        EXPECT_EQ(run.exitCode, 2u) << empty;
        EXPECT_THAT(run.err, HasSubstr("usage:")) << empty;
    }
    // Deleting by id takes that entry alone.
    CliRun deleted = RunCli("startup delete --id " + other + " --yes");
    EXPECT_EQ(deleted.exitCode, 0u) << deleted.err;
    EXPECT_FALSE(HasRunValue(kCurrentUser, "ZtOther"));
    EXPECT_TRUE(HasRunValue(kCurrentUser, "ZtTarget"));
    now = nlohmann::json::parse(RunCli("startup --json").out);
    for (const auto& r : now)
        EXPECT_EQ(r["status"], "Enabled") << r["name"];
    auto at = deleted.out.find("Backup file: ");
    ASSERT_NE(at, std::string::npos) << deleted.out;
    std::string backup = deleted.out.substr(at + 13);
    (void)sys->RemoveFile(backup.erase(backup.find_first_of("\r\n")));

    // For a helper working for another account: the report alone on the standard output, the
    // backup in the folder it was given (a trailing backslash included).
    const std::string folder = test::ScratchFolder(*sys);
    CliRun helped = RunCli("startup delete --id " + target + " --yes --json --backup-folder \"" +
                           folder + "\\\\\"");
    EXPECT_EQ(helped.exitCode, 0u) << helped.err;
    auto helpedReport = nlohmann::json::parse(helped.out, nullptr, false);
    ASSERT_TRUE(helpedReport.is_array()) << helped.out;
    EXPECT_EQ(helpedReport[0]["done"], true);
    EXPECT_FALSE(HasRunValue(kCurrentUser, "ZtTarget"));
    at = helped.err.find("Backup file: ");
    ASSERT_NE(at, std::string::npos) << helped.err;
    backup = helped.err.substr(at + 13);
    backup.erase(backup.find_first_of("\r\n"));
    EXPECT_EQ(backup.rfind(folder, 0), 0u) << backup;
    EXPECT_TRUE(sys->Exists(backup)) << backup;
}

TEST_F(StartupCliTest, AddWritesAndLists) {
    const std::string folder = JoinPath(test::ScratchFolder(*sys), "Sync Tool");
    ASSERT_TRUE(sys->MakeFolder(folder));
    const std::string program = JoinPath(folder, "sync.exe");
    test::PlantFile(*sys, program, "MZ");
    CliRun run = RunCli("startup add \"  " + program + " -quiet \"");
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_TRUE(HasRunValue(kLocalMachine, "sync"));
    EXPECT_THAT(run.out, HasSubstr("\tsync\t" + program + " -quiet\tHKLM\\"));

    CliRun missing = RunCli("startup add \"C:\\zt-nowhere\\ghost.exe\"");
    EXPECT_EQ(missing.exitCode, 1u);
    EXPECT_THAT(missing.err, HasSubstr("cannot start anything"));
    EXPECT_FALSE(HasRunValue(kLocalMachine, "ghost"));
    EXPECT_FALSE(HasRunValue(kCurrentUser, "ghost"));
}

TEST_F(StartupCliTest, AddReplacesAUsersEntryOnlyWithYesAndTheBackupBringsItBack) {
    const std::string program = JoinPath(test::ScratchFolder(*sys), "ztagent.exe");
    test::PlantFile(*sys, program, "MZ");
    ASSERT_TRUE(test::PlantString(*reg, kCurrentUser, std::string(kRunKeyPath), "ztagent",
                                  "C:\\Old\\ztagent.exe /old"));
    auto current = [&] {
        RegKey key(*reg, reg->OpenKeyRead(RootHandle(kCurrentUser), kRunKeyPath));
        auto value = key ? reg->ReadValueWhole(key.get(), "ztagent") : std::nullopt;
        return value ? std::string(value->data.begin(), value->data.end() - 1) : "<missing>";
    };

    CliRun kept = RunCli("startup add \"" + program + " /new\"");
    EXPECT_EQ(kept.exitCode, 1u);
    EXPECT_THAT(kept.out, HasSubstr("An entry named ztagent already starts: "
                                    "C:\\Old\\ztagent.exe /old. Replace it?"));
    EXPECT_THAT(kept.err, HasSubstr("--yes"));
    EXPECT_EQ(current(), "C:\\Old\\ztagent.exe /old");

    CliRun replaced = RunCli("startup add \"" + program + " /new\" --yes");
    ASSERT_EQ(replaced.exitCode, 0u) << replaced.err;
    EXPECT_EQ(current(), program + " /new");
    EXPECT_FALSE(HasRunValue(kLocalMachine, "ztagent")) << "replaced where it was";
    auto at = replaced.out.find("The old entry was saved in ");
    ASSERT_NE(at, std::string::npos) << replaced.out;
    std::string backup = replaced.out.substr(at + 27);
    backup.erase(backup.find_first_of("\r\n"));
    bool listed = false;
    for (const auto& item : ListBackups(*sys))
        listed = listed || item.path == backup;
    EXPECT_TRUE(listed) << backup;

    EXPECT_EQ(RestoreBackupFile(*reg, *sys, backup).result, RestoreResult::Restored);
    EXPECT_EQ(current(), "C:\\Old\\ztagent.exe /old");
    (void)sys->RemoveFile(backup);
}

TEST_F(StartupCliTest, UsageErrorsExitWithTwoAndChangeNothing) {
    ASSERT_TRUE(test::PlantString(*reg, kLocalMachine, std::string(kRunKeyPath), "Only", "x"));
    for (const char* args :
         {"startup --bogus", "startup delete", "startup delete 0 --yes", "startup delete x --yes",
          "startup delete 99 --yes", "startup add", "startup add \"   \"", "startup add a b"}) {
        SCOPED_TRACE(args);
        CliRun run = RunCli(args);
        EXPECT_EQ(run.exitCode, 2u);
        EXPECT_THAT(run.err, HasSubstr("usage:"));
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
    EXPECT_TRUE(HasRunValue(kLocalMachine, "Only"));
    CliRun longer = RunCli("startup add \"C:\\" + std::string(400, 'l') + "\"");
    EXPECT_EQ(longer.exitCode, 2u);
}

} // namespace
} // namespace zt
