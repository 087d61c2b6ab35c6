#pragma once
// Work handed from worker threads to a window's thread. Workers push closures into a locked
// queue and post one WM_ZT_UITASK to drain it; they never SendMessage, so neither thread can
// block the other. Once the window detaches the queue, pushes are dropped.
#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace zt {

class CUiTaskQueue {
  public:
    using Task = std::function<void()>;

    explicit CUiTaskQueue(HWND target) : target_(target) {}
    CUiTaskQueue(const CUiTaskQueue&) = delete;
    CUiTaskQueue& operator=(const CUiTaskQueue&) = delete;

    // Any thread. False when the window is gone (the task is dropped).
    bool Post(Task task);
    // Any thread: several tasks under one lock and at most one posted message.
    bool PostBatch(std::vector<Task> tasks);
    // Window's thread (on WM_ZT_UITASK): runs what is queued, in order.
    void Drain();
    // Window's thread, before the window goes: later posts are dropped.
    void Detach();

  private:
    std::mutex lock_;
    HWND target_;
    std::vector<Task> tasks_;
    bool posted_ = false;
};

using UiTaskQueuePtr = std::shared_ptr<CUiTaskQueue>;

} // namespace zt
