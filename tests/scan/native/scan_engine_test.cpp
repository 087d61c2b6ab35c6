// The rule engine on the in-memory registry and file system.
#include <gtest/gtest.h>

#include <thread>

#include "scan/ScanEngine.h"
#include "platform/memory/MemoryRegistry.h"
#include "platform/memory/MemorySystem.h"
#include "scan/scan_support.h"

namespace zt {
namespace {

using test::MakeKey;
using test::SetDword;
using test::SetRaw;
using test::SetString;

constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class ScanEngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        sys.AddFile("C:\\Apps\\real.exe");
        sys.AddFile("C:\\windows\\system32\\real.dll");
        sys.AddFile("C:\\windows\\Fonts\\real.ttf");
        sys.AddFile("C:\\windows\\SysWOW64\\only32.dll");
        SetString(reg, kClassesRoot, "CLSID\\{00000000-0000-0000-0000-0000000000AA}", "", "Real");
        SetString(reg, kClassesRoot, "realfile", "", "Real file");
    }
    // Runs a scan with only the given categories on.
    test::RecordingSink& Scan(std::initializer_list<int> categories) {
        engine = std::make_unique<ScanEngine>(reg, sys, sink);
        engine->SetAllCategories(false);
        for (int c : categories)
            engine->categoryEnabled[c] = true;
        engine->BeginScan();
        engine->RunScan();
        return sink;
    }
    MemoryRegistry reg;
    MemorySystem sys;
    test::RecordingSink sink;
    std::unique_ptr<ScanEngine> engine;
};

TEST_F(ScanEngineTest, NothingEnabledStillEndsTheScan) {
    SetString(reg, kCurrentUser, kRun, "gone", "C:\\Gone\\x.exe");
    auto& s = Scan({});
    EXPECT_TRUE(s.rows.empty());
    EXPECT_EQ(s.finishedCount, 0);
    EXPECT_EQ(s.finishedCalls, 1);
    EXPECT_FALSE(s.stopped);
    EXPECT_TRUE(engine->stopRequested);
    EXPECT_TRUE(engine->stopAcknowledged.IsSet());
    EXPECT_EQ(reg.OpenHandleCount(), 0u);
}

TEST_F(ScanEngineTest, ComRules) {
    const std::string clsid = "CLSID\\{11111111-0000-0000-0000-000000000001}";
    SetString(reg, kClassesRoot, clsid + "\\InprocServer32", "", "C:\\Gone\\x.dll");
    SetString(reg, kClassesRoot, clsid + "\\InprocServer32", "ThreadingModel", "Both");
    SetString(reg, kClassesRoot, "CLSID\\{22222222-0000-0000-0000-000000000002}\\InprocServer32",
              "", "bare_gone.dll");
    SetString(reg, kClassesRoot, "CLSID\\{33333333-0000-0000-0000-000000000003}\\InprocServer32",
              "", "C:\\windows\\system32\\real.dll");
    // A reference key inside CLSID is not rule 2; a PersistentHandler anywhere is.
    SetString(reg, kClassesRoot, clsid + "\\CLSID", "", "{99999999-0000-0000-0000-000000000009}");
    SetString(reg, kClassesRoot, ".emptyph\\PersistentHandler", "", "");
    MakeKey(reg, kClassesRoot, ".noval\\PersistentHandler");
    SetString(reg, kClassesRoot, "realfile\\CLSID", "", "00000000-0000-0000-0000-0000000000AA");
    SetString(reg, kClassesRoot, "stalefile\\CLSID", "", "{44444444-0000-0000-0000-000000000004}");
    // A default value of 260 bytes or more is read whole and judged on its text.
    const std::string longText = "{00000000-0000-0000-0000-0000000000AA}" + std::string(300, ' ');
    SetString(reg, kClassesRoot, "longref\\CLSID", "", longText);
    SetString(reg, kClassesRoot,
              "Interface\\{55555555-0000-0000-0000-000000000005}\\ProxyStubClsid32", "",
              "{66666666-0000-0000-0000-000000000006}");
    SetString(reg, kClassesRoot, "deep\\a\\b\\ProxyStubClsid32", "",
              "{66666666-0000-0000-0000-000000000006}");
    SetString(reg, kClassesRoot, "TypeLib\\{x}\\1.0\\0\\win32\\PersistentHandler", "", "");
    SetString(reg, kClassesRoot, "AppID\\{x}\\PersistentHandler", "", "");

    auto& s = Scan({0});
    const auto* inproc = s.Find("HKCR\\" + clsid + "\\InprocServer32\\");
    ASSERT_TRUE(inproc);
    EXPECT_EQ(inproc->finding.kind, FindingKind::Value);
    EXPECT_EQ(inproc->finding.valueName, "");
    EXPECT_EQ(inproc->valueText, "C:\\Gone\\x.dll");
    EXPECT_EQ(inproc->reason, "Missing File");

    const auto* empty = s.Find("HKCR\\.emptyph\\PersistentHandler\\");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->reason, "Missing CLSID");
    EXPECT_EQ(empty->valueText, "[None]");
    EXPECT_EQ(empty->finding.kind, FindingKind::Key);
    const auto* none = s.Find("HKCR\\.noval\\PersistentHandler\\");
    ASSERT_TRUE(none);
    EXPECT_EQ(none->reason, "Missing CLSID: Empty Reference");

    const auto* stale = s.Find("HKCR\\stalefile\\CLSID\\");
    ASSERT_TRUE(stale);
    EXPECT_EQ(stale->valueText, "{44444444-0000-0000-0000-000000000004}");
    const auto* proxy =
        s.Find("HKCR\\Interface\\{55555555-0000-0000-0000-000000000005}\\ProxyStubClsid32\\");
    ASSERT_TRUE(proxy);
    EXPECT_EQ(proxy->reason, "Missing CLSID");

    const auto* longRef = s.Find("HKCR\\longref\\CLSID\\");
    ASSERT_TRUE(longRef);
    EXPECT_EQ(longRef->reason, "Missing CLSID");
    EXPECT_EQ(longRef->valueText, longText);
    EXPECT_EQ(s.rows.size(), 6u) << "bare names, braceless references, nested CLSID keys, "
                                    "depth-5 ProxyStubClsid, TypeLib and AppID stay silent";
}

