#include "ui/BackgroundJob.h"

#include <exception>
#include <system_error>
#include <thread>

#include "ui/PumpWait.h"
#include "ui/WindowThread.h"

namespace zt {

std::shared_ptr<CBackgroundJob> CBackgroundJob::Create() {
    return std::shared_ptr<CBackgroundJob>(new CBackgroundJob());
}

// Signalled whenever no work runs.
CBackgroundJob::CBackgroundJob() : done_(::CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

CBackgroundJob::~CBackgroundJob() {
    if (done_) ::CloseHandle(done_);
}

void CBackgroundJob::Connect(UiTaskQueuePtr queue) {
    if (queue) windowThread_ = queue->WindowThread();
    ExpectWindowThread(windowThread_, "CBackgroundJob::Connect");
    std::lock_guard<std::mutex> guard(lock_);
    ++generation_;
    queue_ = std::move(queue);
}

void CBackgroundJob::OnFailure(Failure failure) {
    ExpectWindowThread(windowThread_, "CBackgroundJob::OnFailure");
    onFailure_ = std::move(failure);
}

bool CBackgroundJob::Start(Work work, std::function<void()> onStop) {
    ExpectWindowThread(windowThread_, "CBackgroundJob::Start");
    if (!done_ || Running()) return false;
    stop_.store(false);
    failed_.store(false);
    onStop_ = std::move(onStop);
    ::ResetEvent(done_);
    try {
        // Never joined: waiting is on the event, and the thread keeps the job alive.
        std::thread([self = shared_from_this(), work = std::move(work)] {
            self->RunOnThread(work);
        }).detach();
        return true;
    } catch (const std::system_error&) {
        ::SetEvent(done_);
        return false;
    }
}

void CBackgroundJob::RunOnThread(const Work& work) {
    std::string what;
    try {
        work();
    } catch (const std::exception& e) {
        failed_.store(true);
        what = e.what();
    } catch (...) {
        failed_.store(true);
        what = "an unknown error";
    }
    // The window hears of the failure after every result the work delivered.
    if (failed_.load()) {
        Failure told = onFailure_;
        if (told) {
            Deliver([told, what] { told(what); });
        } else {
            ::OutputDebugStringW(L"zentrove: a background job failed\n");
        }
    }
    ::SetEvent(done_); // always: waiters and the close path count on it
}

void CBackgroundJob::RequestStop() {
    stop_.store(true);
    if (onStop_) onStop_();
}

bool CBackgroundJob::Running() const {
    return done_ && ::WaitForSingleObject(done_, 0) != WAIT_OBJECT_0;
}

bool CBackgroundJob::Wait(DWORD timeoutMs) {
    ExpectWindowThread(windowThread_, "CBackgroundJob::Wait");
    return PumpUntil([this] { return !Running(); }, timeoutMs);
}

bool CBackgroundJob::Join(DWORD timeoutMs) const {
    return !done_ || ::WaitForSingleObject(done_, timeoutMs) == WAIT_OBJECT_0;
}

void CBackgroundJob::Abandon() {
    ExpectWindowThread(windowThread_, "CBackgroundJob::Abandon");
    {
        std::lock_guard<std::mutex> guard(lock_);
        ++generation_;
        queue_.reset();
    }
    RequestStop();
}

bool CBackgroundJob::StopAndAbandon(DWORD waitMs) {
    RequestStop();
    const bool ended = Join(waitMs);
    Abandon();
    return ended;
}

void CBackgroundJob::Deliver(Result result) {
    std::lock_guard<std::mutex> guard(lock_);
    const std::uint64_t generation = generation_.load();
    if (!queue_) {
        ++dropped_;
        return;
    }
    bool posted = queue_->Post([self = shared_from_this(), generation, run = std::move(result)] {
        if (self->generation_.load() != generation) {
            ++self->dropped_;
            return;
        }
        run();
    });
    if (!posted) ++dropped_;
}

} // namespace zt
