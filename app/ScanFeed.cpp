#include "app/ScanFeed.h"

namespace zt {

void CScanFeed::Connect(UiTaskQueuePtr queue, ScanFeedTarget* target) {
    std::lock_guard<std::mutex> guard(lock_);
    queue_ = std::move(queue);
    target_ = target;
    connected_.store(true);
}

void CScanFeed::Disconnect() {
    std::lock_guard<std::mutex> guard(lock_);
    connected_.store(false);
    target_ = nullptr;
    queue_.reset();
    events_.clear();
}

void CScanFeed::Push(ScanEvent event) {
    std::lock_guard<std::mutex> guard(lock_);
    if (!connected_.load()) return;
    events_.push_back(std::move(event));
    if (drainPending_ || !queue_) return;
    std::weak_ptr<CScanFeed> self = weak_from_this();
    drainPending_ = queue_->Post([self] {
        if (auto feed = self.lock()) feed->Drain();
    });
}

void CScanFeed::Drain() {
    ScanFeedTarget* target = target_;
    if (!target) return;
    auto start = std::chrono::steady_clock::now();
    std::vector<ScanEvent> chunk;
    bool began = false;
    for (;;) {
        chunk.clear();
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (!connected_.load()) return;
            if (events_.empty()) break;
            // Stop a run before the end of the scan, so the total message is shown over a
            // repainted list.
            while (!events_.empty() && chunk.size() < 64) {
                bool finished = events_.front().kind == ScanEvent::Finished;
                if (finished && !chunk.empty()) break;
                chunk.push_back(std::move(events_.front()));
                events_.pop_front();
                if (finished) break;
            }
        }
        for (auto& event : chunk) {
            if (event.kind == ScanEvent::Finished) {
                if (began) target->EndScanEvents();
                began = false;
                target->ApplyScanEvent(event); // may run a modal message box
                if (!connected_.load()) return;
                continue;
            }
            if (!began) {
                target->BeginScanEvents();
                began = true;
            }
            target->ApplyScanEvent(event);
        }
        if (std::chrono::steady_clock::now() - start >= kSlice) break;
    }
    if (began) target->EndScanEvents();
    std::lock_guard<std::mutex> guard(lock_);
    if (!connected_.load()) return;
    if (began || !events_.empty()) {
        // More is likely on its way: the next drain comes from a timer, which yields to
        // input and painting, instead of a posted message that would starve them.
        target->ScheduleScanDrain();
    } else {
        drainPending_ = false; // idle: the worker's next report posts a drain again
    }
}

void CScanFeed::AddFinding(ScanRow row) {
    ScanEvent e;
    e.kind = ScanEvent::Finding;
    e.row = std::move(row);
    Push(std::move(e));
}

void CScanFeed::SetStatus(std::string_view text) {
    ScanEvent e;
    e.kind = ScanEvent::Status;
    e.text = text;
    Push(std::move(e));
}

void CScanFeed::EnableClean(bool enabled) {
    ScanEvent e;
    e.kind = ScanEvent::EnableClean;
    e.flag = enabled;
    Push(std::move(e));
}

void CScanFeed::SetScanCaption(std::string_view caption) {
    ScanEvent e;
    e.kind = ScanEvent::Caption;
    e.text = caption;
    Push(std::move(e));
}

void CScanFeed::RefreshCheckAll() {
    ScanEvent e;
    e.kind = ScanEvent::RefreshCheckAll;
    Push(std::move(e));
}

void CScanFeed::ScanFinished(int count, std::string_view message) {
    ScanEvent e;
    e.kind = ScanEvent::Finished;
    e.count = count;
    e.text = message;
    Push(std::move(e));
}

} // namespace zt