TEST_F(ScanEngineTest, AssociationRules) {
    SetString(reg, kClassesRoot, "deadfile\\shell\\open\\command", "",
              "\"C:\\Gone\\app.exe\" \"%1\"");
    SetString(reg, kClassesRoot, "realfile\\shell\\open\\command", "",
              "\"C:\\Apps\\real.exe\" \"%1\"");
    SetString(reg, kClassesRoot, "barefile\\shell\\open\\command", "", "gone_app.exe %1");
    MakeKey(reg, kClassesRoot, "emptyfile\\shell\\open\\command");
    MakeKey(reg, kClassesRoot, "emptyfile\\shell\\open\\ddeexec\\command"); // depth 6
    MakeKey(reg, kClassesRoot, "emptyfile\\shell\\x\\y\\z\\command");       // depth 7
    SetString(reg, kClassesRoot, "longfile\\shell\\open\\command", "",
              "C:\\Apps\\real.exe " + std::string(400, 'a'));
    SetString(reg, kClassesRoot, ".dead", "", "gonefile");
    SetString(reg, kClassesRoot, ".ok", "", "realfile");
    SetString(reg, kClassesRoot, ".blank", "", "");
    MakeKey(reg, kClassesRoot, ".nodefault");

    auto& s = Scan({1});
    const auto* cmd = s.Find("HKCR\\deadfile\\shell\\open\\command\\");
    ASSERT_TRUE(cmd);
    EXPECT_EQ(cmd->reason, "Missing File");
    EXPECT_EQ(cmd->finding.kind, FindingKind::Key);
    const auto* empty = s.Find("HKCR\\emptyfile\\shell\\open\\command\\");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->reason, "Empty Key");
    EXPECT_EQ(empty->valueText, "[None]");
    const auto* ext = s.Find("HKCR\\.dead\\");
    ASSERT_TRUE(ext);
    EXPECT_EQ(ext->reason, "Missing File Assosication");
    EXPECT_EQ(ext->valueText, "gonefile");
    EXPECT_EQ(s.rows.size(), 3u);
}

