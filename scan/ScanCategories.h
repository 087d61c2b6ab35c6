#pragma once
// The registry areas a scan can walk, in index order: each with its switch name, label, start
// keys and the rule the walk runs at every key (scan/AreaRules.h). The areas without start
// keys share one walk of the classes root. A new area is one row here and one rule function.
#include <array>
#include <optional>
#include <span>
#include <string_view>

#include "scan/AreaRules.h"
#include "scan/OrphanApprovals.h"
#include "scan/RunKeys.h"
#include "scan/ScanFinding.h"
#include "seams/Registry.h"

namespace zt {

struct ScanStartKey {
    RootKey root;
    std::string_view path;
    std::string_view name; // what rules testing the key's own name see at the start key
};

struct ScanCategoryInfo {
    std::string_view settingsKey; // the switch's name in the settings store
    std::string_view label;
    std::span<const ScanStartKey> starts; // empty for the classes-root walk
    KeyRule rule;
    ChildFilter skip = nullptr;    // children the walk passes over, if any
    AreaRule afterWalks = nullptr; // run once after the walks of all start keys, if any
    // The reasons `rule` and `afterWalks` report, so a re-check runs only the rules that
    // could report a finding again.
    std::span<const std::string_view> reasons = {};
    std::span<const std::string_view> afterReasons = {};
    // The switch's value when the settings store has none (a new area in an older file).
    bool onByDefault = true;
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
    {kCurrentUser, kRunKeyPath, "Run"},
    {kCurrentUser, kRunOnceKeyPath, "RunOnce"},
    {kCurrentUser, kRunOnceExKeyPath, "RunOnceEx"},
    {kLocalMachine, kRunKeyPath, "Run"},
    {kLocalMachine, kRun32KeyPath, "Run"},
    {kUsers, ".Default\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "Run"},
    {kLocalMachine, kRunOnceKeyPath, "RunOnce"},
    {kLocalMachine, kRunOnceExKeyPath, "RunOnceEx"},
    {kLocalMachine, kRunServicesKeyPath, "RunServices"},
    {kLocalMachine, kRunServicesOnceKeyPath, "RunServicesOnce"}};
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
inline constexpr ScanStartKey kMuiCache[] = {
    {kCurrentUser,
     "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache",
     "MuiCache"}};
inline constexpr ScanStartKey kCompatibilityStore[] = {
    {kCurrentUser,
     "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility "
     "Assistant\\Store",
     "Store"}};
inline constexpr ScanStartKey kInstallerFolders[] = {
    {kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders", "Folders"}};
inline constexpr ScanStartKey kTypeLibs[] = {{kClassesRoot, "TypeLib", "TypeLib"}};
inline constexpr std::string_view kComReasons[] = {kReasonEmptyClsidReference, kReasonMissingClsid,
                                                   kReasonMissingFile};
inline constexpr std::string_view kAssociationReasons[] = {kReasonMissingFile, kReasonEmptyKey,
                                                           kReasonMissingAssociation};
inline constexpr std::string_view kMissingFileReasons[] = {kReasonMissingFile};
inline constexpr std::string_view kSharedDllReasons[] = {kReasonMissingDll};
inline constexpr std::string_view kFileExtReasons[] = {kReasonInvalidProgramPath,
                                                       kReasonInvalidProgid, kReasonEmptyExtension};
inline constexpr std::string_view kInvalidFileReasons[] = {kReasonInvalidFile};
inline constexpr std::string_view kOrphanReasons[] = {kOrphanApprovalReason};
inline constexpr std::string_view kSoundReasons[] = {kReasonInvalidSound};
inline constexpr std::string_view kFontReasons[] = {kReasonInvalidFont};
inline constexpr std::string_view kHelpReasons[] = {kReasonInvalidHelpPath};
inline constexpr std::string_view kAppPathReasons[] = {kReasonInvalidAppPath};
inline constexpr std::string_view kDriverReasons[] = {kReasonInvalidDriver};
inline constexpr std::string_view kMuiCacheReasons[] = {kReasonInvalidMuiCache};
inline constexpr std::string_view kCompatibilityReasons[] = {kReasonInvalidCompatibility};
inline constexpr std::string_view kInstallerFolderReasons[] = {kReasonInvalidInstallerFolder};
inline constexpr std::string_view kTypeLibReasons[] = {kReasonInvalidTypeLib};
} // namespace scan_detail

inline constexpr std::array<ScanCategoryInfo, kScanCategoryCount> kScanCategories = {{
    {"CheckCLSID",
     "COM/CLSID",
     {},
     CheckComReferences,
     SkipClassesRootChild,
     nullptr,
     scan_detail::kComReasons},
    {"CheckFileAssociation",
     "File Associations",
     {},
     CheckFileAssociations,
     SkipClassesRootChild,
     nullptr,
     scan_detail::kAssociationReasons},
    {"CheckUserSoftwareSetting", "User Software Settings", scan_detail::kUserSoftware,
     CheckSoftwareFilePaths, nullptr, nullptr, scan_detail::kMissingFileReasons},
    {"CheckSystemSoftwareSetting", "System Software Settings", scan_detail::kSystemSoftware,
     CheckSoftwareFilePaths, SkipSystemSoftwareChild, nullptr, scan_detail::kMissingFileReasons},
    {"CheckSharedDlls", "Shared Dlls", scan_detail::kSharedDlls, CheckSharedDllCounts, nullptr,
     nullptr, scan_detail::kSharedDllReasons},
    {"CheckFileExtensions", "File Extensions", scan_detail::kFileExts, CheckFileExtensionLists,
     nullptr, nullptr, scan_detail::kFileExtReasons},
    {"CheckStartupSection", "Startup Section", scan_detail::kStartup, CheckStartupCommands, nullptr,
     CheckOrphanApprovals, scan_detail::kInvalidFileReasons, scan_detail::kOrphanReasons},
    {"CheckSoundAppEvents", "Sound/App Events", scan_detail::kSounds, CheckEventSounds, nullptr,
     nullptr, scan_detail::kSoundReasons},
    {"CheckUninstallSection", "Uninstall Section", scan_detail::kUninstall, CheckUninstallEntries,
     nullptr, nullptr, scan_detail::kInvalidFileReasons},
    {"CheckFontSection", "Fonts Section", scan_detail::kFonts, CheckFontFiles, nullptr, nullptr,
     scan_detail::kFontReasons},
    {"CheckHelpSection", "Help Section", scan_detail::kHelp, CheckHelpFiles, nullptr, nullptr,
     scan_detail::kHelpReasons},
    {"CheckAppPath", "Application Path", scan_detail::kAppPaths, CheckAppPathDefault, nullptr,
     nullptr, scan_detail::kAppPathReasons},
    {"CheckSystemDrivers", "System Drivers", scan_detail::kDrivers, CheckDriverFiles, nullptr,
     nullptr, scan_detail::kDriverReasons},
    {"CheckMuiCache", "MUI Cache", scan_detail::kMuiCache, CheckMuiCacheNames, nullptr, nullptr,
     scan_detail::kMuiCacheReasons},
    {"CheckCompatibilityStore", "Program Compatibility Store", scan_detail::kCompatibilityStore,
     CheckCompatibilityStore, nullptr, nullptr, scan_detail::kCompatibilityReasons},
    {"CheckInstallerFolders", "Windows Installer Folders", scan_detail::kInstallerFolders,
     CheckInstallerFolders, nullptr, nullptr, scan_detail::kInstallerFolderReasons},
    // Off until asked for: a type library's registration is the one entry here that other
    // programs load by its id alone, so its removal is chosen, never given.
    {"CheckTypeLibraries",
     "Type Libraries",
     scan_detail::kTypeLibs,
     CheckTypeLibFiles,
     SkipTypeLibChild,
     nullptr,
     scan_detail::kTypeLibReasons,
     {},
     false},
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
