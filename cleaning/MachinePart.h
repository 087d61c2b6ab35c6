#pragma once
// The split of a cleaning run between the user's own process and the elevated helper: the
// user's hive is cleaned by the user's process, the machine's entries by `zentrove-cli clean`
// started with administrator rights, which refuses anything of its own account's hive.
#include <atomic>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "backup/BackupStore.h"
#include "cleaning/CleanPlan.h"
#include "cleaning/Cleaning.h"

namespace zt {

// Whether the finding lies in the hive of the account `sid`: under HKCU, HKU\<sid> or
// HKU\<sid>_Classes, or under HKCR where the merged view finds the user's own classes.
bool InOwnHive(Registry& reg, std::string_view sid, const ScanFinding& f);

struct TickedParts {
    std::vector<TickedFinding> user;    // the user's own process cleans these
    std::vector<TickedFinding> machine; // these need administrator rights
};
TickedParts SplitTicked(Registry& reg, std::string_view sid,
                        const std::vector<TickedFinding>& ticked);

// The helper's program beside the running one, and its command line for a plan.
inline constexpr std::string_view kHelperProgram = "zentrove-cli.exe";
std::string HelperPath(System& sys);
std::string HelperCleanParameters(std::string_view plan, std::string_view backupFolder,
                                  std::string_view result);

// The helper's side: the plan's entries of the account's own hive are refused (appended to
// `refused` with why) and left out of the returned list; the rest is cleaned by the caller.
std::vector<PlanEntry> RefuseOwnHive(Registry& reg, std::string_view sid,
                                     std::vector<PlanEntry> entries,
                                     std::vector<std::pair<std::string, std::string>>& refused);
inline constexpr std::string_view kOwnHiveRefused =
    "in the account's own hive: the helper cleans only machine-wide entries";

// The window's side, on the cleaning worker: cleans the user's part in this process, then
// hands the machine's part to the elevated helper through a plan file and merges the
// helper's result into `out` (both backup files, one total). When the helper gives no result
// (consent declined, not started, ended early), its findings stay listed and ticked and
// `out.machineNote` says why. Progress runs over both parts; the helper's part counts at its end.
void RunCleaningWithHelper(Registry& reg, System& sys, CRegFileWriter& writer,
                           const std::vector<TickedFinding>& findings, CleanOutcome& out,
                           CleaningSink* progress, const std::atomic<bool>* stop,
                           FindingRecheck* recheck);

// Runs the helper with `command` and `--result FILE` on this thread and returns the result's
// text; none when it gave none, with why in the user's words in `whyNot`.
std::optional<std::string> RunHelperForResult(System& sys, std::string_view command,
                                              const std::atomic<bool>* stop, std::string& whyNot);

// The backup page's restore: the user's own keys by this process, the machine's through the
// elevated helper (`restore FILE --part machine`), every entry then read back here; with the
// rights, or when the file holds only the user's keys, one restore here.
RestoreReport RestoreWithHelper(Registry& reg, System& sys, const std::string& path);

// `text` as one argument of a command line: in quotes, a trailing backslash kept as one.
std::string QuotedArgument(std::string_view text);

} // namespace zt
