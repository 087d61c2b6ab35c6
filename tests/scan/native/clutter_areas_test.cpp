// The MUI cache, Compatibility Assistant store, installer folder and type library rules on the
// in-memory registry and file system: what each reports and what it leaves, side by side.
#include <gtest/gtest.h>

#include <set>

#include "platform/memory/MemoryRegistry.h"
#include "platform/memory/MemorySystem.h"
#include "scan/KeptOnPurpose.h"
#include "scan/ScanEngine.h"
#include "scan/scan_support.h"
#include "settings/SettingsStore.h"

namespace zt {
namespace {

using test::MakeKey;
using test::SetRaw;
using test::SetString;

constexpr const char* kMui =
    "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache";
constexpr const char* kStore = "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\"
                               "Compatibility Assistant\\Store";
constexpr const char* kFolders = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders";
constexpr const char* kComponents =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components";

int Area(std::string_view key) {
    return CategoryFromSettingsKey(key).value();
}

struct Row {
    std::string name;
    bool reported;
};

class ClutterAreasTest : public ::testing::Test {
  protected:
    void SetUp() override {
        sys.AddFolder("C:\\Apps");
        sys.AddFile("C:\\Apps\\real.exe");
        sys.AddFile("C:\\windows\\SysWOW64\\only32.dll");
    }
    // Plants each row as a value of `key` and gives the PATH texts of the rows to be reported.
    std::set<std::string> Plant(RootKey root, const std::string& key, std::vector<Row> rows,
                                std::uint32_t type = kRegSz, const std::string& data = "x") {
        std::set<std::string> wanted;
        for (const auto& r : rows) {
            SetRaw(reg, root, key, r.name, type, data);
            if (r.reported)
                wanted.insert(std::string(RootAbbreviation(root)) + key + "\\" + r.name);
        }
        return wanted;
    }
    // The PATH texts the area named by `key` reports, alone.
    std::set<std::string> Reported(std::string_view key) {
        sink.rows.clear();
        test::ScanAreas(reg, sys, sink, {Area(key)});
        std::set<std::string> paths;
        for (const auto& r : sink.rows)
            paths.insert(r.path);
        return paths;
    }
    MemoryRegistry reg;
    MemorySystem sys;
    test::RecordingSink sink;
};

TEST_F(ClutterAreasTest, MuiCacheJudgesTheProgramBeforeAKnownSuffix) {
    auto wanted = Plant(kCurrentUser, kMui,
                        {{"C:\\Gone\\app.exe.FriendlyAppName", true},
                         {"C:\\Gone\\app.exe.ApplicationCompany", true},
                         {"C:\\Gone\\Ünïcödé 工具.exe.friendlyappname", true},
                         {"C:\\Apps\\real.exe.FriendlyAppName", false}, // the program is there
                         {"C:\\Gone\\app.exe", false},                  // no known suffix
                         {"C:\\Gone\\app.exe.FriendlyAppNameX", false},
                         {".FriendlyAppName", false},
                         {"@%SystemRoot%\\system32\\shell32.dll,-22", false},
                         {"LangID", false}});
    SetString(reg, kCurrentUser, std::string(kMui) + "\\Below", "C:\\Gone\\b.exe.FriendlyAppName",
              "below the cache");
    EXPECT_EQ(Reported("CheckMuiCache"), wanted);
    const ScanRow& row = sink.rows.at(0);
    EXPECT_EQ(row.finding.valueName, "C:\\Gone\\app.exe.FriendlyAppName");
    EXPECT_EQ(row.finding.kind, FindingKind::Value);
    EXPECT_EQ(row.valueText, "x");
    EXPECT_EQ(row.reason, "Invalid MUI Cache Entry");
}

TEST_F(ClutterAreasTest, CompatibilityStoreJudgesValueNamesThatArePaths) {
    auto wanted = Plant(kCurrentUser, kStore,
                        {{"C:\\Gone\\setup.exe", true},
                         {"C:\\Apps\\real.exe", false},
                         {"SIGN.MEDIA=1A2B3C setup.exe", false},
                         {"%TEMP%\\gone.exe", false},
                         {"setup.exe", false}},
                        kRegBinary, std::string("\x53\x41\x43", 3));
    EXPECT_EQ(Reported("CheckCompatibilityStore"), wanted);
    EXPECT_EQ(sink.rows.at(0).valueText, "hex:53,41,43");
    EXPECT_EQ(sink.rows.at(0).reason, "Invalid Compatibility Entry");
}

TEST_F(ClutterAreasTest, InstallerFoldersSpareWhatAComponentStillLiesIn) {
    // Components of installed products: a file below a folder, an absent component ("C?\"),
    // a component whose key path is the folder itself, and a registry key path.
    SetString(reg, kLocalMachine, std::string(kComponents) + "\\A", "P1", "C:\\Held\\x\\held.dll");
    SetString(reg, kLocalMachine, std::string(kComponents) + "\\B", "P2", "C?\\Absent\\a.dll");
    SetString(reg, kLocalMachine, std::string(kComponents) + "\\C", "P3", "C:\\KeyPath\\");
    SetString(reg, kLocalMachine, std::string(kComponents) + "\\D", "P4", "02:\\Software\\C:\\Hel");
    // "C:\Hel" is no prefix of "C:\Held\..." at a folder's end, and "C:\Held\Inner" holds
    // no component; Config.Msi is kept on purpose; a drive's root is not judged.
    auto wanted = Plant(kLocalMachine, kFolders,
                        {{"C:\\Gone\\", true},
                         {"C:\\GoneToo", true},
                         {"C:\\Hel\\", true},
                         {"C:\\Held\\Inner\\", true},
                         {"C:\\Apps\\", false},
                         {"C:\\Apps", false},
                         {"C:\\Held\\", false},
                         {"C:\\Absent\\", false},
                         {"C:\\KeyPath", false},
                         {"C:\\config.msi", false},
                         {"E:\\Config.Msi\\", false},
                         {"C:\\", false}},
                        kRegSz, std::string(1, '\0'));
    EXPECT_EQ(Reported("CheckInstallerFolders"), wanted);
    EXPECT_EQ(sink.rows.at(0).reason, "Invalid Installer Folder");

    // Without any component the held folders are reported too.
    ASSERT_TRUE(reg.DeleteKeyTree(RootHandle(kLocalMachine), kComponents));
    EXPECT_EQ(Reported("CheckInstallerFolders").size(), wanted.size() + 3);
}

TEST_F(ClutterAreasTest, TypeLibraryVersionReportedWhenEveryFileIsGone) {
    auto lib = [&](const std::string& version, const char* platform, const std::string& file) {
        SetString(reg, kClassesRoot, "TypeLib\\" + version + "\\" + platform, "", file);
    };
    lib("{A}\\1.0\\0", "win32", "C:\\Gone\\a.tlb");
    lib("{A}\\1.0\\409", "win64", "C:\\Gone\\a64.tlb");
    lib("{B}\\1.0\\0", "win32", "C:\\Apps\\real.exe"); // win32 there, win64 gone: kept
    lib("{B}\\1.0\\0", "win64", "C:\\Gone\\b64.dll");
    lib("{C}\\2.0\\0", "win64", "C:\\Apps\\real.exe\\2");             // a resource number
    lib("{D}\\1.0\\0", "win32", "C:\\windows\\system32\\only32.dll"); // in SysWOW64
    lib("{D}\\1.0\\0", "win64", "C:\\Gone\\d64.dll");
    lib("{E}\\1.0\\0", "win64", "stdole.tlb"); // a bare name is not judged
    lib("{G}\\1.0\\0", "win32", "C:\\Gone\\g1.tlb");
    lib("{G}\\2.0\\0", "win32", "C:\\Apps\\real.exe");
    lib("{H}\\1.0\\0", "win16", "C:\\Gone\\h.tlb"); // neither win32 nor win64
    MakeKey(reg, kClassesRoot, "TypeLib\\{F}\\1.0\\FLAGS");

    EXPECT_EQ(Reported("CheckTypeLibraries"),
              (std::set<std::string>{"HKCR\\TypeLib\\{A}\\1.0\\", "HKCR\\TypeLib\\{G}\\1.0\\"}));
    const auto* a = sink.Find("HKCR\\TypeLib\\{A}\\1.0\\");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->finding.kind, FindingKind::Key);
    EXPECT_EQ(a->finding.keyPath, "TypeLib\\{A}\\1.0");
    EXPECT_EQ(a->reason, "Invalid Type Library");
    EXPECT_EQ(a->evidence.back(),
              "type library files looked for: C:\\Gone\\a.tlb; C:\\Gone\\a64.tlb: none found");