TEST_F(ScanEngineTest, ClassesSwitchesDecideWhatIsEntered) {
    SetString(reg, kClassesRoot, "CLSID\\{77777777-0000-0000-0000-000000000007}\\InprocServer32",
              "", "C:\\Gone\\a.dll");
    // Empty depth-5 command keys below each special top-level key show whether it is entered.
    for (const char* top : {"CLSID", "Interface", "TypeLib", "AppID", "plain", "Wow6432Node"})
        MakeKey(reg, kClassesRoot, std::string(top) + "\\shell\\open\\command");
    // The 32-bit view is never entered from the 64-bit one.
    MakeKey(reg, kClassesRoot, "Wow6432Node\\x\\CLSID");

    auto& onlyAssoc = Scan({1});
    ASSERT_EQ(onlyAssoc.rows.size(), 1u);
    EXPECT_EQ(onlyAssoc.rows[0].path, "HKCR\\plain\\shell\\open\\command\\");

    test::RecordingSink both;
    ScanEngine e(reg, sys, both);
    e.BeginScan();
    e.RunScan();
    // CLSID and Interface are walked now; TypeLib, AppID and Wow6432Node never.
    EXPECT_TRUE(both.Find("HKCR\\CLSID\\{77777777-0000-0000-0000-000000000007}\\InprocServer32\\"));
    EXPECT_TRUE(both.Find("HKCR\\Interface\\shell\\open\\command\\"));
    EXPECT_TRUE(both.Find("HKCR\\CLSID\\shell\\open\\command\\"));
    EXPECT_TRUE(both.Find("HKCR\\plain\\shell\\open\\command\\"));
    EXPECT_EQ(both.rows.size(), 4u);
    EXPECT_EQ(both.CountUnder("HKCR\\Wow6432Node"), 0u);
}

TEST_F(ScanEngineTest, ClassesRootWalkedOnceAndStatusEvery200Keys) {
    for (int i = 0; i < 450; ++i)
        MakeKey(reg, kClassesRoot, "k" + std::to_string(i));
    auto& s = Scan({0, 1});
    // The first key is reported (the root's empty path), then every 200th key.
    // 450 + CLSID + its key + realfile + root = 454 keys: three reports.
    EXPECT_EQ(s.progress, (std::vector<std::string>{"", "k196", "k396"}));
}

TEST_F(ScanEngineTest, SoftwareAreas) {
    SetString(reg, kCurrentUser, "Software\\Vendor\\App", "Path", "C:\\Gone\\app.exe");
    SetString(reg, kCurrentUser, "Software\\Vendor\\App", "Args", "C:\\Gone\\app.exe /x");
    SetString(reg, kCurrentUser, "Software\\Vendor\\App", "Ok", "C:\\Apps\\real.exe");
    SetString(reg, kCurrentUser, "Software\\Vendor", "TooShallow", "C:\\Gone\\app.exe");
    SetString(reg, kCurrentUser, "Software\\Vendor\\App", "Expand", "C:\\Gone\\app.exe",
              kRegExpandSz);
    SetString(reg, kCurrentUser, "Software\\Vendor\\App\\VirtualStore\\x", "P", "C:\\Gone\\v.exe");
    SetString(reg, kLocalMachine, "Software\\Vendor\\App", "Path", "C:\\Gone\\sys.dll");
    SetString(reg, kLocalMachine, "Software\\Classes\\x\\y", "P", "C:\\Gone\\c.dll");
    SetString(reg, kLocalMachine, "Software\\Wow6432Node\\Classes\\x\\y", "P", "C:\\Gone\\c.dll");
    SetString(reg, kLocalMachine,
              "Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\x", "P",
              "C:\\Gone\\u.dll");
    // Below a Wow6432Node key the system folder is also looked for in the 32-bit one.
    SetString(reg, kLocalMachine, "Software\\Wow6432Node\\Vendor\\App", "Dll",
              "C:\\windows\\system32\\only32.dll");
    SetString(reg, kLocalMachine, "Software\\Vendor\\App", "Dll",
              "C:\\windows\\system32\\only32.dll");

    auto& s = Scan({2, 3});
    const auto* user = s.Find("HKCU\\Software\\Vendor\\App\\Path");
    ASSERT_TRUE(user);
    EXPECT_EQ(user->reason, "Missing File");
    EXPECT_EQ(user->finding.kind, FindingKind::Value);
    EXPECT_EQ(user->finding.valueName, "Path");
    EXPECT_TRUE(s.Find("HKLM\\Software\\Vendor\\App\\Path"));
    EXPECT_TRUE(s.Find("HKLM\\Software\\Vendor\\App\\Dll"));
    EXPECT_EQ(s.rows.size(), 3u);
}

