#include "ui/UiTaskQueue.h"

#include "ui/Messages.h"
#include "ui/WindowThread.h"

namespace zt {

namespace {
// A timer message comes after input and painting: the drain resumes once they are done.
void CALLBACK ResumeDrain(HWND window, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(window, id);
    ::PostMessageW(window, WM_ZT_UITASK, 0, 0);
}
} // namespace

CUiTaskQueue::CUiTaskQueue(HWND target)
    : target_(target), thread_(target ? ::GetWindowThreadProcessId(target, nullptr) : 0) {}

bool CUiTaskQueue::Post(Task task) {
    std::lock_guard<std::mutex> guard(lock_);
    if (!target_) return false;
    tasks_.push_back(std::move(task));
    if (!posted_) Wake();
    return true;
}

void CUiTaskQueue::Wake() {
    // One message drains everything queued until the drain starts.
    posted_ = ::PostMessageW(target_, WM_ZT_UITASK, 0, 0) != FALSE;
}

void CUiTaskQueue::Drain() {
    ExpectWindowThread(thread_, "CUiTaskQueue::Drain");
    const auto start = std::chrono::steady_clock::now();
    bool ran = false;
    for (;;) {
        Task task;
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (tasks_.empty() || !target_) {
                // While reports keep coming, the next drain comes on the timer, so a worker
                // posting one task after another wakes the window once per tick, not once per
                // task; a drain that finds nothing ends that.
                posted_ = ran && target_ &&
                          ::SetTimer(target_, kTimerUiTasks, USER_TIMER_MINIMUM, ResumeDrain) != 0;
                return;
            }
            if (std::chrono::steady_clock::now() - start >= kSlice) {
                posted_ = ::SetTimer(target_, kTimerUiTasks, USER_TIMER_MINIMUM, ResumeDrain) != 0;
                if (!posted_) Wake();
                return;
            }
            task = std::move(tasks_.front());
            tasks_.pop_front();
            ran = true;
        }
        // One failing task must not drop the ones behind it.
        try {
            if (task) task();
        } catch (...) {
            ::OutputDebugStringW(L"zentrove: exception in a UI task\n");
        }
    }
}

void CUiTaskQueue::Detach() {
    ExpectWindowThread(thread_, "CUiTaskQueue::Detach");
    std::lock_guard<std::mutex> guard(lock_);
    if (target_) ::KillTimer(target_, kTimerUiTasks);
    target_ = nullptr;
    tasks_.clear();
}

} // namespace zt
