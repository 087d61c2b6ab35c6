#pragma once
// Where backup files live, how they are named, how they are listed and replayed.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "seams/System.h"
#include "seams/UserPrompt.h"

namespace zt {

// The application-data folder (else the Windows folder), then "Morvane", then "Zentrove";
// creates both levels when missing. No trailing backslash.
std::string GetBackupFolder(System& sys);
// The same folder, without creating anything.
std::string BackupFolderPath(System& sys);

// Full path of a new backup file named after the local time to the millisecond
// (YYYYMMDDhhmmssmmm.reg). When that name is taken, the next free one of
// YYYYMMDDhhmmssmmm_001.reg, _002, ... so names still sort by time. The file is not created.
std::string MakeBackupFileName(System& sys);

// One backup file as the backup page and the console list it.
struct CBackupItem {
    std::string path;
    std::int64_t time = 0; // last write, seconds since 1 January 1970 UTC
};

// Every file of the backup folder whose name ends in ".reg" (any letter case), newest
// first. The page numbers them from the bottom: item i carries number size() - i.
std::vector<CBackupItem> ListBackups(System& sys);

// The backup page's time text ("%A,%B %d,%Y - %H:%M:%S %p" in local time, C locale), or
// empty when the time cannot be converted.
std::string FormatBackupTime(std::int64_t time);

inline constexpr std::string_view kNoEditorMessage =
    "Can not restore because not find the REGEDIT.EXE!";
inline constexpr std::string_view kEditorFailedMessage =
    "Can not restore because the registry editor could not be started!";

enum class RestoreResult {
    Restored,    // the editor ran to its end on the file
    NotABackup,  // the path does not end in ".reg"; nothing shown
    NoEditor,    // neither editor found; kNoEditorMessage shown
    StartFailed, // the editor did not start or could not be waited for; kEditorFailedMessage shown
};

// Replays the file silently through the registry editor (REGEDIT.EXE, else REGEDT32.EXE)
// and waits until the editor has ended, so the caller may delete the file afterwards. The
// file itself is left in place.
RestoreResult RestoreBackupFile(System& sys, UserPrompt& prompt, const std::string& path);

} // namespace zt