TEST_F(ScanEngineTest, SharedDllsAndFileExts) {
    const std::string shared = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
    SetDword(reg, kLocalMachine, shared, "C:\\gone\\x.DLL", 3);
    SetDword(reg, kLocalMachine, shared, "C:\\gone\\neg.dll", 0xFFFFFFFEu);
    SetDword(reg, kLocalMachine, shared, "C:\\gone\\x.ocx", 3);
    SetDword(reg, kLocalMachine, shared, "C:\\windows\\system32\\real.dll", 1);
    SetString(reg, kLocalMachine, shared, "C:\\gone\\str.dll", "1");

    const std::string exts = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";
    SetString(reg, kCurrentUser, exts + "\\.aaa\\OpenWithList", "a", "gone_viewer.exe");
    SetString(reg, kCurrentUser, exts + "\\.aaa\\OpenWithList", "MRUList", "a");
    SetString(reg, kCurrentUser, exts + "\\.aaa\\OpenWithList", "b", "real.dll");
    MakeKey(reg, kLocalMachine, std::string(kAppPathsKey) + "\\registered.exe");
    SetString(reg, kCurrentUser, exts + "\\.aaa\\OpenWithList", "c", "registered.exe");
    SetRaw(reg, kCurrentUser, exts + "\\.bbb\\OpenWithProgids", "realfile", kRegNone, "");
    SetRaw(reg, kCurrentUser, exts + "\\.bbb\\OpenWithProgids", "gonefile", kRegNone, "");
    SetRaw(reg, kCurrentUser, exts + "\\.bbb\\OpenWithProgids", "gonefile2", kRegNone, "");
    MakeKey(reg, kCurrentUser, exts + "\\.empty");
    MakeKey(reg, kCurrentUser, exts + "\\.onlysub\\UserChoice");
    MakeKey(reg, kCurrentUser, exts + "\\nodot");
    // Values too large for the scan's buffers do not make their keys empty.
    SetRaw(reg, kCurrentUser, exts + "\\.bigdata", "blob", kRegBinary, std::string(70000, 'x'));
    SetRaw(reg, kCurrentUser, exts + "\\.bigname", std::string(600, 'n'), kRegNone, "");

    auto& s = Scan({4, 5});
    const auto* dll = s.Find("HKLM\\" + shared + "\\C:\\gone\\x.DLL");
    ASSERT_TRUE(dll);
    EXPECT_EQ(dll->valueText, "3");
    EXPECT_EQ(dll->reason, "Missing DLL Entry");
    const auto* neg = s.Find("HKLM\\" + shared + "\\C:\\gone\\neg.dll");
    ASSERT_TRUE(neg);
    EXPECT_EQ(neg->valueText, "-2");
    const auto* prog = s.Find("HKCU\\" + exts + "\\.aaa\\OpenWithList\\a");
    ASSERT_TRUE(prog);
    EXPECT_EQ(prog->reason, "Invalid Program path");
    const auto* progid = s.Find("HKCU\\" + exts + "\\.bbb\\OpenWithProgids\\");
    ASSERT_TRUE(progid);
    EXPECT_EQ(progid->reason, "Invalid Progid");
    EXPECT_EQ(progid->finding.kind, FindingKind::Key);
    EXPECT_EQ(progid->valueText, "[None]");
    const auto* empty = s.Find("HKCU\\" + exts + "\\.empty\\");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->reason, "NO SUBKEY/VALUE WITH THIS KEY");
    // One report ends the OpenWithProgids key: gonefile2 is not examined.
    EXPECT_EQ(s.rows.size(), 5u);
}

