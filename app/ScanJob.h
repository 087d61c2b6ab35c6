#pragma once
// The scan page's engine with everything its worker touches, kept alive by the worker while
// it runs, so a worker that outlives its page (a close that could not wait for it) never
// reaches freed memory: the page disconnects the feed and lets go of its share.
#include <atomic>
#include <memory>

#include "app/ScanFeed.h"
#include "scan/ScanEngine.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"

namespace zt {

class CScanJob {
  public:
    CScanJob();
    CScanJob(const CScanJob&) = delete;
    CScanJob& operator=(const CScanJob&) = delete;

    ScanEngine& engine() { return engine_; }
    CScanFeed& feed() { return *feed_; }
    std::shared_ptr<CScanFeed> feedPtr() { return feed_; }

    // Starts a worker running the scan (BeginScan must have been called). False when the
    // thread could not be made; the scan then ends at once.
    static bool StartWorker(const std::shared_ptr<CScanJob>& job);
    // True from StartWorker until the worker's last report has been queued.
    bool WorkerActive() const { return workerActive_.load(); }

  private:
    Win32Registry registry_;
    Win32System system_;
    std::shared_ptr<CScanFeed> feed_;
    ScanEngine engine_;
    std::atomic<bool> workerActive_{false};
};

} // namespace zt
