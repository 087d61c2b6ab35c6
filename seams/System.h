#pragma once
// The file-system and shell seam: what the core needs of the platform besides the registry.
// Text in and out is UTF-8 (seams/Unicode.h); paths may be of any length.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "seams/Status.h"

namespace zt {

// `folder`, a backslash unless it is empty or ends with one, then `name`.
inline std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && path.back() != '\\') path += '\\';
    path += name;
    return path;
}

// File attribute bits, as the platform numbers them.
inline constexpr std::uint32_t kAttrReadOnly = 0x1;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrArchive = 0x20;
inline constexpr std::uint32_t kAttrNormal = 0x80;
inline constexpr std::uint32_t kAttrReparsePoint = 0x400;

struct DirEntry {
    std::string name; // file name only, never "." or ".."
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
    std::int64_t lastWriteTime = 0; // seconds since 1 January 1970 UTC
    bool IsDirectory() const { return (attributes & kAttrDirectory) != 0; }
    bool IsReparsePoint() const { return (attributes & kAttrReparsePoint) != 0; }
};

enum class KnownFolder {
    AppData,         // FOLDERID_RoamingAppData, created when missing
    Cookies,         // FOLDERID_Cookies
    InternetCache,   // FOLDERID_InternetCache
    Fonts,           // FOLDERID_Fonts
    Startup,         // FOLDERID_Startup
    CommonStartup,   // FOLDERID_CommonStartup
    ProgramFiles,    // FOLDERID_ProgramFiles
    ProgramFilesX86, // FOLDERID_ProgramFilesX86
    SystemX86,       // FOLDERID_SystemX86
    ProgramData,     // FOLDERID_ProgramData
    Profile,         // FOLDERID_Profile
    Profiles,        // the folder holding every user's profile
    Desktop,         // FOLDERID_Desktop
    Documents,       // FOLDERID_Documents
    Pictures,        // FOLDERID_Pictures
    Music,           // FOLDERID_Music
    Videos,          // FOLDERID_Videos
    Downloads,       // FOLDERID_Downloads
    LocalAppData,    // FOLDERID_LocalAppData
};

// What sits behind a drive letter, as the platform classifies it.
enum class DriveKind {
    Absent,    // no such drive now
    Fixed,     // a local hard disk
    Removable, // a USB stick, a memory card, a floppy
    Optical,   // a CD, DVD or Blu-ray drive
    Network,   // a mapped network share
    RamDisk,
    Unknown, // a letter the platform cannot classify
};

// What opening an entry itself (see System::OpenEntry) found.
struct EntryFacts {
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
    std::int64_t lastWriteTime = 0; // seconds since 1 January 1970 UTC
    // The platform followed a link it cannot open as itself: the handle is on the target.
    bool elsewhere = false;
    // The open failed because the entry is no longer there.
    bool gone = false;
    // The open was refused for want of rights.
    bool denied = false;
    // Another program holds the entry open without sharing it.
    bool inUse = false;
};

// What System::CheckEntry found of an entry.
enum class EntryCheck {
    Itself,       // opened as itself
    LinkFollowed, // a link the platform follows: opening it reaches what it points to
    NotOpened,    // gone, in use or refused
};

// An entry opened by OpenEntry; 0 is none.
using EntryHandle = std::uintptr_t;
inline constexpr EntryHandle kNoEntry = 0;

struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, milliseconds = 0;
    int dayOfWeek = 0;
};

struct UrlCacheEntry {
    std::string sourceUrl;
    std::string localFile;
};

struct RecycleBinInfo {
    std::uint64_t bytes = 0;
    std::uint64_t items = 0;
};

// Window show states for ShellExecute, as the platform numbers them.
inline constexpr int kShowHide = 0;
inline constexpr int kShowNormal = 1;

// A window of the platform, as an opaque number; 0 is none.
using WindowRef = std::uintptr_t;

// An output file opened by CreateOutFile; 0 is none.
using OutFileHandle = std::uintptr_t;
inline constexpr OutFileHandle kNoOutFile = 0;

