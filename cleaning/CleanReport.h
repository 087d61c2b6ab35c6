#pragma once
// What `clean --json` reports of a run, and the same document read back: the elevated helper
// writes it to its result file and the window merges it into its own run.
#include <string>
#include <utility>
#include <vector>

#include "cleaning/CleanPlan.h"
#include "cleaning/Cleaning.h"

namespace zt {

// The run over `entries` (the list it cleaned, in list order; `out`'s rows index it), the ids
// refused before it with why, and the total line.
std::string CleanReportText(const std::vector<PlanEntry>& entries, const CleanOutcome& out,
                            const std::vector<std::pair<std::string, std::string>>& refused,
                            const std::string& message);

// A report read back; each finding carries the id of its row, or none when it is not one
// (a startup switch that went with its Run value).
struct CleanReport {
    std::vector<std::string> cleanedIds;
    std::vector<std::pair<std::string, NotDeletedFinding>> notDeleted;
    std::vector<std::pair<std::string, KeptBackFinding>> keptBack;
    std::vector<std::pair<std::string, ScanFinding>> skipped;
    std::vector<std::pair<std::string, std::string>> refused; // id, why
    std::string backupFile;
    std::string error; // the backup file's failure, when the run had one
};

// False when the text is not such a report (cut short, or of something else).
bool ReadCleanReport(const std::string& text, CleanReport& report);

} // namespace zt
