#pragma once
// Deleting the ticked findings, each one written to the run's backup file first.
#include <atomic>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "backup/RegFileWriter.h"
#include "cleaning/FindingRecheck.h"
#include "scan/ScanFinding.h"
#include "seams/Registry.h"
#include "seams/Status.h"
#include "seams/System.h"
#include "seams/UserPrompt.h"

namespace zt {

// The rows a cleaning run works through: the scan page's list, or the console's findings.
class FindingList {
  public:
    virtual ~FindingList() = default;
    virtual int Count() const = 0;
    virtual bool IsTicked(int index) const = 0;
    virtual const ScanFinding& FindingAt(int index) const = 0;
    // Deletes the row and frees its finding; the rows below move up by one.
    virtual void RemoveRow(int index) = 0;
    // Deletes the rows at `ascending` indices in one go. By default from the last up, so no
    // row moves more than once.
    virtual void RemoveRows(const std::vector<int>& ascending) {
        for (auto it = ascending.rbegin(); it != ascending.rend(); ++it)
            RemoveRow(*it);
    }
    virtual void UntickRow(int index) = 0;
    // The reason and examined data the scan showed for the row, for the re-check; none when
    // the list keeps no such record.
    virtual std::optional<FindingSeen> SeenAt(int /*index*/) const { return std::nullopt; }
};

// A plain list of findings with tick marks, for the console tool and tests.
class FindingVector : public FindingList {
  public:
    struct Row {
        ScanFinding finding;
        bool ticked = true;
        std::string reason;    // as the scan showed it, for the re-check
        std::string valueText; // likewise
    };
    std::vector<Row> rows;

