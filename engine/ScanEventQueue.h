#pragma once
// A ScanSink for a page: the worker's calls are queued under a lock and the page's thread
// takes them in batches. `wake` runs on the worker only when the queue turns non-empty, so
// one posted message serves a whole batch; the worker never waits for the page's thread.
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/ScanSink.h"

namespace zt {

struct ScanEvent {
    enum class Type { Finding, Status, EnableClean, ScanCaption, RefreshCheckAll, Finished };
    Type type = Type::Status;
    ScanRow row;       // Finding
    std::string text;  // Status, ScanCaption, Finished (the total message)
    bool enabled = false;  // EnableClean
    int count = 0;         // Finished
};

class ScanEventQueue : public ScanSink {
public:
    explicit ScanEventQueue(std::function<void()> wake) : wake_(std::move(wake)) {}

    void AddFinding(ScanRow row) override;
    void SetStatus(std::string_view text) override;
    void EnableClean(bool enabled) override;
    void SetScanCaption(std::string_view caption) override;
    void RefreshCheckAll() override;
    void ScanFinished(int count, std::string_view message) override;

    // The page's thread: everything queued since the last call, in order.
    std::vector<ScanEvent> Drain();
    // The page is going: later events are dropped and `wake` is never called again.
    void Detach();

private:
    void Push(ScanEvent event);

    std::mutex mutex_;
    std::mutex wakeMutex_;
    std::vector<ScanEvent> events_;
    std::function<void()> wake_;
    bool detached_ = false;
};

}  // namespace zt
