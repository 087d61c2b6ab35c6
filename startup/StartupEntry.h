#pragma once
// One row of the startup manager's list and the sink that receives the rows.
#include <cstdint>
#include <string>
#include <string_view>

#include "seams/FileSignatures.h"

namespace zt {

// Stored as the row's item data; the numbers are fixed.
enum class StartupEntryKind : std::int32_t {
    RegistryValue = 0,     // a value in a startup key: key = location, value = name
    StartupFolderFile = 1, // a file in a startup folder
    WinlogonUserinit = 2,  // extra programs in Winlogon "Userinit"
    WinlogonShell = 3,     // extra programs in Winlogon "Shell"
    ScheduledTask = 4,     // a task of the task scheduler: name = its path
    Service = 5,           // a service: name = its service name
    Driver = 6,            // a driver: name = its service name
    PackagedTask = 7,      // a packaged app's startup task: name = "family\task id"
};

// "RegistryValue", "StartupFolderFile", ...; "Unknown" for any other number.
std::string_view StartupEntryKindName(StartupEntryKind kind);
// What the console calls the kind: "run", "folder", "task", "service", "driver", "package".
std::string_view StartupKindWord(StartupEntryKind kind);

struct StartupEntry {
    int number = 0;       // "No." column: row count + 1 when appended, never renumbered
    std::string name;     // "Startup Item": value name, "load"/"run", "Userinit"/"Shell", file name
    std::string command;  // "Command"
    std::string location; // "Location": "HKLM\..."/"HKCU\...", "Common Startup" or "Startup"
    StartupEntryKind kind = StartupEntryKind::RegistryValue;
    bool disabled = false;      // "Status": its approval value says disabled
    std::string displayName;    // a service's or package's name for people; may be empty
    std::string detail;         // a task's triggers or a service's start type, in words
    std::string state;          // a state beyond Enabled/Disabled ("Disabled by user")
    bool fileMissing = false;   // the program it starts is not there
    FileSignature signature;    // who made the program it starts, when the listing read it
    bool partOfWindows = false; // ships with Windows: hidden while such entries are
};

// "Enabled", "Disabled" or the entry's own state, then " (File not found)" when the program
// is missing.
std::string StartupStatusText(const StartupEntry& entry);

// The row's stable id, the same in every listing on every machine while the entry exists: 16
// hex digits of the hash of its location (the physical key, Wow6432Node for the 32-bit view,
// or the folder's location text), its name and its kind; location and name folded as the
// registry compares names (FoldName).
std::string StartupEntryId(const StartupEntry& entry);

// Receives the rows of one enumeration: the page's list and the console tool implement it.
class StartupEntrySink {
  public:
    virtual ~StartupEntrySink() = default;
    // Every enumeration starts from an empty list.
    virtual void ClearStartupRows() = 0;
    // Appended at the end, in order.
    virtual void AddStartupRow(const StartupEntry& entry) = 0;
};

} // namespace zt
