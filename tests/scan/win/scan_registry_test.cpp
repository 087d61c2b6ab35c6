// The scan on the real registry of the test prefix, with the demo fixture imported by the
// prefix's own regedit.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "scan/ScanEngine.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "scan/scan_support.h"
#include "support/win_process.h"

namespace zt {
namespace {

using test::SetString;

constexpr const char* kCv = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

class DemoScanTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(test::ImportRegFile(test::FixturePath("demo.reg")));
        char windows[MAX_PATH] = {};
        GetWindowsDirectoryA(windows, MAX_PATH);
        std::string wow = std::string(windows) + "\\SysWOW64";
        CreateDirectoryA(wow.c_str(), nullptr);
        HANDLE f = CreateFileA((wow + "\\kwhelper32.dll").c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        CloseHandle(f);
    }
    // Other suites share the prefix: the demo entries go again.
    static void TearDownTestSuite() {
        test::ImportRegFile(test::FixturePath("scan-demo-removal.reg"));
    }

    void SetUp() override {
        RegKey probe(reg, reg.OpenKeyRead(RootHandle(kClassesRoot), "Driftly.Document"));
        ASSERT_TRUE(probe) << "regedit did not import the demo fixture";
    }

    test::RecordingSink& Scan(std::initializer_list<int> categories) {
        test::ScanAreas(reg, sys, sink, categories);
        return sink;
    }

    struct Expected {
        std::string path;
        std::string reason;
        FindingKind kind;
        std::string value;
    };
    void ExpectFindings(const std::vector<Expected>& expected) {
        for (const auto& e : expected) {
            const auto* row = sink.Find(e.path);
            ASSERT_TRUE(row) << "not reported: " << e.path;
            EXPECT_EQ(row->reason, e.reason) << e.path;
            EXPECT_EQ(row->finding.kind, e.kind) << e.path;
            EXPECT_EQ(row->valueText, e.value) << e.path;
        }
    }
    // No look-alike of the installed application is reported.
    void ExpectNoLookAlikes() {
        for (const auto& r : sink.rows) {
            for (const char* word : {"Keepwell", "kwdoc", "kwblank", "kwlog", "notepad", "kwshell",
                                     "kwhelper", "win.ini", "hh.exe", "DriftlyHelper"}) {
                EXPECT_EQ(r.path.find(word), std::string::npos) << r.path;
                EXPECT_EQ(r.valueText.find(word), std::string::npos) << r.path;
            }
        }
    }

