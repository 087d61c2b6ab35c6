// On the real registry and files: a 32-bit uninstaller found in the 32-bit program folder, a
// Sysnative App Path, expandable Run values, quoted uninstallers and a path on a drive that is not
// there are judged as the programs that wrote them see them; the dead ones are cleaned by
// `clean --plan` and the restore gives back exactly what the registry editor exported before.
#include <windows.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <set>

#include "backup/BackupStore.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "scan/PathJudge.h"
#include "seams/AsciiText.h"
#include "support/planted_scan.h"
#include "support/seams.h"

namespace zt {
namespace {

using Json = nlohmann::json;

const std::string kCv = "Software\\Microsoft\\Windows\\CurrentVersion";
const std::string kWowCv = "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion";
const std::string kUserRun = kCv + "\\Run";

class ViewsAndDrives : public ::testing::Test {
  protected:
    Win32Registry reg;
    Win32System sys;
    std::string scratch = test::ScratchFolder(sys);
    std::string x86, windows, absent;

    void Put(RootKey root, const std::string& path, const std::string& name,
             const std::string& text, std::uint32_t type = kRegSz) {
        RegKey key(reg, reg.CreateKey(RootHandle(root), path));
        ASSERT_TRUE(reg.WriteValue(key.get(), name, type, text.c_str(),
                                   static_cast<std::uint32_t>(text.size() + 1)));
    }
    static std::vector<std::pair<RootKey, std::string>> Keys() {
        return {{kLocalMachine, kWowCv + "\\Uninstall\\ZtJudgeX86"},
                {kLocalMachine, kWowCv + "\\Uninstall\\ZtJudgeX86Gone"},
                {kLocalMachine, kCv + "\\Uninstall\\ZtJudgeQuoted"},
                {kLocalMachine, kCv + "\\Uninstall\\ZtJudgeQuotedGone"},
                {kLocalMachine, kCv + "\\App Paths\\ztjudgenative.exe"},
                {kLocalMachine, kCv + "\\App Paths\\ztjudgegone.exe"}};
    }
    void SetUp() override {
        x86 = sys.GetKnownFolder(KnownFolder::ProgramFilesX86).value_or("");
        ASSERT_FALSE(x86.empty()) << "a 64-bit prefix has a 32-bit program folder";
        windows = sys.WindowsFolder();
        ASSERT_TRUE(sys.Exists(sys.SystemFolder() + "\\notepad.exe"));
        // A letter no drive has now.
        const DWORD drives = GetLogicalDrives();
        for (char c = 'Y'; c > 'C' && absent.empty(); --c)
            if (!(drives & (1u << (c - 'A')))) absent = std::string(1, c);
        ASSERT_FALSE(absent.empty());
        for (const auto& b : ListBackups(sys))
            static_cast<void>(sys.RemoveFile(b.path));
        test::PlantFolder(sys, x86 + "\\ZtX86");
        test::PlantFile(sys, x86 + "\\ZtX86\\uninst.exe");
        test::PlantFile(sys, scratch + "\\unins000.exe");

        const std::string wowUn = kWowCv + "\\Uninstall\\";
        Put(kLocalMachine, wowUn + "ZtJudgeX86", "UninstallString",
            "%ProgramFiles%\\ZtX86\\uninst.exe", kRegExpandSz);
        Put(kLocalMachine, wowUn + "ZtJudgeX86Gone", "UninstallString",
            "%ProgramFiles%\\ZtX86Gone\\uninst.exe", kRegExpandSz);
        Put(kLocalMachine, wowUn + "ZtJudgeX86Gone", "DisplayName", "ZtJudge X86 Gone");
        const std::string un = kCv + "\\Uninstall\\";
        Put(kLocalMachine, un + "ZtJudgeQuoted", "UninstallString",
            "\"" + scratch + "\\unins000.exe\" /S");
        Put(kLocalMachine, un + "ZtJudgeQuoted", "QuietUninstallString",
            "\"" + scratch + "\\unins000.exe /VERYSILENT");
        Put(kLocalMachine, un + "ZtJudgeQuotedGone", "UninstallString",
            "\"C:\\ZtJudgeGone\\unins000.exe\" /S");
        Put(kLocalMachine, un + "ZtJudgeQuotedGone", "DisplayName", "ZtJudge Quoted Gone");
        Put(kLocalMachine, kCv + "\\App Paths\\ztjudgenative.exe", "",
            windows + "\\Sysnative\\notepad.exe");
        Put(kLocalMachine, kCv + "\\App Paths\\ztjudgegone.exe", "",
            windows + "\\Sysnative\\ztjudgegone.exe");
        Put(kCurrentUser, kUserRun, "ZtJudgeExpGone", "%SystemRoot%\\ZtNowhere\\gone.exe",
            kRegExpandSz);
        Put(kCurrentUser, kUserRun, "ZtJudgeExpLive", "%SystemRoot%\\system32\\notepad.exe",
            kRegExpandSz);
        Put(kCurrentUser, kUserRun, "ZtJudgeAbsent", absent + ":\\ZtJudge\\app.exe");
        // A key both views share: found as a 32-bit program finds it, or in neither view.
        Put(kCurrentUser, kUserRun, "ZtJudgeEither", "%ProgramFiles%\\ZtX86\\uninst.exe",
            kRegExpandSz);
        Put(kCurrentUser, kUserRun, "ZtJudgeNeither", "%ProgramFiles%\\ZtX86Gone\\uninst.exe",
            kRegExpandSz);
    }
    void TearDown() override {
        for (const auto& [root, path] : Keys())
            static_cast<void>(reg.DeleteKeyTree(RootHandle(root), path));
        RegKey run(reg, reg.OpenKeyAllAccess(RootHandle(kCurrentUser), kUserRun));
        for (const char* name : {"ZtJudgeExpGone", "ZtJudgeExpLive", "ZtJudgeAbsent",
                                 "ZtJudgeEither", "ZtJudgeNeither"})
            static_cast<void>(reg.DeleteValue(run.get(), name));
        static_cast<void>(sys.RemoveFile(x86 + "\\ZtX86\\uninst.exe"));
        static_cast<void>(sys.RemoveFolder(x86 + "\\ZtX86"));
    }
    static Json PlantedScan() { return test::PlantedScan("6,8,11", "ztjudge"); }
    // The registry editor's own export of every planted key.
    std::string Exported(const std::string& tag) {
        std::vector<std::string> names = {"HKEY_CURRENT_USER\\" + kUserRun};
        for (const auto& [root, path] : Keys())
            names.push_back("HKEY_LOCAL_MACHINE\\" + path);
        return test::RegeditExport(scratch, tag, names);
    }
};

std::string Lines(const Json& finding) {
    std::string all;
    for (const auto& line : finding["evidence"])
        all += line.get<std::string>() + "\n";
    return all;
}

TEST_F(ViewsAndDrives, EachEntryJudgedInItsViewDeadOnesCleanedAndRestored) {
    const std::string before = Exported("before");
    Json plan = PlantedScan();
    std::set<std::string> paths;
    for (const auto& f : plan["findings"])
        paths.insert(AsciiLower(f["path"].get<std::string>()));
    std::set<std::string> expected;
    for (const std::string& path :
         {"HKLM\\" + kWowCv + "\\Uninstall\\ZtJudgeX86Gone\\UninstallString",
          "HKLM\\" + kCv + "\\Uninstall\\ZtJudgeQuotedGone\\UninstallString",
          "HKLM\\" + kCv + "\\App Paths\\ztjudgegone.exe\\",
          "HKCU\\" + kUserRun + "\\ZtJudgeExpGone", "HKCU\\" + kUserRun + "\\ZtJudgeNeither"})
        expected.insert(AsciiLower(path));
    EXPECT_EQ(paths, expected) << plan["findings"].dump(1);

    for (const auto& f : plan["findings"]) {
        const std::string lines = Lines(f);
        if (f["path"].get<std::string>().find("ZtJudgeX86Gone") != std::string::npos) {
            EXPECT_NE(lines.find("registry view: 32-bit (Wow6432Node)\n"), std::string::npos)
                << lines;
            EXPECT_NE(lines.find("32-bit view: " + x86 + "\\ZtX86Gone\\uninst.exe\n"),
                      std::string::npos)
                << lines;
        }
    }
    // The path on the missing drive is not judged, and says why.
    PathJudge judge(reg, sys);
    std::vector<std::string> why;
    judge.Explain(absent + ":\\ZtJudge\\app.exe", TextShape::Path, why);
    EXPECT_EQ(why, std::vector<std::string>{"drive " + absent + ": is not present"});

    Json doc = test::CleanPlan(scratch + "\\judge-plan.json", plan);
    ASSERT_TRUE(doc.is_object());
    EXPECT_EQ(doc["cleaned"], expected.size());
    EXPECT_EQ(PlantedScan()["findings"], Json::array());
    ASSERT_TRUE(test::RestoreBackupOf(doc));
    EXPECT_EQ(Exported("after"), before);
}

} // namespace
} // namespace zt
