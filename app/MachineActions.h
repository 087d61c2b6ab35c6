#pragma once
// Machine-wide startup entries acted on through the elevated helper while this process lacks
// the rights: the page does the user's rows itself and hands the machine's rows' ids to
// `zentrove-cli startup <verb> --id ... --yes --json --result FILE` started with "runas".
#include <windows.h>

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

#include "diskclean/JunkCleaning.h"
#include "seams/System.h"
#include "startup/StartupEntry.h"

namespace zt {

// Entries only an administrator may change: the machine's Run keys (either view), the common
// startup folder, services and drivers.
bool IsMachineWide(const StartupEntry& entry);
// Whether this process must hand `entry` to the helper.
bool NeedsHelper(System& sys, const StartupEntry& entry);

struct HelperRowOutcome {
    std::string id;
    bool done = false;
    std::string message;
};
struct HelperOutcome {
    std::vector<HelperRowOutcome> rows; // as the helper reported them
    std::string note;                   // set when the helper gave no result: nothing was done
    // The helper's word on the row with `id`; none when it named it nowhere.
    const HelperRowOutcome* Find(std::string_view id) const;
};

// The system's small shield icon, owned by the caller; none when the system has none.
HICON LoadShieldIcon();

// Runs the helper for `verb` ("disable", "enable", "delete") over `ids` and waits for it; on a
// worker, never on the window's thread.
HelperOutcome RunStartupHelper(System& sys, std::string_view verb,
                               const std::vector<std::string>& ids, const std::atomic<bool>* stop);

// The disk cleaner's places of `selection` this process must hand to the helper (the system
// temporary folder, the machine's places), by id; they are taken out of `selection`.
std::vector<std::string> TakeMachinePlaces(System& sys, JunkSelection& selection);

// Runs `junk clean` of the helper over the places `ids` with `options`, and adds what it
// cleaned to `into` (its places, its bytes, each drive's gain), so one total covers both
// parts. When it gave no result, each place is reported not cleaned, with why. On a worker.
void CleanPlacesWithHelper(System& sys, const std::vector<std::string>& ids,
                           const JunkOptions& options, const std::atomic<bool>* stop,
                           JunkCleanResult& into);

} // namespace zt
