// One entry, one fate: on the real registry, entries that several areas report, keys listed with
// a value inside them (in both list orders) and a Run value with its approval switch are each
// backed up once and deleted by `clean --yes`, which exits 0; the restore gives back exactly
// what the registry editor exported before.
#include <windows.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <iterator>
#include <algorithm>

#include "backup/BackupStore.h"
#include "cli/CmdClean.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "scan/RunKeys.h"
#include "support/captured_cli.h"
#include "support/planted_scan.h"
#include "seams/AsciiText.h"
#include "support/seams.h"
#include "tests/backup/common/backup_test_util.h"

namespace zt {
namespace {

using Json = nlohmann::json;

const std::string kRun(kRunKeyPath), kApproved(kApprovedRunKeyPath);
constexpr const char* kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
const std::string kAppPath = kAppPaths + std::string("zentrovefate.exe");
const std::string kAppPath2 = kAppPaths + std::string("zentrovefate2.exe");
constexpr const char* kGone = "C:\\Program Files\\ZentroveFate\\fate.exe";

class OneFate : public ::testing::Test {
  protected:
    Win32Registry reg;
    Win32System sys;
    std::string scratch = test::ScratchFolder(sys);

    void Put(RootKey root, const std::string& path, const std::string& name,
             const std::string& text) {
        // With its terminating zero, as programs write their settings.
        RegKey key(reg, reg.CreateKey(RootHandle(root), path));
        ASSERT_TRUE(reg.WriteValue(key.get(), name, kRegSz, text.c_str(),
                                   static_cast<std::uint32_t>(text.size() + 1)));
    }
    void SetUp() override {
        for (const auto& b : ListBackups(sys))
            static_cast<void>(sys.RemoveFile(b.path));
        Put(kCurrentUser, kRun, "ZentroveFateStale", kGone);
        RegKey approved(reg, reg.CreateKey(RootHandle(kCurrentUser), kApproved));
        const std::uint8_t enabled[12] = {2};
        ASSERT_TRUE(reg.WriteValue(approved.get(), "ZentroveFateStale", kRegBinary, enabled, 12));
        for (const std::string& app : {kAppPath, kAppPath2}) {
            Put(kLocalMachine, app, "", kGone);
            Put(kLocalMachine, app, "Path", "C:\\Program Files\\ZentroveFate");
        }
    }
    void TearDown() override {
        for (const std::string& name : {kRun, kApproved}) {
            RegKey key(reg, reg.OpenKeyAllAccess(RootHandle(kCurrentUser), name));
            static_cast<void>(reg.DeleteValue(key.get(), "ZentroveFateStale"));
        }
        for (const std::string& app : {kAppPath, kAppPath2})
            static_cast<void>(reg.DeleteKeyTree(RootHandle(kLocalMachine), app));
    }
    // `scan --json` of every area the plants are in, cut down to the planted findings.
    static Json PlantedScan() { return test::PlantedScan("2,3,6,11", "zentrovefate"); }
    // The registry editor's own export of every planted key.
    std::string Exported(const std::string& tag) {
        return test::RegeditExport(scratch, tag,
                                   {"HKEY_CURRENT_USER\\" + std::string(kRun),
                                    "HKEY_CURRENT_USER\\" + std::string(kApproved),
                                    "HKEY_LOCAL_MACHINE\\" + kAppPath,
                                    "HKEY_LOCAL_MACHINE\\" + kAppPath2});
    }
};

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

TEST_F(OneFate, EachEntryCleanedOnceExitZeroAndTheRestoreGivesBackTheSame) {
    const std::string before = Exported("before");
    Json plan = PlantedScan();
    Json& found = plan["findings"];
    const std::size_t listed = found.size();
    auto count = [&](const std::string& path) {
        return std::count_if(found.begin(), found.end(),
                             [&](const Json& f) { return f["path"] == path; });
    };
    // The Run value by two areas; each App Paths key by its area, and its default value by the
    // system software area, through each view where the views share the key.
    EXPECT_EQ(count("HKCU\\" + std::string(kRun) + "\\ZentroveFateStale"), 2);
    EXPECT_EQ(count("HKLM\\" + kAppPath + "\\"), 1) << found.dump(1);
    // The scan lists a key before its value; the plan moves the second key after its value.
    auto moved = std::stable_partition(found.begin(), found.end(), [](const Json& f) {
        return f["path"] != "HKLM\\" + kAppPath2 + "\\";
    });
    ASSERT_EQ(found.end() - moved, 1) << found.dump(1);
    Json doc = test::CleanPlan(scratch + "\\fate-plan.json", plan);
    ASSERT_TRUE(doc.is_object());
    EXPECT_EQ(doc["cleaned"], listed);
    EXPECT_EQ(doc["skipped"], Json::array());
    EXPECT_EQ(doc["keptBack"], Json::array());
    EXPECT_EQ(doc["notDeleted"], Json::array());
    ASSERT_TRUE(doc["backupFile"].is_string());

    // Every entry once, the approval switch beside its Run value.
    std::string backup = test::ReadFileText(sys, doc["backupFile"].get<std::string>()).value_or("");
    EXPECT_EQ(Count(backup, "\"ZentroveFateStale\"=\"C:"), 1u) << backup;
    EXPECT_EQ(Count(backup, "\"ZentroveFateStale\"=hex:02,00"), 1u) << backup;
    EXPECT_EQ(Count(backup, "zentrovefate.exe]"), 1u) << backup;
    EXPECT_EQ(Count(backup, "zentrovefate2.exe]"), 1u) << backup;
    EXPECT_EQ(Count(backup, "@=\"C:"), 2u) << backup;
    EXPECT_EQ(Count(backup, "\"Path\"="), 2u) << backup;

    // Nothing left behind, not even an orphan switch.
    EXPECT_EQ(PlantedScan()["findings"], Json::array());

    ASSERT_TRUE(test::RestoreBackupOf(doc));
    EXPECT_EQ(Exported("after"), before);
}

} // namespace
} // namespace zt