TEST_F(ScanEngineTest, StartupSoundsUninstall) {
    SetString(reg, kCurrentUser, kRun, "Dead", "\"C:\\Gone\\tray.exe\" /min");
    SetString(reg, kCurrentUser, kRun, "Bare", "gone_tray.exe /min");
    SetString(reg, kCurrentUser, kRun, "Live", "C:\\Apps\\real.exe /min");
    SetString(reg, kLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx\\0001",
              "x", "C:\\Gone\\deep.exe");
    SetString(reg, kUsers, ".Default\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "U",
              "C:\\Gone\\user.exe");

    const std::string apps = "AppEvents\\Schemes\\Apps";
    sys.SetEnvironment("ZTMEDIA", "C:\\Gone");
    SetString(reg, kCurrentUser, apps + "\\.Default\\Ding\\.Current", "", "%ZTMEDIA%\\ding.wav",
              kRegExpandSz);
    SetString(reg, kCurrentUser, apps + "\\.Default\\Ding\\.Current", "second", "C:\\Gone\\b.wav",
              kRegExpandSz);
    SetString(reg, kCurrentUser, apps + "\\.Default\\Ding\\.Default", "", "C:\\Gone\\plain.wav");
    SetString(reg, kCurrentUser, apps + "\\.Default\\Ding\\Other", "", "C:\\Gone\\o.wav",
              kRegExpandSz);

    const std::string un = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    SetString(reg, kLocalMachine, un + "\\Stale", "DisplayIcon", "C:\\Gone\\app.exe,0");
    SetString(reg, kLocalMachine, un + "\\Stale", "UninstallString", "C:\\Gone\\unins000.exe");
    SetString(reg, kLocalMachine, un + "\\Args", "UninstallString", "C:\\Gone\\unins.exe /x");
    SetString(reg, kLocalMachine, un + "\\Exp", "UninstallString", "%ZTMEDIA%\\u.exe /x",
              kRegExpandSz);
    SetString(reg, kLocalMachine, un + "\\Exp", "DisplayIcon", "C:\\Gone\\i.ico");
    SetString(reg, kLocalMachine, un + "\\Good", "DisplayIcon", "C:\\Apps\\real.exe,0");

    auto& s = Scan({6, 7, 8});
    EXPECT_EQ(s.Find("HKCU\\" + std::string(kRun) + "\\Dead")->reason, "Invalid File");
    EXPECT_TRUE(s.Find("HKU\\.Default\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\U"));
    const auto* sound = s.Find("HKCU\\" + apps + "\\.Default\\Ding\\.Current\\");
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->valueText, "%ZTMEDIA%\\ding.wav");
    EXPECT_EQ(sound->reason, "Invalid Sound");
    const auto* icon = s.Find("HKLM\\" + un + "\\Stale\\");
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->finding.kind, FindingKind::Key);
    EXPECT_TRUE(s.Find("HKLM\\" + un + "\\Stale\\UninstallString"));
    const auto* exp = s.Find("HKLM\\" + un + "\\Exp\\UninstallString");
    ASSERT_TRUE(exp);
    EXPECT_EQ(exp->valueText, "%ZTMEDIA%\\u.exe /x");
    // The uninstaller's program counts, whatever its arguments.
    EXPECT_TRUE(s.Find("HKLM\\" + un + "\\Args\\UninstallString"));
    // Rows: Dead, U, sound, Stale icon, Stale uninstall, Args, Exp uninstall (ends the key).
    EXPECT_EQ(s.rows.size(), 7u);
}

TEST_F(ScanEngineTest, FontsHelpAppPathsDrivers) {
    const std::string fonts = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
    SetString(reg, kLocalMachine, fonts, "Real (TrueType)", "real.ttf");
    SetString(reg, kLocalMachine, fonts, "Gone (TrueType)", "gone.ttf");
    SetString(reg, kLocalMachine, fonts, "Abs (TrueType)", "C:\\Gone\\abs.ttf");
    const std::string help = "SOFTWARE\\Microsoft\\Windows\\Help";
    sys.AddFile("C:\\Help\\real.hlp");
    SetString(reg, kLocalMachine, help, "real.hlp", "C:\\Help\\");
    SetString(reg, kLocalMachine, help, "gone.hlp", "C:\\Help");
    SetString(reg, kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\Html Help", "gone.chm",
              "C:\\Help\\");
    const std::string appPaths = std::string(kAppPathsKey);
    SetString(reg, kLocalMachine, appPaths + "\\gone.exe", "", "C:\\Gone\\gone.exe");
    SetString(reg, kLocalMachine, appPaths + "\\gone.exe", "Path", "C:\\Gone");
    SetString(reg, kLocalMachine, appPaths + "\\real.exe", "", "C:\\Apps\\real.exe");
    const std::string drivers = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
    SetString(reg, kLocalMachine, drivers, "wave", "real.dll");
    SetString(reg, kLocalMachine, drivers, "midi", "gone.drv");
    SetString(reg, kLocalMachine, drivers, "abs", "C:\\Gone\\x.drv");

    auto& s = Scan({9, 10, 11, 12});
    EXPECT_EQ(s.Find("HKLM\\" + fonts + "\\Gone (TrueType)")->reason, "Invalid Font File");
    EXPECT_TRUE(s.Find("HKLM\\" + fonts + "\\Abs (TrueType)"));
    EXPECT_EQ(s.Find("HKLM\\" + help + "\\gone.hlp")->valueText, "C:\\Help");
    EXPECT_TRUE(s.Find("HKLM\\SOFTWARE\\Microsoft\\Windows\\Html Help\\gone.chm"));
    const auto* app = s.Find("HKLM\\" + appPaths + "\\gone.exe\\");
    ASSERT_TRUE(app);
    EXPECT_EQ(app->reason, "Invalid App Path");
    EXPECT_EQ(app->finding.kind, FindingKind::Key);
    EXPECT_EQ(s.Find("HKLM\\" + drivers + "\\midi")->reason, "Invalid System Driver");
    EXPECT_TRUE(s.Find("HKLM\\" + drivers + "\\abs"));
    EXPECT_EQ(s.rows.size(), 7u);
}

