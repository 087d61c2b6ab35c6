#pragma once
// The area rules, one function per scan area, named after what it checks. The engine runs an
// area's rule at every key of its walk; the area table (ScanCategories.h) names them.
#include <string_view>

#include "scan/KeyScan.h"

namespace zt {

// The reasons the rules report, as the "Reason" column shows them (odd spelling included).
inline constexpr std::string_view kReasonEmptyClsidReference = "Missing CLSID: Empty Reference";
inline constexpr std::string_view kReasonMissingClsid = "Missing CLSID";
inline constexpr std::string_view kReasonMissingFile = "Missing File";
inline constexpr std::string_view kReasonEmptyKey = "Empty Key";
inline constexpr std::string_view kReasonMissingAssociation = "Missing File Assosication";
inline constexpr std::string_view kReasonMissingDll = "Missing DLL Entry";
inline constexpr std::string_view kReasonInvalidProgramPath = "Invalid Program path";
inline constexpr std::string_view kReasonInvalidProgid = "Invalid Progid";
inline constexpr std::string_view kReasonEmptyExtension = "NO SUBKEY/VALUE WITH THIS KEY";
inline constexpr std::string_view kReasonInvalidFile = "Invalid File";
inline constexpr std::string_view kReasonInvalidSound = "Invalid Sound";
inline constexpr std::string_view kReasonInvalidFont = "Invalid Font File";
inline constexpr std::string_view kReasonInvalidHelpPath = "Invalid Path";
inline constexpr std::string_view kReasonInvalidAppPath = "Invalid App Path";
inline constexpr std::string_view kReasonInvalidDriver = "Invalid System Driver";
inline constexpr std::string_view kReasonInvalidMuiCache = "Invalid MUI Cache Entry";
inline constexpr std::string_view kReasonInvalidCompatibility = "Invalid Compatibility Entry";
inline constexpr std::string_view kReasonInvalidInstallerFolder = "Invalid Installer Folder";
inline constexpr std::string_view kReasonInvalidTypeLib = "Invalid Type Library";

// What a MUI cache value name ends with after the program's path; other names are not judged.
inline constexpr std::string_view kMuiCacheSuffixes[] = {".FriendlyAppName", ".ApplicationCompany"};

// A rule at one key of its area's walk.
using KeyRule = void (*)(KeyScan& key);
// True when the walk passes over `child` of the key `parent`.
using ChildFilter = bool (*)(const KeyScan& parent, std::string_view child);
// A rule run once after the area's walks.
using AreaRule = void (*)(AreaScan& area);

// --- The classes-root walk (both run at every key below HKEY_CLASSES_ROOT) ---
// "Missing CLSID" references and "Missing File" in-process servers.
void CheckComReferences(KeyScan& key);
// Shell "command" keys naming a missing file, and extensions whose class key is gone.
void CheckFileAssociations(KeyScan& key);
// TypeLib (an area of its own), AppID and Wow6432Node are never walked here; Interface and
// CLSID only for COM/CLSID.
bool SkipClassesRootChild(const KeyScan& parent, std::string_view child);

// --- Walks from start keys ---
// String values below Software that look like file paths to missing files.
void CheckSoftwareFilePaths(KeyScan& key);
// Classes, the 32-bit Classes and the installer's UserData stay out of the system walk.
bool SkipSystemSoftwareChild(const KeyScan& parent, std::string_view child);
// SharedDlls counts of missing DLLs.
void CheckSharedDllCounts(KeyScan& key);
// Explorer's per-extension lists: missing programs, unknown ProgIDs, empty extension keys.
void CheckFileExtensionLists(KeyScan& key);
// Run-key commands whose file is gone.
void CheckStartupCommands(KeyScan& key);
// After the startup walks: StartupApproved switches whose entry is gone
// (scan/OrphanApprovals.h).
void CheckOrphanApprovals(AreaScan& area);
// Sound events playing a missing file.
void CheckEventSounds(KeyScan& key);
// Uninstall entries whose icon or uninstaller is gone.
void CheckUninstallEntries(KeyScan& key);
// Font entries whose file is in neither the named place nor the fonts folder.
void CheckFontFiles(KeyScan& key);
// Help file entries whose folder does not hold the file.
void CheckHelpFiles(KeyScan& key);
// The default value of an App Paths key naming a missing program.
void CheckAppPathDefault(KeyScan& key);
// Drivers32 entries naming a driver that is not found.
void CheckDriverFiles(KeyScan& key);
// MUI cache values ("<program>.FriendlyAppName") whose program is gone.
void CheckMuiCacheNames(KeyScan& key);
// Compatibility Assistant store values named after a program that is gone.
void CheckCompatibilityStore(KeyScan& key);
// Installer folder references to a missing folder that no installed component lies in.
void CheckInstallerFolders(KeyScan& key);
// Type library versions whose every win32 and win64 file is gone.
void CheckTypeLibFiles(KeyScan& key);
// Below a type library version only its own subkeys are read, never walked.
bool SkipTypeLibChild(const KeyScan& parent, std::string_view child);

} // namespace zt