struct ShellResult {
    bool started = false;       // the platform reported success
    std::uint32_t exitCode = 0; // only when waited for and a process was started
    bool waited = false;        // a process was started and has ended
    bool timedOut = false;      // a process was started and had not ended in time; left running
    bool declined = false;      // the user refused the administrator's consent; nothing started
    bool stopped = false;       // a stop ended the wait; the process was ended where it could be
};

class System {
  public:
    virtual ~System() = default;

    // Attributes of a file or folder, or none when it does not exist.
    virtual std::optional<std::uint32_t> GetAttributes(std::string_view path) = 0;
    bool Exists(std::string_view path) { return GetAttributes(path).has_value(); }
    bool IsDirectory(std::string_view path) {
        auto a = GetAttributes(path);
        return a && (*a & kAttrDirectory);
    }

    // The platform's program search (system search order, no extra folder); `extension`
    // empty means no default extension. The full path found, or none.
    virtual std::optional<std::string> SearchProgramPath(std::string_view name,
                                                         std::string_view extension) = 0;

    virtual std::optional<std::string> GetEnvVar(std::string_view name) = 0;
    // Expands %VAR% references; none when the platform's expansion fails.
    virtual std::optional<std::string> ExpandEnv(std::string_view text) = 0;
    // Lower-cases every letter of the UTF-8 text as the platform does, not only A-Z.
    virtual std::string LowerText(std::string_view text) = 0;
    // Text in the system's ANSI code page ("language for non-Unicode programs"), as UTF-8:
    // how files written by older programs are read.
    virtual std::string FromAnsiCodePage(std::string_view bytes) = 0;

    // Calls `visit` for each entry of folder `path` (no "." or ".."); `visit` returns false
    // to stop. False when the folder cannot be listed.
    virtual bool EnumDirectory(std::string_view path,
                               const std::function<bool(const DirEntry&)>& visit) = 0;
    virtual Status RemoveFile(std::string_view path) = 0;
    virtual Status RemoveFolder(std::string_view path) = 0;
    virtual Status MakeFolder(std::string_view path) = 0;

    // Opens a file or folder itself, not what a link in its place points to, for checking
    // and deleting through the same handle. kNoEntry when it cannot be opened (in use, no
    // rights, gone: see `facts.gone`).
    virtual EntryHandle OpenEntry(std::string_view path, EntryFacts& facts) = 0;
    // Marks the opened entry for deletion, which takes effect when it is closed; a folder
    // must be empty by then.
    virtual Status RemoveOpenedEntry(EntryHandle entry) = 0;
    virtual void CloseEntry(EntryHandle entry) = 0;
    // Whether the entry opens as itself, for counting without deleting: OpenEntry's
    // `elsewhere` without the facts, which cost a platform that follows links.
    virtual EntryCheck CheckEntry(std::string_view path);
    // Whether directory listings mark a link to a file as a reparse point. Where they do not,
    // only opening it (OpenEntry, CheckEntry) tells such a link from a plain file.
    virtual bool ListingShowsFileLinks() = 0;
    // The current time, seconds since 1 January 1970 UTC.
    virtual std::int64_t CurrentTime() = 0;
    // The path a file or folder really resolves to (links followed), or none.
    virtual std::optional<std::string> FinalPath(std::string_view path) = 0;

    virtual std::optional<std::string> GetKnownFolder(KnownFolder folder) = 0;
    virtual std::string GetTempFolder() = 0; // with trailing backslash, as the platform gives it
    virtual std::string SystemFolder() = 0;
    virtual std::string WindowsFolder() = 0;
    virtual std::uint32_t LogicalDriveMask() = 0;
    // What the drive of `letter` (A-Z, either case) is now.
    virtual DriveKind GetDriveKind(char letter) = 0;
    // Full path of the running program.
    virtual std::string GetModulePath() = 0;
    // True when the program runs with administrator rights, or the platform sets no such limit.
    virtual bool IsElevated() = 0;

    virtual std::optional<RecycleBinInfo> QueryRecycleBin(std::string_view rootPath) = 0;
    // Empties every bin without the system's confirmation. With an owner window the system
    // may show its progress and play its sound; without one it shows and plays nothing.
    [[nodiscard]] virtual bool EmptyRecycleBin(WindowRef owner) = 0;