    void Add(ScanFinding f, bool ticked = true) {
        rows.push_back(Row{std::move(f), ticked, {}, {}});
    }
    void Add(ScanFinding f, std::string reason, std::string valueText) {
        rows.push_back(Row{std::move(f), true, std::move(reason), std::move(valueText)});
    }
    int Count() const override { return static_cast<int>(rows.size()); }
    bool IsTicked(int index) const override { return rows[index].ticked; }
    const ScanFinding& FindingAt(int index) const override { return rows[index].finding; }
    void RemoveRow(int index) override { rows.erase(rows.begin() + index); }
    void RemoveRows(const std::vector<int>& ascending) override;
    void UntickRow(int index) override { rows[index].ticked = false; }
    std::optional<FindingSeen> SeenAt(int index) const override {
        const Row& r = rows[index];
        if (r.reason.empty()) return std::nullopt;
        return FindingSeen{r.reason, r.valueText};
    }
};

// What a cleaning run tells its receiver besides messages; the receiver decides what it shows.
class CleaningSink {
  public:
    virtual ~CleaningSink() = default;
    // The run wrote a backup file.
    virtual void BackupWritten() {}
    // After each ticked finding: `done` of `total` have been dealt with.
    virtual void Progress(int /*done*/, int /*total*/) {}
};

struct CleaningContext {
    Registry& reg;
    System& sys;
    CRegFileWriter& writer;
    UserPrompt& prompt;
    CleaningSink& sink;
    // The scan page: without elevation, machine-wide ticked findings bring the offer to clean
    // them through the elevated helper before anything is deleted.
    bool offerElevation = false;
    // When set, each ticked finding is judged again just before its backup; one that is no
    // longer invalid (or has no record of what the scan saw) is skipped, unticked.
    FindingRecheck* recheck = nullptr;
    // The folder the run's backup file goes to; empty: the user's backup folder.
    std::string backupFolder = {};
};

enum class CleanStatus {
    EmptyList, // nothing shown, nothing written
    NoneChecked,
    Cancelled,
    Done,
    FileError, // the backup file failed; the run stopped at that finding
};

// A finding that was exported but whose deletion failed: it stays listed, unticked.
struct NotDeletedFinding {
    ScanFinding finding;
    Status status;
};

// A finding left alone because its backup could not hold all of it, with why.
struct KeptBackFinding {
    ScanFinding finding;
    std::string cause;
};

struct CleanOutcome {
    CleanStatus status = CleanStatus::EmptyList;
    int processed = 0;      // findings exported and deleted, leaving the list
    int keptBack = 0;       // findings left in the list, unticked, for want of a full backup
    int notReached = 0;     // ticked findings a stop left alone: still listed and ticked
    bool stopped = false;   // the run was asked to stop before its end
    std::string backupFile; // the run's backup file, when one was created
    std::string error;      // the file error's description
    std::vector<NotDeletedFinding> notDeleted;
    std::vector<KeptBackFinding> keptBackFindings;
    std::vector<int> cleanedRows;             // ascending: the rows to remove from the list
    std::vector<int> untickedRows;            // ascending: rows kept back, not deleted or skipped
    std::vector<ScanFinding> noLongerInvalid; // skipped by the re-check, left unticked
    // Yes to the elevation offer: RunCleaning hands the machine-wide findings to the helper.
    bool machineByHelper = false;
    std::string machineBackupFile; // the helper's backup file, when it made one
    std::string machineNote;       // what became of the machine-wide part, when not all of it went
};

// One ticked row as the run sees it: a copy, so the run needs nothing of the list.
struct TickedFinding {
    int row = 0;
    ScanFinding finding;
    std::optional<std::string> reason; // what the scan showed, for the re-check; none when
    std::string valueText;             // the list keeps no such record
};

inline constexpr std::string_view kSelectItemsMessage =
    "Please select the items you want to delete.";

// "Total %d items cleaned successfully!", how many were kept back when any were, how many
// could not be deleted and why, how many a stop left listed, and how many the re-check skipped.
// Each distinct cause of the kept-back findings on a line of its own, in parentheses.
std::string KeptBackCauses(const std::vector<KeptBackFinding>& kept);
std::string CleanedTotalMessage(int processed, int keptBack,
                                const std::vector<NotDeletedFinding>& notDeleted = {},
                                bool stopped = false, int notReached = 0, int noLongerInvalid = 0);

// "%d of the ticked items are machine-wide and need administrator rights. ..."
std::string ElevationOfferText(int machineWide);

// The three steps of a run, for a caller that deletes on a thread of its own.
// The ticked rows of a list, in list order.
std::vector<TickedFinding> TickedFindings(const FindingList& list);
// Before, with the `listed` rows of which `ticked` are ticked: the hint when nothing is
// ticked, the confirmation or the elevation offer. True when the user agreed; otherwise `out`
// says why not.
bool ConfirmCleaning(const CleaningContext& ctx, int listed,
                     const std::vector<TickedFinding>& ticked, CleanOutcome& out);
// The run, on any thread (no prompt, no list): exports and deletes each finding in order into
// one new backup file, reporting progress to `progress` (may be none). A set `stop` ends it
// before the next finding; the file then holds exactly what was deleted. With `recheck`, each
// finding is judged again just before its backup and skipped, unticked, when it is no longer
// invalid or carries no record of what the scan saw. When `out.machineByHelper` is set, the
// machine-wide findings go to the elevated helper (RunCleaningWithHelper).
void RunCleaning(Registry& reg, System& sys, CRegFileWriter& writer,
                 const std::vector<TickedFinding>& findings, CleanOutcome& out,
                 CleaningSink* progress = nullptr, const std::atomic<bool>* stop = nullptr,
                 FindingRecheck* recheck = nullptr);
// The same run in this process alone, its backup file in `backupFolder` (empty: the user's).
void RunCleaningHere(Registry& reg, System& sys, CRegFileWriter& writer,
                     const std::vector<TickedFinding>& findings, CleanOutcome& out,
                     CleaningSink* progress, const std::atomic<bool>* stop, FindingRecheck* recheck,
                     std::string_view backupFolder);
// After (with the list): unticks the rows that stayed for a reason and removes the cleaned
// ones (unless `rowsApplied`: the caller did both), then the status line, the backup list and
// the total message.
void FinishCleaning(const CleaningContext& ctx, FindingList& list, CleanOutcome& out,
                    bool rowsApplied = false);
// The status line while a run goes: "Cleaning... 12 of 50 items".
std::string CleaningProgressLine(int done, int total);

// Exports and deletes every ticked finding in list order, one backup file per run. A
// finding whose export is incomplete, or a key finding with an empty key path, is not
// deleted: it stays in the list, unticked; so does one whose deletion fails, with its cause. A file
// error ends the run at that finding and is shown; what was deleted before it is in the file.
[[nodiscard]] CleanOutcome CleanTicked(const CleaningContext& ctx, FindingList& list);

} // namespace zt
