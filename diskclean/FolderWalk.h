#pragma once
// Walking a junk folder to measure or empty it. The walk never leaves the folder it was
// given: every entry is opened as itself (a link is never followed) and what is counted or
// deleted is what that handle shows. A link is removed as a link where the platform can do
// so; where opening it reaches its target instead, it is left alone and not counted.
#include <atomic>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "seams/System.h"

namespace zt {

struct JunkWalkRules {
    bool keepIndexFiles = false;  // "index.dat" and "desktop.ini" stay and are not counted
    bool removeSubfolders = true; // subfolders that become empty go too
    // Files changed at or after this time (seconds since 1970) stay and are not counted.
    std::int64_t keepChangedSince = std::numeric_limits<std::int64_t>::max();
    // Only files whose names match one of these (NameMatches); empty: every file.
    std::vector<std::string> namePatterns;
    bool filesOnly = false; // subfolders are neither walked nor removed
};

// What a walk counted or did.
struct JunkTally {
    std::uint64_t bytes = 0;       // counted, or removed
    std::uint64_t files = 0;       // counted, or removed
    std::uint64_t filesLeft = 0;   // could not be deleted (in use, read-only, no rights)
    std::uint64_t filesDenied = 0; // of filesLeft, refused for want of rights
    std::uint64_t filesInUse = 0;  // of filesLeft, held open by a program
    std::uint64_t unreadable = 0;  // folders that could not be listed
    std::uint64_t youngKept = 0;   // files kept for being changed recently
    std::uint64_t linksLeft = 0;   // links that could only be removed through their target
    bool Complete() const { return filesLeft == 0 && unreadable == 0; }
};

// The real path of `folder` (links and short names resolved, no trailing backslash) when it
// is an existing folder; none otherwise.
std::optional<std::string> RealFolderPath(System& sys, std::string_view folder);

// Counts what EmptyJunkFolder would remove. When `stop` becomes true the walk ends at the next
// entry with what it has counted so far.
JunkTally MeasureJunkFolder(System& sys, std::string_view folder, const JunkWalkRules& rules,
                            const std::atomic<bool>* stop = nullptr);
// Deletes what the rules allow below `folder`; `folder` itself stays.
JunkTally EmptyJunkFolder(System& sys, std::string_view folder, const JunkWalkRules& rules);

// The sum of the sizes of the files below `folder` that a cleaning would remove (no age rule).
std::uint64_t GetFolderSize(System& sys, std::string_view folder, bool keepIndexFiles,
                            const std::atomic<bool>* stop = nullptr);
// EmptyJunkFolder without the age rule; a file that cannot be deleted clears `allDeleted`.
void DeleteFolderContents(System& sys, std::string_view folder, bool removeSubfolders,
                          bool keepIndexFiles, bool& allDeleted);

// True when `name` matches `pattern`: "*" any run of characters, "?" one; letter case aside.
bool NameMatches(std::string_view pattern, std::string_view name);

// True for "index.dat" and "desktop.ini" in any letter case.
bool IsIndexFileName(std::string_view name);

// Paths compared as the platform compares names (NamesEqual): letter case aside, in any script.
bool SamePath(std::string_view a, std::string_view b);
// True when `path` lies strictly below `ancestor`.
bool IsBelow(std::string_view path, std::string_view ancestor);

} // namespace zt
