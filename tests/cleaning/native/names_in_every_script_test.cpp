// Names and paths in every script, through scan, id, re-check and cleaning: entries pointing
// at files that exist are never reported, dead ones are found, named by their own ids,
// cleaned, and gone from the next scan; a name no backup can hold stays, with its cause.
#include <gtest/gtest.h>

#include <set>

#include "cleaning/Cleaning.h"
#include "cleaning/FindingRecheck.h"
#include "platform/memory/MemoryRegistry.h"
#include "platform/memory/MemorySystem.h"
#include "scan/FindingId.h"
#include "scan/ScanEngine.h"

namespace zt {
namespace {

constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
constexpr const char* kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr const char* kSharedDlls = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
constexpr const char* kSounds = "AppEvents\\Schemes\\Apps\\";
// Cyrillic, CJK, emoji (a surrogate pair), a combining acute accent, the upper half of code
// page 1252.
const std::string kNames[] = {"Привет", "工具", "😀", "Cafe\xCC\x81", "Łódź", "€Œžÿ"};
// A Run value whose name holds an unpaired high surrogate (WTF-8).
const std::string kBrokenName = "Bad\xED\xA0\x80";

struct Rows : ScanSink {
    std::vector<ScanRow> rows;
    void AddFinding(ScanRow row) override { rows.push_back(std::move(row)); }
    void ScanProgress(std::string_view) override {}
    void ScanFinished(const ScanSummary&) override {}
};
void SetString(Registry& reg, RootKey root, const std::string& path, const std::string& name,
               const std::string& text, std::uint32_t type = kRegSz) {
    RegKey key(reg, reg.CreateKey(RootHandle(root), path));
    ASSERT_TRUE(reg.WriteValue(key.get(), name, type, text.c_str(),
                               static_cast<std::uint32_t>(text.size() + 1)));
}
std::vector<ScanRow> Scan(Registry& reg, System& sys) {
    Rows sink;
    ScanEngine engine(reg, sys, sink);
    engine.SetAllCategories(false);
    for (std::string_view area : {"CheckSharedDlls", "CheckStartupSection", "CheckSoundAppEvents",
                                  "CheckUninstallSection", "CheckAppPath"})
        engine.categoryEnabled[*CategoryFromSettingsKey(area)] = true;
    engine.BeginScan();
    engine.RunScan();
    return std::move(sink.rows);
}

TEST(NamesInEveryScript, ExistingFilesStayDeadEntriesAreFoundByTheirOwnIdsAndCleaned) {
    MemoryRegistry reg;
    MemorySystem sys;
    sys.AddFolder("C:\\Scratch");
    sys.SetKnownFolder(KnownFolder::AppData, "C:\\Scratch");
    sys.SetEnvironment("ZTUNI", "C:\\Łódź");

    // Run data of 1,000 characters in 2,000 bytes and more, first in its key: the walk's
    // buffer holds 2,000 characters, so it and every value after it are judged.
    std::string longData = "C:\\Gone\\";
    for (int j = 0; j < 1000; ++j)
        longData += "Ж";
    SetString(reg, kCurrentUser, kRun, "Длинный", longData + ".exe");
    // Each name as key name, value name and path, once pointing at a file that is there and
    // once at one that is not.
    for (const std::string& n : kNames) {
        const std::string there = "C:\\Программы\\" + n + "\\" + n;
        sys.AddFile(there + ".exe");
        sys.AddFile(there + ".dll");
        sys.AddFile(there + ".wav");
        sys.AddFile("C:\\Łódź\\" + n + "\\uninst.exe");
        const std::string gone = "C:\\Gone\\" + n + "\\" + n;

        SetString(reg, kLocalMachine, kAppPaths + n + ".exe", "", there + ".exe");
        SetString(reg, kLocalMachine, kAppPaths + n + "-gone.exe", "", gone + ".exe");
        SetString(reg, kCurrentUser, kRun, "ok " + n, "\"" + there + ".exe\" /start");
        SetString(reg, kCurrentUser, kRun, n, "\"" + gone + ".exe\" /start");
        SetString(reg, kLocalMachine, kUninstall + n, "UninstallString",
                  "%ZTUNI%\\" + n + "\\uninst.exe", kRegExpandSz);
        SetString(reg, kLocalMachine, kUninstall + n + " gone", "UninstallString",
                  "%ZTUNI%\\" + n + "\\gone.exe", kRegExpandSz);
        RegKey dlls(reg, reg.CreateKey(RootHandle(kLocalMachine), kSharedDlls));
        ASSERT_TRUE(reg.WriteDword(dlls.get(), there + ".dll", 1));
        ASSERT_TRUE(reg.WriteDword(dlls.get(), gone + ".dll", 1));
        SetString(reg, kCurrentUser, kSounds + n + "\\" + n + "\\.Current", "", there + ".wav",
                  kRegExpandSz);
        SetString(reg, kCurrentUser, kSounds + n + "\\" + n + " gone\\.Current", "", gone + ".wav",
                  kRegExpandSz);
    }
    // An App Path of 600 characters (over 1,200 bytes) with arguments: judged whole.
    std::string longPath = "C:";
    for (int i = 0; i < 6; ++i) {
        longPath += "\\";
        for (int j = 0; j < 100; ++j)
            longPath += "Ж";
    }
    longPath += "\\tool.exe";
    ASSERT_GT(Utf16Length(longPath), 600u);
    sys.AddFile(longPath);
    SetString(reg, kLocalMachine, kAppPaths + std::string("long.exe"), "",
              "\"" + longPath + "\" /s");
    SetString(reg, kCurrentUser, kRun, "Москва", "C:\\Gone\\Москва.exe");
    SetString(reg, kCurrentUser, kRun, kBrokenName, "C:\\Gone\\broken.exe");

    std::vector<ScanRow> rows = Scan(reg, sys);
    // Five areas for each name, the long data, Москва and the broken name; nothing that
    // points at a file that is there.
    ASSERT_EQ(rows.size(), std::size(kNames) * 5 + 3);
    std::set<std::string> ids;
    for (const ScanRow& r : rows) {
        EXPECT_NE(FoldName(r.path + r.valueText).find("gone"), std::string::npos)
            << r.path << " = " << r.valueText;
        ids.insert(FindingId(r.finding.root, r.finding.keyPath, r.finding.valueName, r.reason));
    }
    EXPECT_EQ(ids.size(), rows.size()) << "every finding has an id of its own";
    const std::string hello = FindingId(kCurrentUser, kRun, "Привет", kReasonInvalidFile);
    EXPECT_NE(hello, FindingId(kCurrentUser, kRun, "Москва", kReasonInvalidFile));
    EXPECT_EQ(hello, FindingId(kCurrentUser, "SOFTWARE\\MICROSOFT\\Windows\\CurrentVersion\\RUN",
                               "ПРИВЕТ", kReasonInvalidFile));

    // Cleaned with the re-check just before each backup, as the console does.
    std::vector<TickedFinding> ticked;
    for (const ScanRow& r : rows)
        ticked.push_back({0, r.finding, r.reason, r.valueText});
    CRegFileWriter writer(reg, sys);
    FindingRecheck recheck(reg, sys);
    CleanOutcome out;
    RunCleaning(reg, sys, writer, ticked, out, nullptr, nullptr, &recheck);
    ASSERT_EQ(out.status, CleanStatus::Done) << out.error;
    EXPECT_TRUE(out.noLongerInvalid.empty());
    EXPECT_EQ(out.processed, static_cast<int>(rows.size()) - 1);
    ASSERT_EQ(out.keptBackFindings.size(), 1u);
    EXPECT_EQ(out.keptBackFindings[0].finding.valueName, kBrokenName);
    EXPECT_NE(KeptBackCauses(out.keptBackFindings).find("unpaired UTF-16 surrogate"),
              std::string::npos)
        << KeptBackCauses(out.keptBackFindings);

    // What was cleaned is gone for good; the entry kept back, still there, is all the next
    // scan finds.
    std::vector<ScanRow> again = Scan(reg, sys);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].finding.valueName, kBrokenName);
}

} // namespace
} // namespace zt
