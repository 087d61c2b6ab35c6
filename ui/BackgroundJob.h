#pragma once
// One piece of background work for a window: the window starts it on a thread of its own,
// may ask it to stop, wait for it while its messages keep flowing, or abandon it when it
// goes. The worker hands results to the window's thread: Deliver() queues them and one drain
// posted through the window's task queue applies them in order, in time slices, so a worker
// that reports without pause never freezes the window. The running worker keeps the job
// alive, so one the window could not wait for never reaches freed memory; the work itself
// must keep alive what it uses.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "ui/UiTaskQueue.h"

namespace zt {

// The window's side of a job's results; window thread only.
class JobResultsTarget {
  public:
    virtual ~JobResultsTarget() = default;
    // Around a run of results, so a list can defer its repainting.
    virtual void BeginResults() {}
    virtual void EndResults() {}
    // Call Drain() again soon, after pending input, painting and timers (a posted message
    // would starve them while the worker reports without pause).
    virtual void ScheduleDrain() = 0;
};

class CBackgroundJob : public std::enable_shared_from_this<CBackgroundJob> {
  public:
    using Work = std::function<void()>;
    using Result = std::function<void()>;
    // Longest time one drain spends before it lets the window breathe.
    static constexpr std::chrono::milliseconds kSlice{40};

    static std::shared_ptr<CBackgroundJob> Create();
    ~CBackgroundJob();
    CBackgroundJob(const CBackgroundJob&) = delete;
    CBackgroundJob& operator=(const CBackgroundJob&) = delete;

    // Window thread: results go through `queue` to the window; `target` (may be none) gets
    // the run hooks, else each further drain is posted.
    void Connect(UiTaskQueuePtr queue, JobResultsTarget* target = nullptr);
    // Runs `work` on a new thread; `onStop` passes a stop request on to it (called on the
    // thread that asks). False while a run is still going or when no thread could be made.
    bool Start(Work work, std::function<void()> onStop = {});
    // Any thread: asks the work to stop; it watches StopFlag() or is told through onStop.
    void RequestStop();
    const std::atomic<bool>& StopFlag() const { return stop_; }
    // From Start until the work has returned.
    bool Running() const;
    // Window thread: waits for the work to return, dispatching messages meanwhile. False
    // when `timeoutMs` ran out or the message loop was asked to quit.
    bool Wait(DWORD timeoutMs = INFINITE);
    // Any thread: the same without dispatching (the work never waits on a window).
    bool Join(DWORD timeoutMs = INFINITE);
    // Window thread, when the window goes: asks the work to stop and drops its results,
    // queued and to come. Returns at once.
    void Abandon();

    // Worker: a result to run on the window thread. One delivered `alone` runs outside the
    // run hooks (it may show a modal box), after the results before it have been shown.
    void Deliver(Result result, bool alone = false);
    // Window thread: applies queued results until none are left or the slice runs out.
    void Drain();

  private:
    CBackgroundJob();
    void AskForDrain(); // lock_ held

    struct Item {
        Result run;
        bool alone = false;
    };
    HANDLE done_;
    std::atomic<bool> stop_{false};
    std::function<void()> onStop_;
    std::mutex lock_;
    std::deque<Item> results_;
    bool drainPending_ = false; // a drain is posted or scheduled
    std::atomic<bool> connected_{false};
    UiTaskQueuePtr queue_;
    JobResultsTarget* target_ = nullptr; // window thread only
};

} // namespace zt
