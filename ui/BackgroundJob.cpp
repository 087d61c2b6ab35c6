#include "ui/BackgroundJob.h"

#include <iterator>
#include <system_error>
#include <thread>
#include <vector>

#include "ui/PumpWait.h"

namespace zt {

std::shared_ptr<CBackgroundJob> CBackgroundJob::Create() {
    return std::shared_ptr<CBackgroundJob>(new CBackgroundJob());
}

// Signalled whenever no work runs.
CBackgroundJob::CBackgroundJob() : done_(::CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

CBackgroundJob::~CBackgroundJob() {
    if (done_) ::CloseHandle(done_);
}

void CBackgroundJob::Connect(UiTaskQueuePtr queue, JobResultsTarget* target) {
    std::lock_guard<std::mutex> guard(lock_);
    queue_ = std::move(queue);
    target_ = target;
    connected_.store(true);
}

bool CBackgroundJob::Start(Work work, std::function<void()> onStop) {
    if (!done_ || Running()) return false;
    stop_.store(false);
    onStop_ = std::move(onStop);
    ::ResetEvent(done_);
    try {
        // Never joined: waiting is on the event, and the thread keeps the job alive.
        std::thread([self = shared_from_this(), work = std::move(work)] {
            work();
            ::SetEvent(self->done_);
        }).detach();
        return true;
    } catch (const std::system_error&) {
        ::SetEvent(done_);
        return false;
    }
}

void CBackgroundJob::RequestStop() {
    stop_.store(true);
    if (onStop_) onStop_();
}

bool CBackgroundJob::Running() const {
    return done_ && ::WaitForSingleObject(done_, 0) != WAIT_OBJECT_0;
}

bool CBackgroundJob::Wait(DWORD timeoutMs) {
    return PumpUntil([this] { return !Running(); }, timeoutMs);
}

bool CBackgroundJob::Join(DWORD timeoutMs) {
    return !done_ || ::WaitForSingleObject(done_, timeoutMs) == WAIT_OBJECT_0;
}

void CBackgroundJob::Abandon() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        connected_.store(false);
        target_ = nullptr;
        queue_.reset();
        results_.clear();
    }
    RequestStop();
}

void CBackgroundJob::Deliver(Result result, bool alone) {
    std::lock_guard<std::mutex> guard(lock_);
    if (!connected_.load()) return;
    results_.push_back(Item{std::move(result), alone});
    if (!drainPending_) AskForDrain();
}

void CBackgroundJob::AskForDrain() {
    if (!queue_) return;
    std::weak_ptr<CBackgroundJob> self = weak_from_this();
    drainPending_ = queue_->Post([self] {
        if (auto job = self.lock()) job->Drain();
    });
}

void CBackgroundJob::Drain() {
    JobResultsTarget* target = target_;
    auto start = std::chrono::steady_clock::now();
    std::vector<Item> chunk;
    bool began = false;
    for (;;) {
        chunk.clear();
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (!connected_.load()) return;
            if (results_.empty()) break;
            while (!results_.empty() && chunk.size() < 64) {
                bool alone = results_.front().alone;
                if (alone && !chunk.empty()) break;
                chunk.push_back(std::move(results_.front()));
                results_.pop_front();
                if (alone) break;
            }
        }
        bool sliceOver = false;
        for (std::size_t i = 0; i < chunk.size() && !sliceOver; ++i) {
            Item& item = chunk[i];
            if (item.alone) {
                if (began && target) target->EndResults();
                began = false;
                item.run(); // may run a modal message box
                if (!connected_.load()) return;
            } else {
                if (!began && target) target->BeginResults();
                began = true;
                item.run();
            }
            sliceOver = std::chrono::steady_clock::now() - start >= kSlice;
            if (sliceOver && i + 1 < chunk.size()) {
                // A few heavy results must not hold the window either: the rest waits, in order.
                std::lock_guard<std::mutex> guard(lock_);
                if (!connected_.load()) return;
                results_.insert(results_.begin(), std::make_move_iterator(chunk.begin() + i + 1),
                                std::make_move_iterator(chunk.end()));
            }
        }
        if (sliceOver) break;
    }
    if (began && target) target->EndResults();
    std::lock_guard<std::mutex> guard(lock_);
    if (!connected_.load()) return;
    if (began || !results_.empty()) {
        // More is likely on its way: a timer yields to input and painting.
        if (target)
            target->ScheduleDrain();
        else
            AskForDrain();
    } else {
        drainPending_ = false; // idle: the worker's next result asks for a drain again
    }
}

} // namespace zt
