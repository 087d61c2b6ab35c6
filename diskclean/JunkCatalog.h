#pragma once
// The caches of today's programs as data: one row per place, resolved to the folders a
// cleaning may empty. Only the cache folders a row names are ever walked; what sits beside
// them in a profile (cookies, history, logins, sessions, local storage) is never reached.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "diskclean/FolderWalk.h"
#include "diskclean/JunkPlaces.h"

namespace zt {

enum class JunkGroup { Windows, Browsers, Applications };

// The known folder a row's paths start from.
enum class JunkRoot { LocalAppData, RoamingAppData, ProgramData };

// What the "*" step of a row's path stands for.
enum class JunkProfiles {
    None,     // the row has no "*" step
    Chromium, // each subfolder holding a "Preferences" file
    Firefox,  // each profile that profiles.ini (in RoamingAppData\Mozilla\Firefox) lists
};

struct JunkPlaceRow {
    std::string_view id;    // "edge-cache": the console's name and the setting's key
    std::string_view label; // "Microsoft Edge cache"
    JunkGroup group;
    JunkRoot root;
    // Relative to the root; at most one step is "*" (see `profiles`).
    std::string_view where;
    // "|"-separated folders below `where` that are emptied; empty: `where` itself.
    std::string_view caches;
    // "|"-separated name patterns ("thumbcache_*.db"); empty: every file, subfolders too. A
    // row with patterns touches only the files directly in its folders.
    std::string_view files;
    JunkProfiles profiles;
    // The program that must not run while the place is emptied ("msedge.exe"), its name for
    // people and its lock file (relative to `lockRoot`, "*" as in `where`); empty: none.
    std::string_view program;
    std::string_view programTitle;
    JunkRoot lockRoot;
    std::string_view lockFile;
    bool machineWide; // needs administrator rights
};

// Every place beyond the five classic ones, grouped, in the order the page lists them.
std::span<const JunkPlaceRow> JunkCatalog();
// The row of `id` (letter case aside), or null.
const JunkPlaceRow* FindJunkPlace(std::string_view id);
// "Windows", "Browsers", "Applications".
std::string_view JunkGroupName(JunkGroup group);

enum class JunkPlaceState { Found, NotFound, InUse, Protected };
// "found", "not-found", "in-use", "protected".
std::string_view JunkPlaceStateName(JunkPlaceState state);

// One profile's (or the single) instance of a place.
struct JunkInstance {
    std::string base;                // `where` with its "*" step filled in
    std::vector<std::string> caches; // the folders to empty that exist and may be walked
    bool inUse = false;              // its program holds it: left alone
};

// Where a place is on this machine.
struct ResolvedPlace {
    const JunkPlaceRow* row = nullptr;
    JunkPlaceState state = JunkPlaceState::NotFound;
    std::vector<JunkInstance> instances;
    std::string note; // for the user: "Close Microsoft Edge to clean its cache."
    std::uint64_t instancesInUse = 0;
    // Folders refused: links, or protected folders.
    std::vector<std::string> refused;
};

// Which programs run, taken once for a whole run.
struct RunningPrograms {
    std::vector<std::string> images; // folded image names
    static RunningPrograms Take(System& sys);
    bool Runs(std::string_view image) const;
};

// Finds the folders of `row`: every profile, every cache folder that exists as a plain folder
// (no step below the root a link) and is not protected. A profile whose lock file is held
// open is in use; without a lock file, running `program` counts as holding it.
ResolvedPlace ResolveJunkPlace(System& sys, const JunkPlaceRow& row, const RunningPrograms& running,
                               const ProtectedFolders& guarded);

// The walk rules of a row: its name patterns, the age rule of `options`.
JunkWalkRules CatalogRules(const JunkPlaceRow& row, const JunkOptions& options, std::int64_t now);

// The profile folders profiles.ini lists, as written ("Profiles\x.default" or an absolute
// path), with whether each is relative; garbage lines and paths climbing out ("..") skipped.
struct IniProfile {
    std::string path;
    bool relative = true;
};
std::vector<IniProfile> ParseProfilesIni(std::string_view text);

} // namespace zt
