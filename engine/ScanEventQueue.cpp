#include "engine/ScanEventQueue.h"

namespace zt {

void ScanEventQueue::Push(ScanEvent event) {
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (detached_) return;
        // Only the latest status line matters to a page that has not shown the earlier one.
        if (event.type == ScanEvent::Type::Status && !events_.empty() &&
            events_.back().type == ScanEvent::Type::Status) {
            events_.back().text = std::move(event.text);
            return;
        }
        bool wasEmpty = events_.empty();
        events_.push_back(std::move(event));
        wake = wasEmpty;
    }
    if (!wake) return;
    // Outside the queue's lock, so a wake that drains at once cannot deadlock; under its own,
    // so no wake runs once Detach has returned.
    std::lock_guard<std::mutex> lock(wakeMutex_);
    if (wake_) wake_();
}

void ScanEventQueue::AddFinding(ScanRow row) {
    ScanEvent e;
    e.type = ScanEvent::Type::Finding;
    e.row = std::move(row);
    Push(std::move(e));
}

void ScanEventQueue::SetStatus(std::string_view text) {
    ScanEvent e;
    e.type = ScanEvent::Type::Status;
    e.text = std::string(text);
    Push(std::move(e));
}

void ScanEventQueue::EnableClean(bool enabled) {
    ScanEvent e;
    e.type = ScanEvent::Type::EnableClean;
    e.enabled = enabled;
    Push(std::move(e));
}

void ScanEventQueue::SetScanCaption(std::string_view caption) {
    ScanEvent e;
    e.type = ScanEvent::Type::ScanCaption;
    e.text = std::string(caption);
    Push(std::move(e));
}

void ScanEventQueue::RefreshCheckAll() {
    ScanEvent e;
    e.type = ScanEvent::Type::RefreshCheckAll;
    Push(std::move(e));
}

void ScanEventQueue::ScanFinished(int count, std::string_view message) {
    ScanEvent e;
    e.type = ScanEvent::Type::Finished;
    e.count = count;
    e.text = std::string(message);
    Push(std::move(e));
}

std::vector<ScanEvent> ScanEventQueue::Drain() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<ScanEvent> out;
    out.swap(events_);
    return out;
}

void ScanEventQueue::Detach() {
    std::lock_guard<std::mutex> wakeLock(wakeMutex_);
    std::lock_guard<std::mutex> lock(mutex_);
    detached_ = true;
    events_.clear();
    wake_ = nullptr;
}

}  // namespace zt
