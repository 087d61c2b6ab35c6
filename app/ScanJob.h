#pragma once
// The scan page's scan: the engine on the program's seams, run by a background job, with a
// sink that hands every report to the page's window thread, where the page (a ScanSink of
// its own) decides what the user sees. The worker keeps this object alive while it runs, so a
// scan that outlives its page (a close that could not wait for it) never reaches freed
// memory; the page abandons the job and lets go of its share.
#include <memory>
#include <vector>

#include "scan/ScanCategories.h"
#include "scan/ScanEngine.h"
#include "settings/SettingsStore.h"
#include "ui/BackgroundJob.h"

namespace zt {

class CScanJob : public std::enable_shared_from_this<CScanJob>, private ScanSink {
  public:
    // The seams must outlive every scan worker (the program's live until the process ends).
    CScanJob(Registry& registry, System& system);
    CScanJob(const CScanJob&) = delete;
    CScanJob& operator=(const CScanJob&) = delete;

    ScanEngine& engine() { return engine_; }
    CBackgroundJob& job() { return *job_; }
    std::shared_ptr<const CBackgroundJob> shared_job() const { return job_; }

    // Window thread, between scans: the thirteen area switches as stored (the indices of
    // those on); the ignore list is read from `settings` at every scan.
    std::vector<int> LoadSwitches(const SettingsStore& settings);
    // Turns on exactly the areas at `enabled` and stores all thirteen switches; the first
    // failed write (ok when none).
    Status StoreSwitches(const std::vector<int>& enabled, const SettingsStore& settings);
    // Window thread: the reports go to `page` on the thread of `queue`; a scan that failed
    // ends with `failed` instead of ScanFinished.
    void Connect(UiTaskQueuePtr queue, ScanSink* page, CBackgroundJob::Failure failed);
    // Starts a worker running a scan from BeginScan on. False when the thread could not be
    // made; the scan then ends at once.
    bool Start();

  private:
    // ScanSink, on the worker: each call travels to the page.
    void AddFinding(ScanRow row) override;
    void ScanProgress(std::string_view keyPath) override;
    void ScanFinished(const ScanSummary& summary) override;

    std::shared_ptr<CBackgroundJob> job_;
    ScanEngine engine_;
    ScanSink* page_ = nullptr; // window thread only
};

} // namespace zt
