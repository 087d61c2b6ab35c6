#pragma once
// The thirteen registry areas a scan can walk, in index order, with their start keys.
#include <array>
#include <optional>
#include <span>
#include <string_view>

#include "seams/Registry.h"
#include "scan/ScanFinding.h"

namespace zt {

struct ScanStartKey {
    RootKey root;
    std::string_view path;
    std::string_view name; // what rules testing the key's own name see at the start key
};

struct ScanCategoryInfo {
    std::string_view settingsKey;
    std::string_view label;
    int area;
    std::span<const ScanStartKey> starts; // empty for the classes-root walk
};

namespace scan_detail {
inline constexpr ScanStartKey kUserSoftware[] = {{kCurrentUser, "Software", "Software"}};
inline constexpr ScanStartKey kSystemSoftware[] = {{kLocalMachine, "Software", "Software"}};
// A machine key with a 32-bit twin is followed by the twin, walked by the same rules.
inline constexpr ScanStartKey kSharedDlls[] = {
    {kLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls", "SharedDlls"},
    {kLocalMachine, "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\SharedDlls",
     "SharedDlls"}};
inline constexpr ScanStartKey kFileExts[] = {
    {kCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts", "FileExts"}};
inline constexpr ScanStartKey kStartup[] = {
    {kCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Run"},
    {kCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "RunOnce"},
    {kCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx", "RunOnceEx"},
    {kLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Run"},
    {kLocalMachine, "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run", "Run"},
    {kUsers, ".Default\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "Run"},
    {kLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "RunOnce"},
    {kLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx", "RunOnceEx"},
    {kLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices", "RunServices"},
    {kLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce",
     "RunServicesOnce"}};
inline constexpr ScanStartKey kSounds[] = {{kCurrentUser, "AppEvents\\Schemes\\Apps", ".Default"}};
inline constexpr ScanStartKey kUninstall[] = {
    {kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", "Uninstall"},
    {kLocalMachine, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
     "Uninstall"}};
inline constexpr ScanStartKey kFonts[] = {
    {kLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", "Fonts"}};
inline constexpr ScanStartKey kHelp[] = {
    {kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\Help", "Help"},
    {kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\Html Help", "Html Help"}};
inline constexpr ScanStartKey kAppPaths[] = {
    {kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths", "App Paths"},
    {kLocalMachine, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths",
     "App Paths"}};
inline constexpr ScanStartKey kDrivers[] = {
    {kLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32", "Drivers32"},
    {kLocalMachine, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32",
     "Drivers32"}};
} // namespace scan_detail

inline constexpr std::array<ScanCategoryInfo, kScanCategoryCount> kScanCategories = {{
    {"CheckCLSID", "COM/CLSID", 1, {}},
    {"CheckFileAssociation", "File Associations", 1, {}},
    {"CheckUserSoftwareSetting", "User Software Settings", 2, scan_detail::kUserSoftware},
    {"CheckSystemSoftwareSetting", "System Software Settings", 3, scan_detail::kSystemSoftware},
    {"CheckSharedDlls", "Shared Dlls", 4, scan_detail::kSharedDlls},
    {"CheckFileExtensions", "File Extensions", 5, scan_detail::kFileExts},
    {"CheckStartupSection", "Startup Section", 6, scan_detail::kStartup},
    {"CheckSoundAppEvents", "Sound/App Events", 7, scan_detail::kSounds},
    {"CheckUninstallSection", "Uninstall Section", 8, scan_detail::kUninstall},
    {"CheckFontSection", "Fonts Section", 9, scan_detail::kFonts},
    {"CheckHelpSection", "Help Section", 10, scan_detail::kHelp},
    {"CheckAppPath", "Application Path", 11, scan_detail::kAppPaths},
    {"CheckSystemDrivers", "System Drivers", 12, scan_detail::kDrivers},
}};

inline constexpr int kCategoryClsid = 0;
inline constexpr int kCategoryFileAssociation = 1;

// The index of a category named by its settings key (any letter case), or none.
inline std::optional<int> CategoryFromSettingsKey(std::string_view key) {
    for (int i = 0; i < kScanCategoryCount; ++i)
        if (NamesEqual(kScanCategories[i].settingsKey, key)) return i;
    return std::nullopt;
}

} // namespace zt
