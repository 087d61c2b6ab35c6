#pragma once
// The five places the disk cleaner can empty: where each is, how its size is written and
// which folders it must never touch.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "diskclean/FolderWalk.h"
#include "seams/Registry.h"
#include "seams/System.h"

namespace zt {

// In measuring order.
enum class JunkItem { RecycleBin, Cookies, UserTemp, SystemTemp, InternetCache };
inline constexpr std::size_t kJunkItemCount = 5;
inline constexpr std::array<JunkItem, kJunkItemCount> kJunkMeasuringOrder = {
    JunkItem::RecycleBin, JunkItem::Cookies, JunkItem::UserTemp, JunkItem::SystemTemp,
    JunkItem::InternetCache};

// Files changed within this many hours are kept unless told otherwise, in every place.
inline constexpr int kJunkDefaultMinAgeHours = 24;

struct JunkOptions {
    int minAgeHours = kJunkDefaultMinAgeHours; // 0 removes files of any age
};

// How a place is walked: index files of cookies kept, their subfolders too, and young files
// kept. `measuring` keeps the index files of the internet cache out
// of its size, which its cleaning does not spare.
JunkWalkRules JunkRulesFor(JunkItem item, const JunkOptions& options, std::int64_t now,
                           bool measuring);

// Folder paths are held in buffers of this many characters (UTF-16 units, as the platform
// counts them), so a folder path has at most 519; what lies below it may be longer.
inline constexpr std::size_t kJunkPathBufferChars = 520;

// The check box's template text, shown until a size is known ("Clean the cookies").
std::string_view JunkTemplateText(JunkItem item);
// The check box's text once measured: "Clean the cookies (1.50 KB)", with `keptNote` after
// the size.
std::string JunkCaption(JunkItem item, std::uint64_t bytes, std::string_view keptNote = {});
// What the age rule kept out of a size: "; 212 files kept: changed in the last 24 hours", or
// empty when it kept nothing.
std::string JunkKeptText(std::uint64_t youngKept, const JunkOptions& options);
// Short machine name, also the console tool's option without "--" ("recycle-bin", "cookies",
// "user-temp", "system-temp", "internet-cache").
std::string_view JunkPlaceName(JunkItem item);
// Whether index files ("index.dat", "desktop.ini") of the place are kept and not counted.
bool JunkKeepsIndexFiles(JunkItem item);

// The short size text: "1023 B", "1.50 KB" ... "too big! (more than 1024 TB)".
std::string FormatSize(std::uint64_t bytes);

// Removes one trailing backslash, if present.
void RemoveTrailingBackslash(std::string& path);

// The machine-wide temporary folder from HKLM's environment key ("TEMP", else "TMP"),
// expanded when it is REG_EXPAND_SZ; none when the key does not open, the value is missing
// or of another type, or the text does not fit the 520-character buffer (a cut path would
// name another folder).
std::optional<std::string> GetSystemTempFolder(Registry& reg, System& sys);

// Folders that no junk place may be or contain: a misset TEMP must never turn cleaning into
// wiping a profile, a program or the system.
class ProtectedFolders {
  public:
    // Drive roots; the Windows, system and 32-bit system folders; both Program Files folders;
    // ProgramData; the folder of the user profiles and every profile in it; the user's
    // Desktop, Documents, Pictures, Music, Videos and Downloads; the program's own folder and
    // the backup folder.
    static ProtectedFolders Gather(Registry& reg, System& sys);
    // Adds one, compared by its real path; empty paths are ignored.
    void Add(System& sys, std::string_view path, std::string what);
    // Why the folder at real path `real` is refused ("is a user's profile folder", "holds the
    // Windows folder (C:\Windows)"), or empty when it is not.
    std::string Refusal(std::string_view real) const;

  private:
    struct Entry {
        std::string path;
        std::string what;
    };
    std::vector<Entry> folders_;
};

enum class JunkFolderState { Ok, Unknown, Unusable, Protected };

// Where a place's folder is, or why it cannot be cleaned.
struct JunkFolder {
    JunkFolderState state = JunkFolderState::Unknown;
    std::string reported; // as the system gives it, without trailing backslash
    std::string real;     // the folder to walk (links and short names resolved); Ok only
    std::string reason;   // for the user when not Ok: "C:\Users is a user's profile folder"
    bool ok() const { return state == JunkFolderState::Ok; }
};

JunkFolder LocateJunkFolder(Registry& reg, System& sys, JunkItem item,
                            const ProtectedFolders& guarded);
// The same rules for a folder as reported (none: not reported).
JunkFolder CheckJunkFolder(System& sys, std::optional<std::string> folder,
                           const ProtectedFolders& guarded);

// The folder of a place, without trailing backslash, or none when the system does not report
// one or it is not a folder the cleaner may touch. None for the Recycle Bin.
std::optional<std::string> GetJunkFolder(Registry& reg, System& sys, JunkItem item);

// False for a folder the cleaner must not touch: empty, relative, missing, a drive or share
// root, or a protected folder or one holding it.
bool IsJunkFolderAcceptable(Registry& reg, System& sys, std::string_view folder);

// The place's name inside a sentence: "the user temporary folder".
std::string JunkPlaceTitle(JunkItem item);
// The check box text of a place that cannot be cleaned: "Clean the cookies (not available)".
std::string JunkUnavailableCaption(JunkItem item, JunkFolderState state);

// The sum of every drive's Recycle Bin in the logical drive mask; failed queries add nothing.
std::uint64_t GetRecycleBinTotal(System& sys);

} // namespace zt
