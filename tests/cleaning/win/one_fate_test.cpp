// One entry, one fate: on the real registry, entries that several areas report, keys listed with
// a value inside them (in both list orders) and a Run value with its approval switch are each
// backed up once and deleted by `clean --yes`, which exits 0; the restore gives back exactly
// what the registry editor exported before.
#include <windows.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <iterator>
#include <set>

#include "backup/BackupStore.h"
#include "cli/CmdClean.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "support/captured_cli.h"
#include "support/seams.h"

namespace zt {
namespace {

using Json = nlohmann::json;

constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kApproved =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
constexpr const char* kClass = "Software\\Classes\\CLSID\\{5A1E0F00-0026-4C26-9C26-000000000026}";
constexpr const char* kDoc = "Software\\Classes\\ZentroveFate.Doc";
constexpr const char* kAppPath =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\zentrovefate.exe";
constexpr const char* kGone = "C:\\Program Files\\ZentroveFate\\fate.exe";

struct Result {
    int code;
    std::string out, err;
};

class OneFate : public ::testing::Test {
  protected:
    Win32Registry reg;
    Win32System sys;
    std::string scratch = test::ScratchFolder(sys);

    void Put(RootKey root, const std::string& path, const std::string& name,
             const std::string& text) {
        RegKey key(reg, reg.CreateKey(RootHandle(root), path));
        ASSERT_TRUE(reg.WriteString(key.get(), name, text));
    }
    void SetUp() override {
        for (const auto& b : ListBackups(sys))
            static_cast<void>(sys.RemoveFile(b.path));
        Put(kCurrentUser, kRun, "ZentroveFateStale", kGone);
        RegKey approved(reg, reg.CreateKey(RootHandle(kCurrentUser), kApproved));
        const std::uint8_t enabled[12] = {2};
        ASSERT_TRUE(reg.WriteValue(approved.get(), "ZentroveFateStale", kRegBinary, enabled, 12));
        Put(kCurrentUser, std::string(kClass) + "\\InprocServer32", "",
            "C:\\Program Files\\ZentroveFate\\fate.dll");
        Put(kCurrentUser, std::string(kDoc) + "\\shell\\open\\command", "", kGone);
        Put(kLocalMachine, kAppPath, "", kGone);
        Put(kLocalMachine, kAppPath, "Path", "C:\\Program Files\\ZentroveFate");
    }
    void TearDown() override {
        for (const char* name : {kRun, kApproved}) {
            RegKey key(reg, reg.OpenKeyAllAccess(RootHandle(kCurrentUser), name));
            static_cast<void>(reg.DeleteValue(key.get(), "ZentroveFateStale"));
        }
        static_cast<void>(reg.DeleteKeyTree(RootHandle(kCurrentUser), kClass));
        static_cast<void>(reg.DeleteKeyTree(RootHandle(kCurrentUser), kDoc));
        static_cast<void>(reg.DeleteKeyTree(RootHandle(kLocalMachine), kAppPath));
    }
    static Result Cli(bool clean, const cli::Args& args) {
        test::CapturedCli c;
        int code = clean ? cli::RunClean(c.ctx, args, [](const std::string&) { return true; })
                         : cli::RunScanCommand(c.ctx, args);
        return {code, c.Out(), c.Err()};
    }
    // The planted findings of a scan of every area they are in.
    Json Planted() {
        Result r = Cli(false, {"--json", "--categories", "0,1,2,3,6,11"});
        EXPECT_EQ(r.code, cli::kExitOk) << r.err;
        Json mine = Json::array();
        for (auto& f : Json::parse(r.out)["findings"])
            if (f["path"].get<std::string>().find("entroveFate") != std::string::npos ||
                f["path"].get<std::string>().find("zentrovefate") != std::string::npos ||
                f["path"].get<std::string>().find("5A1E0F00") != std::string::npos)
                mine.push_back(f);
        return mine;
    }
    // The registry editor's own export of every planted key.
    std::string Exported(const std::string& tag) {
        std::string all;
        int n = 0;
        for (const std::string& key : {"HKEY_CURRENT_USER\\" + std::string(kRun),
                                       "HKEY_CURRENT_USER\\" + std::string(kApproved),
                                       "HKEY_CURRENT_USER\\" + std::string(kClass),
                                       "HKEY_CURRENT_USER\\" + std::string(kDoc),
                                       "HKEY_LOCAL_MACHINE\\" + std::string(kAppPath)}) {
            std::string file = scratch + "\\" + tag + std::to_string(++n) + ".reg";
            EXPECT_TRUE(test::RunAndWait("regedit.exe /e \"" + file + "\" \"" + key + "\"", 60000));
            std::ifstream in(file, std::ios::binary);
            std::string text{std::istreambuf_iterator<char>(in), {}};
            EXPECT_FALSE(text.empty()) << key;
            all += text;
        }
        return all;
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
    Json found = Planted();
    // The Run value and the class's server by two areas each (the class through the classes
    // root and the user's own key), the command key before the value inside it and the App
    // Paths key after its default value.
    std::multiset<std::string> paths;
    std::string ids;
    for (const auto& f : found) {
        paths.insert(f["path"].get<std::string>());
        ids += (ids.empty() ? "" : ",") + f["id"].get<std::string>();
    }
    ASSERT_EQ(found.size(), 8u) << found.dump(1);
    EXPECT_EQ(paths.count("HKCU\\" + std::string(kRun) + "\\ZentroveFateStale"), 2u);

    Result r = Cli(true, {"--only", ids, "--yes", "--json"});
    ASSERT_EQ(r.code, cli::kExitOk) << r.out << r.err;
    Json doc = Json::parse(r.out);
    EXPECT_EQ(doc["cleaned"], 8);
    EXPECT_EQ(doc["skipped"], Json::array());
    EXPECT_EQ(doc["keptBack"], Json::array());
    EXPECT_EQ(doc["notDeleted"], Json::array());
    ASSERT_TRUE(doc["backupFile"].is_string());

    // Every entry once, the approval switch beside its Run value.
    std::string backup = ReadFileText(sys, doc["backupFile"].get<std::string>()).value_or("");
    EXPECT_EQ(Count(backup, "\"ZentroveFateStale\"=\"C:"), 1u) << backup;
    EXPECT_EQ(Count(backup, "\"ZentroveFateStale\"=hex:02,00"), 1u) << backup;
    EXPECT_EQ(Count(backup, "InprocServer32]"), 1u) << backup;
    EXPECT_EQ(Count(backup, "fate.dll"), 1u) << backup;
    EXPECT_EQ(Count(backup, "\\shell\\open\\command]"), 1u) << backup;
    EXPECT_EQ(Count(backup, "zentrovefate.exe]"), 1u) << backup;
    EXPECT_EQ(Count(backup, "\"Path\"="), 1u) << backup;

    // Nothing left behind, not even an orphan switch.
    EXPECT_EQ(Planted(), Json::array());

    test::CapturedCli restore;
    ASSERT_EQ(cli::RunRestoreCommand(restore.ctx, {doc["backupFile"].get<std::string>()}),
              cli::kExitOk)
        << restore.Out() << restore.Err();
    EXPECT_EQ(Exported("after"), before);
}

} // namespace
} // namespace zt