    // The re-check before cleaning finds it again, and no longer once a file is back.
    sink.rows.clear();
    ScanEngine engine(reg, sys, sink);
    engine.RescanKey(kClassesRoot, "TypeLib\\{A}\\1.0", std::nullopt, "Invalid Type Library");
    EXPECT_EQ(sink.rows.size(), 1u);
    sys.AddFile("C:\\Gone\\a64.tlb");
    engine.RescanKey(kClassesRoot, "TypeLib\\{A}\\1.0", std::nullopt, "Invalid Type Library");
    EXPECT_EQ(sink.rows.size(), 1u);
}

TEST_F(ClutterAreasTest, SwitchesOfAnOlderSettingsFileKeepTheNewAreasDefaults) {
    SettingsStore store(reg, "zt");
    // An older file holds the first thirteen switches only, all of them off.
    for (int i = 0; i < 13; ++i)
        ASSERT_TRUE(store.WriteInt(kScanCategories[i].settingsKey, 0));
    ScanEngine engine(reg, sys, sink);
    engine.LoadSwitches(store);
    for (int i = 0; i < kScanCategoryCount; ++i)
        EXPECT_EQ(engine.categoryEnabled[i].load(), i >= 13 && kScanCategories[i].onByDefault)
            << kScanCategories[i].settingsKey;
    EXPECT_FALSE(kScanCategories[Area("CheckTypeLibraries")].onByDefault);

    ASSERT_TRUE(store.WriteInt("CheckTypeLibraries", 1));
    ASSERT_TRUE(store.WriteInt("CheckMuiCache", 0));
    engine.LoadSwitches(store);
    EXPECT_TRUE(engine.categoryEnabled[Area("CheckTypeLibraries")].load());
    EXPECT_FALSE(engine.categoryEnabled[Area("CheckMuiCache")].load());
}

TEST(KeptOnPurpose, MatchesAnyDriveAndEitherTrailingBackslash) {
    const std::string folders = kFolders;
    for (const char* name : {"C:\\Config.Msi\\", "d:\\CONFIG.MSI", "Z:\\config.msi\\"})
        EXPECT_TRUE(KeptOnPurpose(kKeptOnPurpose, kLocalMachine, folders, name)) << name;
    for (const char* name : {"C:\\Config.Msi\\x\\", "C:\\Other\\Config.Msi", "?:\\Config.Msi", ""})
        EXPECT_FALSE(KeptOnPurpose(kKeptOnPurpose, kLocalMachine, folders, name)) << name;
    EXPECT_FALSE(KeptOnPurpose(kKeptOnPurpose, kCurrentUser, folders, "C:\\Config.Msi\\"));
}

} // namespace
} // namespace zt
