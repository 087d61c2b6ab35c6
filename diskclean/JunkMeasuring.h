#pragma once
// Measuring the five junk places, reported place by place through a sink, and the worker
// that runs it away from the user-interface thread.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "diskclean/JunkPlaces.h"

namespace zt {

struct JunkMeasurement {
    JunkItem item = JunkItem::RecycleBin;
    // False only for the system temporary folder when it cannot be determined: the check box
    // then keeps the text it has.
    bool measured = true;
    // The folder measured, without trailing backslash; none for the Recycle Bin and for a
    // folder the system does not report (or that is refused), whose size is then 0.
    std::optional<std::string> path;
    std::uint64_t bytes = 0;
    // Why the place cannot be cleaned (see JunkFolder); Ok when it can.
    JunkFolderState state = JunkFolderState::Ok;
    std::string reason;
    std::uint64_t files = 0;     // files a cleaning would remove
    std::uint64_t youngKept = 0; // files left out for being changed recently
    // The check box text: the caption with its size, "(not available)" and the like when the
    // place cannot be cleaned, or the template text when not measured.
    std::string caption;
};

class JunkSink {
  public:
    virtual ~JunkSink() = default;
    // One call per place, in measuring order, from the measuring thread.
    virtual void OnJunkMeasured(const JunkMeasurement& m) = 0;
    // After the last place of a run that was not stopped.
    virtual void OnJunkMeasuringFinished() {}
};

// Measures the five places in order and reports each to `sink`. When `stop` becomes true the
// run ends at the next file and reports nothing more. True when the run was not stopped.
// Only what a cleaning with `options` would remove is counted.
bool MeasureJunkSizes(Registry& reg, System& sys, JunkSink& sink,
                      const std::atomic<bool>* stop = nullptr, const JunkOptions& options = {});

// Runs MeasureJunkSizes on threads of its own. Starting a run abandons the one still busy,
// so an outdated result never overwrites a newer one. Abandon() is how a page that goes away
// says so: once it returns, no run calls any sink again. Sinks are called under a lock that
// Abandon() takes, so a sink must not wait for the thread that calls Abandon() (post, never
// send, to a window). The registry and system must outlive this object, whose destructor
// abandons and waits for its threads (each stops at its next file).
class CJunkMeasureWorker {
  public:
    CJunkMeasureWorker(Registry& reg, System& sys);
    ~CJunkMeasureWorker();
    CJunkMeasureWorker(const CJunkMeasureWorker&) = delete;
    CJunkMeasureWorker& operator=(const CJunkMeasureWorker&) = delete;

    // `atThreadStart` runs first on the new thread (the page raises its priority there after
    // a cleaning).
    void Start(JunkSink& sink, std::function<void()> atThreadStart = {});
    // Options of the runs started from now on.
    void SetOptions(const JunkOptions& options) { options_ = options; }
    void Abandon();
    // True while a run that was not abandoned is still measuring.
    bool IsBusy() const;
    // Waits until every thread started so far has ended.
    void Wait();

  private:
    struct Run {
        std::mutex lock; // held while the sink is called and while abandoning
        JunkSink* sink = nullptr;
        std::atomic<bool> abandoned{false};
        std::atomic<bool> finished{false};
    };
    static void Body(Registry& reg, System& sys, std::shared_ptr<Run> run,
                     std::function<void()> atThreadStart, JunkOptions options);
    void ReapFinished();

    Registry& reg_;
    System& sys_;
    JunkOptions options_;
    mutable std::mutex runsLock_;
    std::vector<std::pair<std::shared_ptr<Run>, std::thread>> runs_;
};

} // namespace zt
