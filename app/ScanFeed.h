#pragma once
// Carries a running scan's reports from its worker to the scan page's window thread. The
// worker only appends to a locked list and posts one drain through the window's task queue;
// the window applies the reports in order, in time slices, so tens of thousands of findings
// never freeze it. Once disconnected (the page is going), reports are dropped.
#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "scan/ScanSink.h"
#include "ui/UiTaskQueue.h"

namespace zt {

struct ScanEvent {
    enum Kind { Finding, Status, EnableClean, Caption, RefreshCheckAll, Finished };
    Kind kind = Finding;
    ScanRow row;       // Finding
    std::string text;  // Status, Caption, Finished (the total message)
    bool flag = false; // EnableClean
    int count = 0;     // Finished
};

// The page side: called on the window thread only.
class ScanFeedTarget {
  public:
    virtual ~ScanFeedTarget() = default;
    // Around a run of events, so the list can defer its repainting.
    virtual void BeginScanEvents() = 0;
    virtual void ApplyScanEvent(ScanEvent& event) = 0;
    virtual void EndScanEvents() = 0;
    // Call Drain again soon, after pending input, painting and timers (a posted message
    // would starve them while a scan reports without pause).
    virtual void ScheduleScanDrain() = 0;
};

class CScanFeed : public ScanSink, public std::enable_shared_from_this<CScanFeed> {
  public:
    // Longest time one drain spends before it lets the window breathe.
    static constexpr std::chrono::milliseconds kSlice{40};

    // Window thread: start delivering to `target` through `queue`.
    void Connect(UiTaskQueuePtr queue, ScanFeedTarget* target);
    // Window thread: the page is going; nothing reaches it any more.
    void Disconnect();
    bool Connected() const { return connected_.load(); }

    // Window thread: applies queued events until none are left or the slice runs out, then
    // asks the target for the next drain unless the feed has gone idle.
    void Drain();

    // ScanSink, called by the worker.
    void AddFinding(ScanRow row) override;
    void SetStatus(std::string_view text) override;
    void EnableClean(bool enabled) override;
    void SetScanCaption(std::string_view caption) override;
    void RefreshCheckAll() override;
    void ScanFinished(int count, std::string_view message) override;

  private:
    void Push(ScanEvent event);

    std::mutex lock_;
    std::deque<ScanEvent> events_;
    bool drainPending_ = false; // a drain is posted or scheduled
    UiTaskQueuePtr queue_;
    std::atomic<bool> connected_{false};
    ScanFeedTarget* target_ = nullptr; // window thread only
};

} // namespace zt