TEST_F(ScanEngineTest, NumberingAndData) {
    // A string stored without a terminating zero is text of its stored length.
    SetRaw(reg, kCurrentUser, kRun, "raw", kRegSz, "C:\\Gone\\raw.exe");
    SetString(reg, kCurrentUser, kRun, "second", "C:\\Gone\\two.exe");
    // Data larger than 2000 bytes ends the key's examination.
    SetString(reg, kCurrentUser, kRun, "huge", std::string(2100, 'x'));
    SetString(reg, kCurrentUser, kRun, "after", "C:\\Gone\\after.exe");
    auto& s = Scan({6});
    ASSERT_EQ(s.rows.size(), 2u);
    EXPECT_EQ(s.rows[0].number, "1");
    EXPECT_EQ(s.rows[0].valueText, "C:\\Gone\\raw.exe");
    EXPECT_EQ(s.rows[1].number, "2");
    EXPECT_EQ(s.finishedCount, 2);
    EXPECT_FALSE(s.stopped);
}

TEST_F(ScanEngineTest, PathsBeyondTheBufferArePassedOver) {
    // Each level adds 1 + 200 characters; the fifth passes the 1000-character buffer.
    std::string path = "Software\\Deep";
    for (int i = 0; i < 6; ++i) {
        path += "\\" + std::string(200, static_cast<char>('a' + i));
        SetString(reg, kCurrentUser, path, "P", "C:\\Gone\\deep.exe");
    }
    auto& s = Scan({2});
    for (const auto& r : s.rows) {
        EXPECT_LT(Utf16Length(r.path), kPathBufferChars);
        EXPECT_LT(Utf16Length(r.finding.keyPath), kPathBufferChars);
    }
    // Depth 3 and 4 (path 219 and 420 long) fit, as do 621 and 822; 1023 does not.
    EXPECT_EQ(s.rows.size(), 4u);
}

TEST_F(ScanEngineTest, StopKeepsListedFindingsAndEndsWithTheCount) {
    for (int i = 0; i < 50; ++i)
        SetString(reg, kCurrentUser, kRun, "v" + std::to_string(i),
                  "C:\\Gone\\x" + std::to_string(i) + ".exe");
    SetString(reg, kLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", "f",
              "gone.ttf");
    ScanEngine e(reg, sys, sink);
    e.SetAllCategories(false);
    e.categoryEnabled[6] = true;
    e.categoryEnabled[9] = true;
    sink.onFinding = [&](std::size_t n) {
        if (n == 10) e.RequestStop();
    };
    e.BeginScan();
    e.RunScan();
    EXPECT_EQ(sink.rows.size(), 10u);
    EXPECT_EQ(sink.finishedCount, 10);
    EXPECT_TRUE(sink.stopped);
    EXPECT_TRUE(e.stopAcknowledged.IsSet());
}

TEST_F(ScanEngineTest, StopFromAnotherThreadIsAcknowledged) {
    for (int i = 0; i < 3000; ++i)
        MakeKey(reg, kClassesRoot, "k" + std::to_string(i));
    ScanEngine e(reg, sys, sink);
    e.BeginScan();
    std::thread worker([&] { e.RunScan(); });
    e.RequestStop();
    EXPECT_TRUE(e.stopAcknowledged.WaitFor(std::chrono::seconds(10)));
    worker.join();
    EXPECT_EQ(sink.finishedCalls, 1);
    EXPECT_TRUE(e.stopRequested);
}

} // namespace
} // namespace zt
