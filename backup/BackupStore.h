#pragma once
// Where backup files live, how they are named, how they are listed and replayed.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "backup/RegFileReader.h"
#include "seams/Registry.h"
#include "seams/System.h"

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
// The same in `folder`, which must exist.
std::string MakeBackupFileName(System& sys, std::string_view folder);

// One backup file as the backup page and the console list it.
struct CBackupItem {
    std::string path;
    std::int64_t time = 0; // last write, seconds since 1 January 1970 UTC
};

// Every file of the backup folder whose name ends in ".reg" or ".task" (a scheduled task's
// XML; any letter case), newest first. The page numbers them from the bottom: item i carries number
// size() - i.
std::vector<CBackupItem> ListBackups(System& sys);

// The backup page's time text ("%A,%B %d,%Y - %H:%M:%S %p" in local time, C locale), or
// empty when the time cannot be converted.
std::string FormatBackupTime(std::int64_t time);

inline constexpr std::string_view kNoEditorMessage =
    "Can not restore because not find the REGEDIT.EXE!";
inline constexpr std::string_view kEditorFailedMessage =
    "Can not restore because the registry editor could not be started!";
inline constexpr std::string_view kRestoredMessage = "The item is restored successfully!";
// How long a restore waits for the registry editor before it reports and leaves it running.
inline constexpr std::uint32_t kEditorTimeoutMs = 60000;

enum class RestoreResult {
    Restored, // every entry of the file reads back as the file has it
    // As Restored, from an 8-bit file of an earlier version holding letters outside ASCII: read
    // in this system's code page, which may not be the one it was written in. The file stays.
    RestoredInCodePage,
    Partial,     // the editor ran, but some entries do not read back
    NotABackup,  // the path does not end in ".reg"
    Unreadable,  // the file vanished, is locked or is a folder
    Damaged,     // the file does not parse (errorLine); nothing replayed
    NoEntries,   // a header alone; nothing replayed
    NoEditor,    // neither editor found
    StartFailed, // the editor did not start
    TimedOut,    // the editor had not ended in time; left running
};

struct RestoreReport {
    RestoreResult result = RestoreResult::NotABackup;
    int errorLine = 0;
    std::string reason;               // why a damaged file does not parse
    int keys = 0;                     // distinct keys the file names
    int values = 0;                   // distinct values the file names
    int verified = 0;                 // entries that read back as the file has them
    bool codePageText = false;        // an 8-bit file holding letters outside ASCII
    std::vector<RegFileEntry> failed; // entries that do not, in file order
    std::string note;                 // why a part was not replayed, when one was not
};

// Which keys of a backup file a restore replays: all of them, those of the running account's
// own hive, or the rest (the machine's and other accounts': administrator rights).
enum class RestorePart { All, User, Machine };
// Whether a key is in the hive of the account `sid`: HKCU, HKU\<sid> or HKU\<sid>_Classes.
bool InAccountsHive(RootKey root, std::string_view subkey, std::string_view sid);

// Reads and parses the file, replays it silently through the registry editor
// (REGEDIT.EXE, else REGEDT32.EXE), waits at most `timeoutMs` for it, then reads back every
// key and value the file names. Shows nothing and never removes the file: only a Restored
// report lets the caller remove it. Safe to run off the window thread.
// With a part, only that part's key blocks are replayed (from a copy in the temporary folder)
// and read back; a file holding none of them reports NoEntries.
[[nodiscard]] RestoreReport RestoreBackupFile(Registry& reg, System& sys, const std::string& path,
                                              std::uint32_t timeoutMs = kEditorTimeoutMs,
                                              RestorePart part = RestorePart::All);

// What the user is told about a restore (empty for NotABackup). A partial restore names how
// many entries of how many failed and the first ten of them.
std::string RestoreMessage(const RestoreReport& report);

// What restoring the file would change, entry by entry, without writing anything; the
// entries carry their state now. Damaged, unreadable and header-only files as in
// RestoreBackupFile.
RestoreReport PreviewRestore(Registry& reg, System& sys, const std::string& path,
                             std::vector<RegFileEntry>& entries);

} // namespace zt
