#pragma once
// One piece of background work for a window: the window starts it on a thread of its own,
// may ask it to stop, wait for it while its messages keep flowing, or abandon it when it
// goes. The worker hands results to the window's thread through the window's one task queue
// (Deliver). The job is the one place that knows stop and done.
//
// The lifetime rule, for every page: the work never captures its window, only what it may
// use after the window is gone (the seams, values, shared state it owns); what touches the
// window goes into Deliver'd results, which run only while the job is connected. The window
// lets go of the job when it goes (StopAndAbandon: stop asked, a bounded join, results
// dropped); a worker still running keeps the job alive until it returns.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "ui/UiTaskQueue.h"

namespace zt {

// How long a page waits for its workers to stop as its window goes (then it lets them go).
inline constexpr DWORD kLetGoMs = 2000;

class CBackgroundJob : public std::enable_shared_from_this<CBackgroundJob> {
  public:
    using Work = std::function<void()>;
    using Result = std::function<void()>;
    // Told on the window thread that the work ended by an exception, with its text.
    using Failure = std::function<void(const std::string& what)>;

    static std::shared_ptr<CBackgroundJob> Create();
    ~CBackgroundJob();
    CBackgroundJob(const CBackgroundJob&) = delete;
    CBackgroundJob& operator=(const CBackgroundJob&) = delete;

    // Window thread: results go through `queue` to the window. Results delivered before an
    // earlier Abandon or Connect are dropped.
    void Connect(UiTaskQueuePtr queue);
    // Window thread: where a failed run is reported (else it is only noted).
    void OnFailure(Failure failure);
    // Window thread: runs `work` on a new thread; `onStop` passes a stop request on to it
    // (called on the thread that asks). False while a run is still going or when no thread
    // could be made.
    bool Start(Work work, std::function<void()> onStop = {});
    // Any thread: asks the work to stop; it watches StopFlag() or is told through onStop.
    void RequestStop();
    const std::atomic<bool>& StopFlag() const { return stop_; }
    // From Start until the work has returned.
    bool Running() const;
    // The last run ended by an exception.
    bool Failed() const { return failed_.load(); }
    // Window thread: waits for the work to return, dispatching messages meanwhile. False
    // when `timeoutMs` ran out or the message loop was asked to quit.
    bool Wait(DWORD timeoutMs = INFINITE);
    // Any thread: the same without dispatching (the work never waits on a window).
    bool Join(DWORD timeoutMs = INFINITE) const;
    // Window thread, when the window goes: asks the work to stop and drops its results,
    // queued and to come. Returns at once.
    void Abandon();
    // Window thread, as the window goes: asks the work to stop, joins it for at most
    // `waitMs` (a work that stops at its next step ends in that time, so what it borrowed may
    // go after it), then abandons it. True when the work ended.
    bool StopAndAbandon(DWORD waitMs);

    // Worker: a result to run on the window thread, after the ones before it.
    void Deliver(Result result);
    // Results a worker delivered that arrived after their window had let go of them.
    std::uint64_t DroppedResults() const { return dropped_.load(); }

  private:
    CBackgroundJob();
    void RunOnThread(const Work& work);

    HANDLE done_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> failed_{false};
    std::function<void()> onStop_;
    Failure onFailure_;                        // window thread only
    std::mutex lock_;                          // guards queue_
    UiTaskQueuePtr queue_;                     // none once abandoned
    std::atomic<std::uint64_t> generation_{0}; // a result runs only in its own generation
    std::atomic<std::uint64_t> dropped_{0};
    DWORD windowThread_ = 0;
};

} // namespace zt
