#pragma once
// The one road from worker threads to a window's thread. Workers push closures into a locked
// queue and post one WM_ZT_UITASK to drain it; they never SendMessage, so neither thread can
// block the other. A drain runs tasks in order for at most one time slice; what is left
// waits for a timer, so input and painting come first while a worker reports without pause.
// While tasks keep coming, drains follow that timer rather than one message per task.
// Once the window detaches the queue, pushes are dropped.
#include <windows.h>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace zt {

class CUiTaskQueue {
  public:
    using Task = std::function<void()>;
    // Longest time one drain runs tasks before the window gets its input and painting.
    static constexpr std::chrono::milliseconds kSlice{40};

    explicit CUiTaskQueue(HWND target);
    CUiTaskQueue(const CUiTaskQueue&) = delete;
    CUiTaskQueue& operator=(const CUiTaskQueue&) = delete;

    // Any thread. False when the window is gone (the task is dropped).
    bool Post(Task task);
    // Window's thread (on WM_ZT_UITASK): runs queued tasks in order until none are left or
    // the slice is over. A task that pumps messages (a modal box) may drain the ones behind
    // it meanwhile; the order holds.
    void Drain();
    // Window's thread, before the window goes: later posts are dropped.
    void Detach();
    // The thread that owns the window; window-thread-only functions check it.
    DWORD WindowThread() const { return thread_; }

  private:
    void Wake(); // lock_ held

    std::mutex lock_;
    HWND target_;
    const DWORD thread_;
    std::deque<Task> tasks_;
    bool posted_ = false; // a WM_ZT_UITASK or the resume timer is on its way
};

using UiTaskQueuePtr = std::shared_ptr<CUiTaskQueue>;

} // namespace zt
