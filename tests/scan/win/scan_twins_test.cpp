// The 32-bit twins of the scan's machine keys and the orphaned startup switches, on the real
// registry of the test prefix.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "scan/ScanEngine.h"
#include "scan/scan_support.h"

namespace zt {
namespace {

using test::SetDword;
using test::SetRaw;
using test::SetString;

const std::string kWowCv = "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion";
const std::string kApproved =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved";
const std::string kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kOff("\x03\0\0\0\0\0\0\0\0\0\0\0", 12);

std::string Folder(int csidl) {
    char buf[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, buf);
    return buf;
}

void Touch(const std::string& path) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE) << path;
    CloseHandle(f);
}

class ScanTwinsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char windows[MAX_PATH] = {};
        GetWindowsDirectoryA(windows, MAX_PATH);
        wow_ = std::string(windows) + "\\SysWOW64";
        system32_ = std::string(windows) + "\\system32";
        CreateDirectoryA(wow_.c_str(), nullptr);
        Touch(wow_ + "\\zttwin32.dll");
        userStartup_ = Folder(CSIDL_STARTUP);
        Touch(userStartup_ + "\\ZtPresent.lnk");
        Touch(userStartup_ + "\\ZtNoExtension");
    }
    void TearDown() override {
        DeleteFileA((wow_ + "\\zttwin32.dll").c_str());
        DeleteFileA((userStartup_ + "\\ZtPresent.lnk").c_str());
        DeleteFileA((userStartup_ + "\\ZtNoExtension").c_str());
        for (const auto& [root, path, name] : planted_) {
            RegKey key(reg, reg.OpenKeyAllAccess(RootHandle(root), path));
            if (key) reg.DeleteValue(key.get(), name);
        }
        for (const char* key : {"\\Uninstall\\ZtTwinApp", "\\App Paths\\zttwin.exe"})
            reg.DeleteKeyTree(RootHandle(kLocalMachine), kWowCv + key);
    }

    void Plant(RootKey root, const std::string& path, const std::string& name,
               const std::string& data, std::uint32_t type = kRegSz) {
        if (type == kRegBinary)
            SetRaw(reg, root, path, name, type, data);
        else
            SetString(reg, root, path, name, data, type);
        planted_.push_back({root, path, name});
    }

    Win32Registry reg;
    Win32System sys;
    test::RecordingSink sink;
    std::string wow_, system32_, userStartup_;
    std::vector<std::tuple<RootKey, std::string, std::string>> planted_;
};

TEST_F(ScanTwinsTest, TwinsAreWalkedByTheSameRulesAndOrphanSwitchesFound) {
    const std::string drivers =
        "Software\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
    SetDword(reg, kLocalMachine, kWowCv + "\\SharedDlls", "C:\\ZtGone\\old32.dll", 2);
    planted_.push_back({kLocalMachine, kWowCv + "\\SharedDlls", "C:\\ZtGone\\old32.dll"});
    SetDword(reg, kLocalMachine, kWowCv + "\\SharedDlls", system32_ + "\\zttwin32.dll", 1);
    planted_.push_back({kLocalMachine, kWowCv + "\\SharedDlls", system32_ + "\\zttwin32.dll"});
    Plant(kLocalMachine, kWowCv + "\\Run", "ZtStale32", "C:\\ZtGone\\stale32.exe");
    Plant(kLocalMachine, kWowCv + "\\Run", "ZtValid32", system32_ + "\\zttwin32.dll");
    SetString(reg, kLocalMachine, kWowCv + "\\Uninstall\\ZtTwinApp", "DisplayIcon",
              "C:\\ZtGone\\icon32.ico");
    SetString(reg, kLocalMachine, kWowCv + "\\App Paths\\zttwin.exe", "", "C:\\ZtGone\\zttwin.exe");
    Plant(kLocalMachine, drivers, "msacm.zttwin", "C:\\ZtGone\\codec32.acm");

    Plant(kCurrentUser, kRun, "ZtLiveApp", "C:\\x.exe");
    Plant(kCurrentUser, kApproved + "\\Run", "ZTLIVEAPP", kOff, kRegBinary); // case differs
    Plant(kCurrentUser, kApproved + "\\Run", "ZtGoneApp", kOff, kRegBinary);
    // Run32 governs the 32-bit key only; Run the 64-bit one.
    Plant(kLocalMachine, kApproved + "\\Run32", "ZtValid32", kOff, kRegBinary);
    Plant(kLocalMachine, kApproved + "\\Run", "ZtValid32", kOff, kRegBinary);
    Plant(kLocalMachine, kApproved + "\\Run32", "ZtGone32", std::string("\x02", 1), kRegBinary);
    Plant(kCurrentUser, kApproved + "\\StartupFolder", "ZtPresent.lnk", kOff, kRegBinary);
    Plant(kCurrentUser, kApproved + "\\StartupFolder", "ZtNoExtension", kOff, kRegBinary);
    Plant(kCurrentUser, kApproved + "\\StartupFolder", "ZtGone.lnk", kOff, kRegBinary);

    ScanEngine engine(reg, sys, sink);
    engine.SetAllCategories(false);
    for (int c : {4, 6, 8, 11, 12})
        engine.categoryEnabled[c] = true;
    engine.BeginScan();
    engine.RunScan();

    struct Expected {
        std::string path, reason;
        FindingKind kind;
    };
    const std::string hklmWow = "HKLM\\" + kWowCv;
    const Expected expected[] = {
        {hklmWow + "\\SharedDlls\\C:\\ZtGone\\old32.dll", "Missing DLL Entry", FindingKind::Value},
        {hklmWow + "\\Run\\ZtStale32", "Invalid File", FindingKind::Value},
        {hklmWow + "\\Uninstall\\ZtTwinApp\\", "Invalid File", FindingKind::Key},
        {hklmWow + "\\App Paths\\zttwin.exe\\", "Invalid App Path", FindingKind::Key},
        {"HKLM\\" + drivers + "\\msacm.zttwin", "Invalid System Driver", FindingKind::Value},
        {"HKCU\\" + kApproved + "\\Run\\ZtGoneApp", "Orphan Startup Approval", FindingKind::Value},
        {"HKLM\\" + kApproved + "\\Run\\ZtValid32", "Orphan Startup Approval", FindingKind::Value},
        {"HKLM\\" + kApproved + "\\Run32\\ZtGone32", "Orphan Startup Approval", FindingKind::Value},
        {"HKCU\\" + kApproved + "\\StartupFolder\\ZtGone.lnk", "Orphan Startup Approval",
         FindingKind::Value},
    };
    for (const auto& e : expected) {
        const ScanRow* row = sink.Find(e.path);
        ASSERT_TRUE(row) << "not reported: " << e.path;
        EXPECT_EQ(row->reason, e.reason) << e.path;
        EXPECT_EQ(row->finding.kind, e.kind) << e.path;
    }
    EXPECT_EQ(sink.Find("HKCU\\" + kApproved + "\\Run\\ZtGoneApp")->valueText,
              "03 00 00 00 00 00 00 00 00 00 00 00");
    // Nothing that still has its entry, and the 32-bit system folder stands in below the twin.
    for (const auto& r : sink.rows)
        for (const char* valid : {"zttwin32", "ZTLIVEAPP", "ZtPresent", "ZtNoExtension"})
            EXPECT_EQ((r.path + r.valueText).find(valid), std::string::npos) << r.path;
    EXPECT_FALSE(sink.Find("HKLM\\" + kApproved + "\\Run32\\ZtValid32"));
}

} // namespace
} // namespace zt
