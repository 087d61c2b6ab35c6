#pragma once
// Walking a junk folder to measure or empty it. The walk never leaves the folder it was
// given: a subfolder that is a link (any reparse point) or whose real path is not where its
// name says is neither entered, counted nor emptied, so an outside folder linked in is safe
// and a link back up cannot loop.
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "seams/System.h"

namespace zt {

// The sum of the sizes of all files below `folder`. With `keepIndexFiles`, files named
// "index.dat" or "desktop.ini" (any case) are not counted. A folder that cannot be searched
// contributes 0. A file that is itself a reparse point (a link) counts nothing. When `stop` is
// given and becomes true, the walk ends at the next file and returns what it has counted so far.
std::uint64_t GetFolderSize(System& sys, std::string_view folder, bool keepIndexFiles,
                            const std::atomic<bool>* stop = nullptr);

// Deletes the files below `folder`, and with `removeSubfolders` the subfolders that become
// empty; `folder` itself stays. With `keepIndexFiles`, "index.dat" and "desktop.ini" stay.
// A file that cannot be deleted sets `allDeleted` to false (and, unless it is read-only, adds
// its cause to `failures` when given); a subfolder that cannot be
// removed does not. Links to folders are left as they are, and so are files whose real
// path is elsewhere (a link to a file that the platform shows as a plain file).
void DeleteFolderContents(System& sys, std::string_view folder, bool removeSubfolders,
                          bool keepIndexFiles, bool& allDeleted,
                          std::vector<Status>* failures = nullptr);

// True for "index.dat" and "desktop.ini" in any letter case.
bool IsIndexFileName(std::string_view name);

// Paths compared without regard to letter case.
bool SamePath(std::string_view a, std::string_view b);
// True when `path` lies strictly below `ancestor`.
bool IsBelow(std::string_view path, std::string_view ancestor);

} // namespace zt
