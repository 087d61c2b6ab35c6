// Finding ids, and the re-check that skips a finding no longer invalid just before cleaning.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include "cleaning/Cleaning.h"
#include "scan/FindingId.h"
#include "scan/ScanEngine.h"
#include "tests/cleaning/common/cleaning_fixture.h"

namespace zt {
namespace {

void Put(Registry& reg, RootKey root, const std::string& path, const std::string& name,
         std::uint32_t type, const std::string& bytes) {
    RegKey key(reg, reg.CreateKey(RootHandle(root), path));
    EXPECT_TRUE(reg.WriteValue(key.get(), name, type, bytes.data(),
                               static_cast<std::uint32_t>(bytes.size())));
}
void PutString(Registry& reg, RootKey root, const std::string& path, const std::string& name,
               const std::string& text) {
    Put(reg, root, path, name, kRegSz, std::string(text.c_str(), text.size() + 1));
}
void PutDword(Registry& reg, RootKey root, const std::string& path, const std::string& name,
              std::uint32_t n) {
    Put(reg, root, path, name, kRegDword, std::string(reinterpret_cast<const char*>(&n), 4));
}

struct Rows : ScanSink {
    std::vector<ScanRow> rows;
    void AddFinding(ScanRow row) override { rows.push_back(std::move(row)); }
    void ScanProgress(std::string_view) override {}
    void ScanFinished(const ScanSummary&) override {}
    const ScanRow* Find(const std::string& path) const {
        for (const auto& r : rows)
            if (NamesEqual(r.path, path)) return &r;
        return nullptr;
    }
};

TEST(FindingIdTest, StableHashThatIgnoresTheCaseOfNamesOnly) {
    // FNV-1a 64 of "HKCU\0software\vendor\app\0path\0Missing File\0", worked out apart.
    const std::string base =
        FindingId(kCurrentUser, "Software\\Vendor\\App", "Path", "Missing File");
    EXPECT_EQ(base, "694d81202e17da2b");
    struct Case {
        RootKey root;
        const char* key;
        const char* value;
        const char* reason;
        bool same;
    } cases[] = {
        {kCurrentUser, "SOFTWARE\\vendor\\APP", "PATH", "Missing File", true},
        {kLocalMachine, "Software\\Vendor\\App", "Path", "Missing File", false},
        {kCurrentUser, "Software\\Vendor\\App", "Path", "Invalid File", false},
        {kCurrentUser, "Software\\Vendor\\App", "Path", "missing file", false},
        {kCurrentUser, "Software\\Vendor\\App", "Path2", "Missing File", false},
        {kCurrentUser, "Software\\Vendor", "App\\Path", "Missing File", false},
        {kCurrentUser, "Software\\Vendor\\App", "", "Missing File", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindingId(c.root, c.key, c.value, c.reason) == base, c.same)
            << c.key << " / " << c.value << " / " << c.reason;
    EXPECT_TRUE(IsFindingIdText(base));
    EXPECT_TRUE(IsFindingIdText("694D81202E17DA2B"));
    for (const char* bad : {"", "694d81202e17da2", "694d81202e17da2bb", "694d81202e17da2g"})
        EXPECT_FALSE(IsFindingIdText(bad)) << bad;
}

constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kShared = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
constexpr const char* kFonts = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
constexpr const char* kApproved =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
const std::string kInproc = "CLSID\\{11111111-0000-0000-0000-000000000001}\\InprocServer32";

class RecheckTest : public test::CleaningTest {
  protected:
    Rows scanned;

    // One finding or more in every area, then a scan of them all.
    void PlantAndScan() {
        Registry& r = *reg;
        sys.AddFile("C:\\Apps\\real.exe");
        PutString(r, kCurrentUser, kRun, "Dead", "\"C:\\Gone\\tray.exe\" /min");
        PutString(r, kCurrentUser, kRun, "Other", "C:\\Gone\\other.exe");
        Put(r, kCurrentUser, kApproved, "Ghost", kRegBinary, std::string("\x02\0\0\0", 4));
        // Found by two areas; its approval switch goes with it.
        PutString(r, kCurrentUser, kRun, "Stale", "C:\\Gone\\stale.exe");
        Put(r, kCurrentUser, kApproved, "STALE", kRegBinary, std::string("\x03\0\0\0", 4));
        PutString(r, kCurrentUser, "Software\\Vendor\\Removed", "Tool", "C:\\Gone\\tool.exe");
        for (int i = 0; i < 50; ++i)
            PutDword(r, kLocalMachine, kShared, "C:\\gone\\lib" + std::to_string(i) + ".dll", 3);
        PutString(r, kClassesRoot, kInproc, "", "C:\\Gone\\x.dll");
        PutString(r, kClassesRoot, "stalefile\\CLSID", "",
                  "{44444444-0000-0000-0000-000000000004}");
        PutString(r, kClassesRoot, ".zzz", "", "gonecls");
        PutString(r, kCurrentUser, "Software\\Vendor\\App", "Path", "C:\\Gone\\app.exe");
        PutString(r, kLocalMachine, "Software\\Wow6432Node\\Vendor\\App", "Dll",
                  "C:\\windows\\system32\\gone32.dll");
        PutString(r, kLocalMachine, kFonts, "Gone (TrueType)", "gone.ttf");
        PutString(r, kLocalMachine,
                  "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\gone.exe", "",
                  "C:\\Gone\\gone.exe /x");
        PutString(r, kLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32",
                  "midi", "gone.drv");
        ScanEngine engine(r, sys, scanned);
        engine.SetAllCategories(true);
        engine.BeginScan();
        engine.RunScan();
    }
    const ScanRow& Row(const std::string& path) {
        const ScanRow* row = scanned.Find(path);
        EXPECT_TRUE(row) << path;
        static const ScanRow none;
        return row ? *row : none;
    }
};

TEST_F(RecheckTest, SkipsExactlyTheFindingsThatChangedAndCleansTheRest) {
    PlantAndScan();
    ASSERT_GE(scanned.rows.size(), 60u);
    FindingRecheck recheck(*reg, sys);
    // Nothing changed: every rule, reached the way its walk reaches the key, still reports.
    for (const ScanRow& row : scanned.rows) {
        EXPECT_TRUE(recheck.StillInvalid(row.finding, {row.reason, row.valueText})) << row.path;
        ASSERT_FALSE(row.evidence.empty());
        EXPECT_EQ(row.evidence[0], "text as found: " + row.valueText);
    }

    // What changes between the scan and the cleaning, by row.
    Registry& r = *reg;
    const std::map<std::string, std::function<void()>> changes = {
        {"HKCU\\" + std::string(kRun) + "\\Dead", [&] { sys.AddFile("C:\\Gone\\tray.exe"); }},
        {"HKCU\\" + std::string(kRun) + "\\Other",
         [&] { PutString(r, kCurrentUser, kRun, "Other", "C:\\Gone\\another.exe"); }},
        {"HKCU\\" + std::string(kApproved) + "\\Ghost",
         [&] { PutString(r, kCurrentUser, kRun, "Ghost", "C:\\Apps\\real.exe"); }},
        {"HKLM\\" + std::string(kShared) + "\\C:\\gone\\lib7.dll",
         [&] { PutDword(r, kLocalMachine, kShared, "C:\\gone\\lib7.dll", 4); }},
        {"HKCR\\" + kInproc + "\\", [&] { sys.AddFile("C:\\Gone\\x.dll"); }},
        {"HKCR\\.zzz\\", [&] { r.CloseKey(r.CreateKey(RootHandle(kClassesRoot), "gonecls")); }},
        {"HKLM\\" + std::string(kFonts) + "\\Gone (TrueType)",
         [&] { sys.AddFile("C:\\windows\\Fonts\\gone.ttf"); }},
        {"HKLM\\Software\\Wow6432Node\\Vendor\\App\\Dll",
         [&] { sys.AddFile("C:\\windows\\SysWOW64\\gone32.dll"); }},
        {"HKCU\\Software\\Vendor\\Removed\\Tool",
         [&] {
             ASSERT_TRUE(r.DeleteKeyTree(RootHandle(kCurrentUser), "Software\\Vendor\\Removed"));
         }},
    };
    for (const auto& [path, change] : changes) {
        ASSERT_TRUE(scanned.Find(path)) << path;
        change();
    }
    // No record: cannot be judged (listed first, before the run deals with its entry).
    list.Add(Row("HKCU\\Software\\Vendor\\App\\Path").finding);
    for (const ScanRow& row : scanned.rows)
        list.Add(row.finding, row.reason, row.valueText);
    const ScanRow& stale = Row("HKCU\\" + std::string(kRun) + "\\Stale");
    list.Add(stale.finding, stale.reason, stale.valueText); // the same value in a third row
    CleanOutcome out =
        CleanTicked(CleaningContext{*reg, sys, *writer, prompt, sink, false, &recheck}, list);

    ASSERT_EQ(out.status, CleanStatus::Done);
    std::set<std::string> skipped;
    for (const ScanFinding& f : out.noLongerInvalid)
        skipped.insert(std::string(RootAbbreviation(f.root)) + f.keyPath + "\\" + f.valueName);
    std::set<std::string> expected;
    for (const auto& [path, change] : changes)
        expected.insert(path);
    expected.insert("HKCU\\Software\\Vendor\\App\\Path");
    EXPECT_EQ(skipped, expected);
    // "Other" is reported by two areas; both rows are skipped.
    int changed = 0;
    for (const ScanRow& row : scanned.rows)
        changed += changes.count(row.path) > 0;
    EXPECT_EQ(changed, 10);
    // Every other row is cleaned, each row of one entry too; the file holds each entry once.
    EXPECT_EQ(out.processed, static_cast<int>(scanned.rows.size()) - changed + 1);
    const std::string text = test::ReadFileText(sys, out.backupFile).value_or("");
    for (const char* once : {"\"Stale\"=", "\"STALE\"=hex:03,00,00,00", "App Paths\\gone.exe]"}) {
        EXPECT_NE(text.find(once), std::string::npos) << once << "\n" << text;
        EXPECT_EQ(text.find(once), text.rfind(once)) << once << "\n" << text;
    }
    RegKey approved(r, r.OpenKeyRead(RootHandle(kCurrentUser), kApproved));
    EXPECT_FALSE(r.ReadValueWhole(approved.get(), "STALE").has_value());
    EXPECT_EQ(list.Count(), changed + 1); // the skipped rows stay, unticked
    for (const auto& row : list.rows)
        EXPECT_FALSE(row.ticked);
    // The skipped ones are still there; the cleaned ones are gone.
    RegKey shared(r, r.OpenKeyRead(RootHandle(kLocalMachine), kShared));
    std::uint32_t n = 0;
    EXPECT_TRUE(r.ReadDword(shared.get(), "C:\\gone\\lib7.dll", n));
    EXPECT_FALSE(r.ReadDword(shared.get(), "C:\\gone\\lib8.dll", n));
    EXPECT_NE(prompt.shown.back().find("11 items skipped: no longer invalid."), std::string::npos)
        << prompt.shown.back();
}

} // namespace
} // namespace zt
