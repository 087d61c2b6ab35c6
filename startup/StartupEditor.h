#pragma once
// Deleting the ticked startup entries (with a backup of the registry ones) and adding a
// program to the machine's Run key.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "backup/RegFileWriter.h"
#include "seams/Registry.h"
#include "seams/StartupSources.h"
#include "seams/System.h"
#include "seams/UserPrompt.h"
#include "startup/StartupEntry.h"

namespace zt {

// The list that deletion works on: the page's list control, or the console tool's rows.
class StartupRowModel {
  public:
    virtual ~StartupRowModel() = default;
    virtual int RowCount() const = 0;
    virtual bool IsRowTicked(int index) const = 0;
    // The row's number, name (column 1), location (column 3) and kind (item data).
    virtual StartupEntry RowEntry(int index) const = 0;
    virtual void RemoveRow(int index) = 0;
    // A row whose deletion failed stays, unticked.
    virtual void UntickRow(int /*index*/) {}
};

// Texts shown by deletion, exactly as the user sees them.
inline constexpr std::string_view kNoItemsSelected = "No items selected!";
inline constexpr std::string_view kCannotDeleteFile =
    "Can not delete \"%s\", maybe it is being used or do not exist";
inline constexpr std::string_view kDeletionDone = "Done!";
inline constexpr std::string_view kNotBackedUpNote =
    "These entries were not deleted, because they could not be saved in the backup:";
inline constexpr std::string_view kFolderUnknownNote =
    "These files were left alone, because their startup folder could not be found:";
inline constexpr std::string_view kRefusedNote = "These entries cannot be deleted:";

struct StartupDeletionOutcome {
    bool nothingSelected = false;
    bool cancelled = false;
    std::string backupFile; // empty when no backup was begun
    int rowsRemoved = 0;
    // "location\name" of registry entries kept because their export failed; their rows stay.
    std::vector<std::string> notBackedUp;
    // Startup-folder rows removed without touching a file: the folder is gone.
    std::vector<std::string> folderUnknown;
    // Full paths of startup-folder files whose deletion failed.
    std::vector<std::string> filesNotDeleted;
    // Entries whose deletion or reset failed ("location\name" or the file's path) and why;
    // their rows stay, unticked. Also the approval value of an entry that went, when it stayed.
    struct NotDeleted {
        std::string entry;
        Status status;
    };
    std::vector<NotDeleted> notDeleted;
    // Rows no deletion applies to (services, drivers, packaged tasks), with the reason.
    std::vector<std::string> refused;
    // The backup file of each task deleted.
    std::vector<std::string> taskBackups;
};

// Deletes the ticked rows as the Delete button does: confirms through `prompt`, backs up
// registry values through `writer` into a new backup file when the list holds any registry
// row, removes handled rows from `rows`, calls `refreshBackupList` once a backup file was
// closed, and reports "Done!" (with a note of what stayed). A FileError of the writer ends
// the run and propagates after the file is closed. Tasks go through `sources`, their XML
// saved first; services and packaged tasks are refused. The backup file goes into
// `backupFolder` when given (a helper working for another account), else the user's folder.
[[nodiscard]] StartupDeletionOutcome
DeleteSelectedEntries(Registry& reg, System& sys, CRegFileWriter& writer, StartupRowModel& rows,
                      UserPrompt& prompt, const std::function<void()>& refreshBackupList,
                      StartupSources* sources = nullptr, std::string_view backupFolder = {});

// The value name for a command line: the program's file name after the last backslash, up
// to the first blank after it, without a lower-case ".exe"; the whole command when that
// leaves nothing.
std::string DeriveValueName(std::string_view command);

// Text without white space at its ends.
std::string TrimCommandLine(std::string_view commandLine);

struct StartupAddition {
    std::string valueName;
    std::string command; // as written
    bool written = false;
    RootKey root = kLocalMachine; // the Run key it went to
    Status status;                // why the machine's and the user's Run keys both failed
    std::string refusal;          // why the command was refused; nothing was written then
    bool declined = false;        // an entry of that name was there and the user kept it
    std::string replaced;         // the command the replaced entry held
    std::string backupFile;       // where the replaced entry was saved
};

// Why a command line cannot start anything (empty, or its program is not a file after its
// variables are expanded and its quotes removed); empty when it can.
std::string AdditionRefusal(std::string_view commandLine, System& sys);

// "An entry named X already starts: OLD. Replace it?"
std::string ReplaceQuestion(std::string_view name, std::string_view oldCommand);

// Adds the trimmed command line as a REG_SZ value named by DeriveValueName. A refused command
// writes nothing. An entry of that name in the machine's or the user's Run key is shown
// through `prompt` and replaced there only after Yes, its old value saved by `writer` into a
// new backup file first (`refreshBackupList` is called once that file is closed). Otherwise
// the value goes to HKLM's Run key, or to HKCU's when the user may not write there. A
// FileError of the writer propagates, with nothing written. The caller enumerates afterwards.
[[nodiscard]] StartupAddition AddStartupItem(Registry& reg, System& sys, CRegFileWriter& writer,
                                             UserPrompt& prompt, std::string_view commandLine,
                                             const std::function<void()>& refreshBackupList = {});

inline constexpr std::string_view kAddedForUserOnly =
    "The program was added to your own startup list (HKCU): adding it for every user needs "
    "administrator rights.";
// "\"name\" could not be added to the startup list: administrator rights are needed."
std::string AdditionFailedText(const StartupAddition& added);

} // namespace zt
