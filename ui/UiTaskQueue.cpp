#include "ui/UiTaskQueue.h"

#include "ui/Messages.h"

namespace zt {

bool CUiTaskQueue::Post(Task task) {
    std::vector<Task> one;
    one.push_back(std::move(task));
    return PostBatch(std::move(one));
}

bool CUiTaskQueue::PostBatch(std::vector<Task> tasks) {
    std::lock_guard<std::mutex> guard(lock_);
    if (!target_) return false;
    for (auto& t : tasks)
        tasks_.push_back(std::move(t));
    if (!posted_) {
        // One message drains everything queued until the drain starts.
        posted_ = ::PostMessageW(target_, WM_ZT_UITASK, 0, 0) != FALSE;
    }
    return true;
}

void CUiTaskQueue::Drain() {
    std::vector<Task> run;
    {
        std::lock_guard<std::mutex> guard(lock_);
        run.swap(tasks_);
        posted_ = false;
    }
    for (auto& t : run) {
        // One failing task must not drop the ones behind it.
        try {
            if (t) t();
        } catch (...) {
            ::OutputDebugStringW(L"zentrove: exception in a UI task\n");
        }
    }
}

void CUiTaskQueue::Detach() {
    std::lock_guard<std::mutex> guard(lock_);
    target_ = nullptr;
    tasks_.clear();
}

} // namespace zt
