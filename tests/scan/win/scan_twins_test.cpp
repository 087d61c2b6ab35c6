// The 32-bit twins of the scan's machine keys and the orphaned startup switches, on the real
// registry of the test prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "scan/ScanEngine.h"
#include "scan/scan_support.h"
#include "support/seams.h"

namespace zt {
namespace {

using test::SetRaw;
using test::SetString;

const std::string kWowCv = "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion";
const std::string kApproved =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved";
const std::string kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kOff("\x03\0\0\0\0\0\0\0\0\0\0\0", 12);

class ScanTwinsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        system32_ = sys.SystemFolder();
        test::PlantFolder(sys, sys.WindowsFolder() + "\\SysWOW64");
        userStartup_ = sys.GetKnownFolder(KnownFolder::Startup).value_or("");
        ASSERT_FALSE(userStartup_.empty());
        for (const auto& file : Files())
            test::PlantFile(sys, file);
    }
    void TearDown() override {
        for (const auto& file : Files())
            (void)sys.RemoveFile(file);
        for (const auto& [root, path, name] : planted_) {
            RegKey key(reg, reg.OpenKeyAllAccess(RootHandle(root), path));
            if (key) (void)reg.DeleteValue(key.get(), name);
        }
        for (const char* key : {"\\Uninstall\\ZtTwinApp", "\\App Paths\\zttwin.exe"})
            (void)reg.DeleteKeyTree(RootHandle(kLocalMachine), kWowCv + key);
    }
    std::vector<std::string> Files() {
        return {sys.WindowsFolder() + "\\SysWOW64\\zttwin32.dll", userStartup_ + "\\ZtPresent.lnk",
                userStartup_ + "\\ZtNoExtension"};
    }

    void Plant(RootKey root, const std::string& path, const std::string& name,
               const std::string& data, std::uint32_t type = kRegSz) {
        SetRaw(reg, root, path, name, type, type == kRegSz ? data + '\0' : data);
        planted_.push_back({root, path, name});
    }

    Win32Registry reg;
    Win32System sys;
    test::RecordingSink sink;
    std::string system32_, userStartup_;
    std::vector<std::tuple<RootKey, std::string, std::string>> planted_;
};

TEST_F(ScanTwinsTest, TwinsAreWalkedByTheSameRulesAndOrphanSwitchesFound) {
    const std::string drivers =
        "Software\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
    const std::string one("\1\0\0\0", 4);
    Plant(kLocalMachine, kWowCv + "\\SharedDlls", "C:\\ZtGone\\old32.dll", one, kRegDword);
    Plant(kLocalMachine, kWowCv + "\\SharedDlls", system32_ + "\\zttwin32.dll", one, kRegDword);
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

    test::ScanAreas(reg, sys, sink, {4, 6, 8, 11, 12});

    struct Expected {
        std::string path, reason;
        FindingKind kind;
    };
    const std::string hklmWow = "HKLM\\" + kWowCv;
    const Expected expected[] = {
        {hklmWow + "\\SharedDlls\\C:\\ZtGone\\old32.dll", "Missing DLL Entry", FindingKind::Value},
        {hklmWow + "\\Run\\ZtStale32", "Invalid File", FindingKind::Value},
        {hklmWow + "\\Uninstall\\ZtTwinApp\\", "Invalid File", FindingKind::Key},
        // The views share App Paths: reported once, where the 64-bit walk meets it.
        {"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\zttwin.exe\\",
         "Invalid App Path", FindingKind::Key},
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
    int appPathRows = 0;
    for (const auto& r : sink.rows)
        appPathRows += r.path.find("\\App Paths\\zttwin.exe") != std::string::npos;
    EXPECT_EQ(appPathRows, 1);
    // Keys the views share have one name whichever path opened them; others keep their own.
    auto name = [&](const std::string& path) {
        RegKey key(reg, reg.OpenKeyRead(RootHandle(kLocalMachine), path));
        return key ? reg.KeyObjectName(key.get()).value_or("") : std::string("(absent)");
    };
    const std::string cv = "Software\\Microsoft\\Windows\\CurrentVersion";
    EXPECT_FALSE(name(cv + "\\App Paths").empty());
    EXPECT_EQ(name(cv + "\\App Paths"), name(kWowCv + "\\App Paths"));
    EXPECT_NE(name(cv + "\\Run"), name(kWowCv + "\\Run"));
}

} // namespace
} // namespace zt
