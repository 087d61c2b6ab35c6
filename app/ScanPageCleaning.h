#pragma once
// The scan page's cleaning, apart from its window: the confirmation on the window thread
// with a copy of the ticked rows, the run on the page's job (backup, then deletion), and the
// end applied to the page's rows. The run owns what it works with, so one that outlives its
// page still finishes its backup file.
#include <windows.h>

#include <functional>
#include <memory>

#include "app/AppContext.h"
#include "app/ScanPageRows.h"
#include "cleaning/Cleaning.h"
#include "cleaning/FindingRecheck.h"
#include "ui/BackgroundJob.h"

namespace zt {

struct CleanRun {
    CleanRun(Registry& reg, System& sys) : writer(reg, sys), recheck(reg, sys) {}
    CRegFileWriter writer;
    // Each ticked row is judged again just before its backup; one no longer invalid stays
    // listed, unticked.
    FindingRecheck recheck;
    std::vector<TickedFinding> findings;
    CleanOutcome out;
};

// What the page hears of a run, each on its window thread (run as the job's results).
struct CleaningReports {
    std::function<void(int done, int total)> progress;
    std::function<void(CleanRun& run)> ended;
};

// Copies the ticked `rows` on `job` (a copy of tens of thousands must not hold the window),
// then hands the run to `prepared` on the window thread. The rows must neither come nor go
// meanwhile. False when no thread could be made.
bool PreparePageCleaning(AppContext& app, CBackgroundJob& job, const ScanPageRows& rows,
                         std::function<void(std::shared_ptr<CleanRun>)> prepared);

// Asks the user about `run`'s findings among `listed` rows; false when they did not agree.
// Machine-wide findings the user hands to the elevated helper are marked in `run.out`.
bool ConfirmPageCleaning(AppContext& app, HWND page, int listed, CleanRun& run);

// Starts `run` on `job`; false when no thread could be made.
bool StartPageCleaning(AppContext& app, CBackgroundJob& job, std::shared_ptr<CleanRun> run,
                       CleaningReports reports);

// How the end reaches the page's window.
struct PageUpdates {
    std::function<void()> rowsChanged;
    std::function<void(std::string_view)> status;
};

// The end on the window thread: unticks and removes the rows the run dealt with, then the
// status line, the backup list and the total message.
void FinishPageCleaning(AppContext& app, HWND page, ScanPageRows& rows, CleanRun& run,
                        const PageUpdates& updates);

} // namespace zt