    Win32Registry reg;
    Win32System sys;
    test::RecordingSink sink;
};

TEST_F(DemoScanTest, ComClasses) {
    Scan({0});
    ExpectFindings({
        {"HKCR\\CLSID\\{D1F7A5E0-0001-4A6B-9C3D-5E2F1A0B7C01}\\InprocServer32\\", "Missing File",
         FindingKind::Value, "C:\\Program Files\\Driftly\\driftshell.dll"},
        {"HKCR\\Driftly.Document\\CLSID\\", "Missing CLSID", FindingKind::Key,
         "{D1F7A5E0-0002-4A6B-9C3D-5E2F1A0B7C02}"},
        {"HKCR\\.drift\\PersistentHandler\\", "Missing CLSID", FindingKind::Key,
         "{D1F7A5E0-0003-4A6B-9C3D-5E2F1A0B7C03}"},
        {"HKCR\\Interface\\{D1F7A5E0-0004-4A6B-9C3D-5E2F1A0B7C04}\\ProxyStubClsid32\\",
         "Missing CLSID", FindingKind::Key, "{D1F7A5E0-0005-4A6B-9C3D-5E2F1A0B7C05}"},
    });
    ExpectNoLookAlikes();
    // The 32-bit classes are not judged from here: a fresh prefix has them.
    RegKey wow(reg, reg.OpenKeyRead(RootHandle(kClassesRoot), "Wow6432Node\\CLSID"));
    EXPECT_TRUE(wow);
    EXPECT_EQ(sink.CountUnder("HKCR\\Wow6432Node"), 0u);
    for (const auto& r : sink.rows)
        EXPECT_NE(r.reason, "Missing File Assosication");
}

TEST_F(DemoScanTest, FileAssociations) {
    Scan({1});
    ExpectFindings({
        {"HKCR\\Driftly.Document\\shell\\open\\command\\", "Missing File", FindingKind::Key,
         "\"C:\\Program Files\\Driftly\\driftly.exe\" \"%1\""},
        {"HKCR\\Driftly.Document\\shell\\print\\command\\", "Empty Key", FindingKind::Key,
         "[None]"},
        {"HKCR\\.driftproj\\", "Missing File Assosication", FindingKind::Key, "Driftly.Project"},
    });
    // The long print command of the look-alike is read whole, so it is not an "Empty Key".
    ExpectNoLookAlikes();
    for (const auto& r : sink.rows)
        EXPECT_NE(r.reason, "Missing CLSID");
}

TEST_F(DemoScanTest, SoftwareSettings) {
    Scan({2, 3});
    ExpectFindings({
        {"HKCU\\Software\\Driftly\\Settings\\LastProject", "Missing File", FindingKind::Value,
         "C:\\Program Files\\Driftly\\projects\\demo.dft"},
        {"HKLM\\Software\\Driftly\\Install\\MainProgram", "Missing File", FindingKind::Value,
         "C:\\Program Files\\Driftly\\driftly.exe"},
    });
    // A command line with arguments is not a plain file path.
    EXPECT_FALSE(sink.Find("HKCU\\Software\\Driftly\\Settings\\Launcher"));
    // Software\Classes is the classes root's business.
    EXPECT_EQ(sink.CountUnder("HKLM\\Software\\Classes\\"), 0u);
    EXPECT_EQ(sink.CountUnder("HKLM\\Software\\Wow6432Node\\Classes\\"), 0u);
    ExpectNoLookAlikes();
}

TEST_F(DemoScanTest, SharedDllsAndFileExtensions) {
    Scan({4, 5});
    std::string exts =
        std::string("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\");
    ExpectFindings({
        {"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls\\C:\\Program "
         "Files\\Common "
         "Files\\Driftly\\driftcore.dll",
         "Missing DLL Entry", FindingKind::Value, "3"},
        {exts + ".drift\\OpenWithList\\a", "Invalid Program path", FindingKind::Value,
         "driftview.exe"},
        {exts + ".drift\\OpenWithProgids\\", "Invalid Progid", FindingKind::Key, "[None]"},
        {exts + ".driftbak\\", "NO SUBKEY/VALUE WITH THIS KEY", FindingKind::Key, "[None]"},
    });
    EXPECT_EQ(sink.CountUnder("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls\\C:\\"
                              "Program Files\\Common Files\\Driftly\\driftplug.ocx"),
              0u);
    ExpectNoLookAlikes();
}

TEST_F(DemoScanTest, StartupSoundsUninstall) {
    Scan({6, 7, 8});
    ExpectFindings({
        {"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\DriftlyTray", "Invalid File",
         FindingKind::Value, "\"C:\\Program Files\\Driftly\\drifttray.exe\" /background"},
        {"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\DriftlyUpdater", "Invalid File",
         FindingKind::Value, "C:\\Program Files\\Driftly\\update\\driftupd.exe /auto"},
        {"HKCU\\AppEvents\\Schemes\\Apps\\Driftly\\DriftAlert\\.Current\\", "Invalid Sound",
         FindingKind::Value, "%ProgramFiles%\\Driftly\\sounds\\alert.wav"},
        {"HKLM\\" + std::string(kCv) + "\\Uninstall\\Driftly\\", "Invalid File", FindingKind::Key,
         "C:\\Program Files\\Driftly\\driftly.exe,0"},
        {"HKLM\\" + std::string(kCv) + "\\Uninstall\\Driftly\\UninstallString", "Invalid File",
         FindingKind::Value, "C:\\Program Files\\Driftly\\unins000.exe"},
    });
    // Values below a start key and plain-string sounds are not examined.
    EXPECT_EQ(sink.CountUnder("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx"), 0u);
    EXPECT_FALSE(sink.Find("HKCU\\AppEvents\\Schemes\\Apps\\Driftly\\DriftAlert\\.Default\\"));
    ExpectNoLookAlikes();
}

TEST_F(DemoScanTest, FontsHelpAppPathsDrivers) {
    Scan({9, 10, 11, 12});
    ExpectFindings({
        {"HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts\\Driftly Sans (TrueType)",
         "Invalid Font File", FindingKind::Value, "driftsans.ttf"},
        {"HKLM\\SOFTWARE\\Microsoft\\Windows\\Help\\driftly.hlp", "Invalid Path",
         FindingKind::Value, "C:\\Program Files\\Driftly\\help\\"},
        {"HKLM\\SOFTWARE\\Microsoft\\Windows\\Html Help\\driftly.chm", "Invalid Path",
         FindingKind::Value, "C:\\Program Files\\Driftly\\help"},
        {"HKLM\\" + std::string(kCv) + "\\App Paths\\driftly.exe\\", "Invalid App Path",
         FindingKind::Key, "C:\\Program Files\\Driftly\\driftly.exe"},
        {"HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32\\msacm.driftcodec",
         "Invalid System Driver", FindingKind::Value, "driftcodec.acm"},
        {"HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32\\vidc.drft",
         "Invalid System Driver", FindingKind::Value, "C:\\Program Files\\Driftly\\drftvid.dll"},
    });
    ExpectNoLookAlikes();
}

TEST_F(DemoScanTest, ThirtyTwoBitSystemFolderBelowWow6432Node) {
    Scan({3});
    // The helper lives only in SysWOW64; the same text outside Wow6432Node is missing.
    EXPECT_FALSE(sink.Find("HKLM\\Software\\Wow6432Node\\Keepwell\\Install\\Helper"));
    RegKey key(reg, reg.CreateKey(RootHandle(kLocalMachine), "SOFTWARE\\Keepwell\\Native"));
    EXPECT_TRUE(reg.WriteString(key.get(), "Helper", "C:\\windows\\system32\\kwhelper32.dll"));
    test::RecordingSink again;
    test::ScanAreas(reg, sys, again, {3});
    EXPECT_TRUE(again.Find("HKLM\\Software\\Keepwell\\Native\\Helper"));
    (void)reg.DeleteKeyTree(RootHandle(kLocalMachine), "SOFTWARE\\Keepwell\\Native");
}

TEST_F(DemoScanTest, EverySwitchOffReportsNothing) {
    auto& s = Scan({});
    EXPECT_TRUE(s.rows.empty());
    EXPECT_EQ(s.finishedCount, 0);
    EXPECT_FALSE(s.stopped);
}

// Counts how often the classes root's subkeys are enumerated from the start.
class CountingRegistry : public Win32Registry {
  public:
    bool EnumKey(HKey key, std::uint32_t index, std::string& name, std::uint32_t chars) override {
        if (key == RootHandle(kClassesRoot) && index == 0) ++classesRootWalks;
        return Win32Registry::EnumKey(key, index, name, chars);
    }
    int classesRootWalks = 0;
};

TEST_F(DemoScanTest, ClassesRootWalkedOnce) {
    for (auto categories : {std::vector<int>{0}, std::vector<int>{1}, std::vector<int>{0, 1}}) {
        CountingRegistry counting;
        test::RecordingSink s;
        test::ScanAreas(counting, sys, s, categories);
        EXPECT_EQ(counting.classesRootWalks, 1) << categories.size();
        EXPECT_FALSE(s.rows.empty());
    }
}

class ScanRegistryTest : public ::testing::Test {
  protected:
    Win32Registry reg;
    Win32System sys;
    test::RecordingSink sink;
};

// Makes one start key absent without taking it from the prefix other suites share.
class HidingRegistry : public Win32Registry {
  public:
    HKey OpenKey(HKey parent, std::string_view subkey, Access access) override {
        if (parent == RootHandle(kCurrentUser) && NamesEqual(subkey, hidden)) return kNoKey;
        return Win32Registry::OpenKey(parent, subkey, access);
    }
    std::string hidden;
};

TEST_F(ScanRegistryTest, MissingStartKeyDoesNotStopTheCategory) {
    HidingRegistry hiding;
    hiding.hidden = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx";
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    SetString(reg, kCurrentUser, hiding.hidden, "ZtHidden", "C:\\zt-gone\\hidden.exe");
    SetString(reg, kLocalMachine, run, "ZtGoneAfterMissing", "C:\\zt-gone\\after.exe");
    test::ScanAreas(hiding, sys, sink, {6});
    // The start key after the missing one is still walked.
    EXPECT_TRUE(sink.Find("HKLM\\" + run + "\\ZtGoneAfterMissing"));
    EXPECT_FALSE(sink.Find("HKCU\\" + hiding.hidden + "\\ZtHidden"));
    RegKey key(reg, reg.OpenKeyAllAccess(RootHandle(kLocalMachine), run));
    (void)reg.DeleteValue(key.get(), "ZtGoneAfterMissing");
    RegKey hidden(reg, reg.OpenKeyAllAccess(RootHandle(kCurrentUser), hiding.hidden));
    (void)reg.DeleteValue(hidden.get(), "ZtHidden");
}

TEST_F(ScanRegistryTest, StopKeepsWhatWasListed) {
    const std::string base = "Software\\ZentroveTest\\StopScan";
    (void)reg.DeleteKeyTree(RootHandle(kCurrentUser), base);
    for (int i = 0; i < 30; ++i)
        SetString(reg, kCurrentUser, base + "\\k" + std::to_string(i), "File",
                  "C:\\zt-gone\\f" + std::to_string(i) + ".dll");
    ScanEngine engine(reg, sys, sink);
    engine.SetAllCategories(false);
    engine.categoryEnabled[2] = true;
    engine.categoryEnabled[3] = true;
    sink.onFinding = [&](std::size_t n) {
        if (n == 5) engine.RequestStop();
    };
    engine.BeginScan();
    std::thread worker([&] { engine.RunScan(); });
    EXPECT_TRUE(engine.stopAcknowledged.WaitFor(std::chrono::seconds(30)));
    worker.join();
    EXPECT_EQ(sink.rows.size(), 5u);
    EXPECT_EQ(sink.finishedCount, 5);
    EXPECT_TRUE(sink.stopped);
    (void)reg.DeleteKeyTree(RootHandle(kCurrentUser), base);
}

TEST_F(ScanRegistryTest, KeysDeeperThanThePathBufferArePassedOver) {
    const std::string base = "Software\\ZentroveTest\\DeepScan";
    (void)reg.DeleteKeyTree(RootHandle(kCurrentUser), base);
    RegKey parent(reg, reg.CreateKey(RootHandle(kCurrentUser), base));
    std::string path = base;
    for (int i = 0; i < 6; ++i) {
        std::string name(200, static_cast<char>('a' + i));
        RegKey child(reg, reg.CreateKey(parent.get(), name));
        ASSERT_TRUE(child);
        path += "\\" + name;
        ASSERT_TRUE(reg.WriteString(child.get(), "File", "C:\\zt-gone\\deep.dll"));
        parent = std::move(child);
    }
    parent.Reset();
    test::ScanAreas(reg, sys, sink, {2});
    std::size_t deep = 0;
    for (const auto& r : sink.rows) {
        if (r.finding.keyPath.rfind(base, 0) != 0) continue;
        ++deep;
        EXPECT_LT(Utf16Length(r.path), kPathBufferChars);
    }
    // Paths of 231, 432, 633 and 834 characters fit; 1035 and 1236 are passed over.
    EXPECT_EQ(deep, 4u);
    (void)reg.DeleteKeyTree(RootHandle(kCurrentUser), base);
}

TEST_F(ScanRegistryTest, StringWithoutTerminatorIsItsStoredText) {
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    RegKey key(reg, reg.CreateKey(RootHandle(kCurrentUser), run));
    // WriteString stores the text without its terminating zero.
    ASSERT_TRUE(reg.WriteString(key.get(), "ZtNoZero", "C:\\zt-gone\\nozero.exe"));
    test::ScanAreas(reg, sys, sink, {6});
    const auto* row = sink.Find("HKCU\\" + run + "\\ZtNoZero");
    ASSERT_TRUE(row);
    EXPECT_EQ(row->valueText, "C:\\zt-gone\\nozero.exe");
    (void)reg.DeleteValue(RegKey(reg, reg.OpenKeyAllAccess(RootHandle(kCurrentUser), run)).get(),
                          "ZtNoZero");
}

} // namespace
} // namespace zt