    // Walks the URL cache; `visit` returns false to stop. True when the walk ended because
    // there were no more entries.
    virtual bool WalkUrlCache(const std::function<bool(const UrlCacheEntry&)>& visit) = 0;
    [[nodiscard]] virtual bool DeleteUrlEntry(std::string_view sourceUrl) = 0;

    // Shell execution of `verb` on `file`. With `wait`, waits for the started process.
    virtual ShellResult Execute(std::string_view verb, std::string_view file,
                                std::string_view parameters, int show, bool wait) = 0;
    // Target path of a shortcut file through the shell link object, or none.
    virtual std::optional<std::string> ResolveShortcut(std::string_view linkPath) = 0;

    virtual LocalTime GetLocalTime() = 0;

    // Output files, unbuffered: each write is handed to the operating system before it
    // returns. Creating truncates an existing file and does not share it.
    virtual OutFileHandle CreateOutFile(std::string_view path) = 0;
    // False unless every byte was written.
    [[nodiscard]] virtual bool WriteOutFile(OutFileHandle file, const void* data,
                                            std::size_t size) = 0;
    // Cuts the file back to its first `size` bytes (what a failed write left half done).
    [[nodiscard]] virtual bool TruncateOutFile(OutFileHandle file, std::uint64_t size) = 0;
    [[nodiscard]] virtual bool CloseOutFile(OutFileHandle file) = 0;
    // Description of the last output-file failure on this thread.
    virtual std::string LastFileError() = 0;

    // As Execute with waiting, but for at most `timeoutMs`: a process still running then is
    // left running and reported as timedOut.
    virtual ShellResult ExecuteAndWait(std::string_view verb, std::string_view file,
                                       std::string_view parameters, int show,
                                       std::uint32_t timeoutMs) = 0;
    // The whole content of a file, read while others may read it too; none when it cannot
    // be opened (missing, a folder, locked) or read.
    virtual std::optional<std::string> ReadWholeFile(std::string_view path) = 0;

    // Starts `file` with administrator rights ("runas": the system asks for consent first),
    // hidden, and waits for it to end. A set `stop` ends the wait and the program with it.
    virtual ShellResult RunElevated(std::string_view file, std::string_view parameters,
                                    const std::atomic<bool>* stop) = 0;
    // The security identifier of the account the program runs as ("S-1-5-21-..."), or empty.
    virtual std::string CurrentUserSid() = 0;
    // The image names of the running processes ("msedge.exe"), as the system lists them.
    virtual std::vector<std::string> RunningImageNames() = 0;
    // True when another program holds the existing file open without sharing it for writing
    // (a lock file of a running program).
    virtual bool IsFileHeldOpen(std::string_view path) = 0;
    // Free bytes of the drive or share at `root` ("C:\\"), as the caller could use them; none
    // when the system does not answer.
    virtual std::optional<std::uint64_t> DriveFreeBytes(std::string_view root) = 0;
};

// Closes an entry opened by OpenEntry when it goes.
class OpenedEntry {
  public:
    OpenedEntry(System& sys, std::string_view path) : sys_(sys), h_(sys.OpenEntry(path, facts)) {}
    ~OpenedEntry() {
        if (h_ != kNoEntry) sys_.CloseEntry(h_);
    }
    OpenedEntry(const OpenedEntry&) = delete;
    OpenedEntry& operator=(const OpenedEntry&) = delete;
    explicit operator bool() const { return h_ != kNoEntry; }
    Status Remove() {
        return h_ != kNoEntry ? sys_.RemoveOpenedEntry(h_) : Status::From(StatusCode::NotFound);
    }
    EntryFacts facts;

  private:
    System& sys_;
    EntryHandle h_;
};

inline EntryCheck System::CheckEntry(std::string_view path) {
    OpenedEntry e(*this, path);
    if (!e) return EntryCheck::NotOpened;
    return e.facts.elsewhere ? EntryCheck::LinkFollowed : EntryCheck::Itself;
}

} // namespace zt
