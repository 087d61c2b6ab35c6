#include "app/ScanPageCleaning.h"

#include "app/MessageBoxPrompt.h"

namespace zt {

namespace {
// The backup page lists a run's new file at once.
class PageCleaningSink : public CleaningSink {
  public:
    explicit PageCleaningSink(AppContext& app) : app_(app) {}
    void BackupWritten() override {
        if (app_.host) app_.host->RefreshBackupList();
    }

  private:
    AppContext& app_;
};

// The worker's progress, passed to the page a few times a second.
class ProgressRelay : public CleaningSink {
  public:
    ProgressRelay(CBackgroundJob& job, std::function<void(int, int)> show)
        : job_(job), show_(std::move(show)) {}
    void Progress(int done, int total) override {
        ULONGLONG now = ::GetTickCount64();
        if (done != total && now - last_ < 100) return;
        last_ = now;
        job_.Deliver([show = show_, done, total] { show(done, total); });
    }

  private:
    CBackgroundJob& job_;
    std::function<void(int, int)> show_;
    ULONGLONG last_ = 0;
};
} // namespace

bool PreparePageCleaning(AppContext& app, CBackgroundJob& job, const ScanPageRows& rows,
                         std::function<void(std::shared_ptr<CleanRun>)> prepared) {
    auto run = std::make_shared<CleanRun>(app.registry, app.system);
    CBackgroundJob* self = &job; // the running worker keeps the job alive
    return job.Start(
        [self, run, rows = &rows, ticked = rows.TickedIndices(), prepared = std::move(prepared)] {
            run->findings = rows->Copies(ticked);
            self->Deliver([prepared, run] { prepared(run); });
        });
}

bool ConfirmPageCleaning(AppContext& app, HWND page, int listed, CleanRun& run) {
    PageCleaningSink sink(app);
    // Only the confirmation is owned by the page; the selection hint and the total are not.
    CMessageBoxPrompt prompt(page, false);
    return ConfirmCleaning(
        CleaningContext{app.registry, app.system, run.writer, prompt, sink, true}, listed,
        run.findings, run.out);
}

bool StartPageCleaning(AppContext& app, CBackgroundJob& job, std::shared_ptr<CleanRun> run,
                       CleaningReports reports) {
    // The work holds the seams (they live as long as the process), the run and the job; the
    // page is reached only through the results.
    CBackgroundJob* self = &job; // the running worker keeps the job alive
    return job.Start(
        [&reg = app.registry, &sys = app.system, self, run, reports = std::move(reports)] {
            ProgressRelay relay(*self, reports.progress);
            RunCleaning(reg, sys, run->writer, run->findings, run->out, &relay, &self->StopFlag(),
                        &run->recheck);
            self->Deliver([ended = reports.ended, run] { ended(*run); });
        });
}

void FinishPageCleaning(AppContext& app, HWND page, ScanPageRows& rows, CleanRun& run,
                        const PageUpdates& updates) {
    for (int row : run.out.untickedRows)
        rows.UntickRow(row);
    rows.RemoveRows(run.out.cleanedRows);
    // The list shows the rows that stay before the total's box comes up over it.
    if (updates.rowsChanged) updates.rowsChanged();
    if (updates.status) updates.status(FoundItemsLine(rows.Count()));
    PageCleaningSink sink(app);
    CMessageBoxPrompt prompt(page, false);
    FinishCleaning(CleaningContext{app.registry, app.system, run.writer, prompt, sink, true}, rows,
                   run.out, true);
}

} // namespace zt
