#include "diskclean/JunkMeasuring.h"

#include "diskclean/FolderWalk.h"

namespace zt {

namespace {
bool Stopped(const std::atomic<bool>* stop) {
    return stop && stop->load();
}
} // namespace

bool MeasureJunkSizes(Registry& reg, System& sys, JunkSink& sink, const std::atomic<bool>* stop,
                      const JunkOptions& options) {
    const ProtectedFolders guarded = ProtectedFolders::Gather(reg, sys);
    const std::int64_t now = sys.CurrentTime();
    for (JunkItem item : kJunkMeasuringOrder) {
        if (Stopped(stop)) return false;
        JunkMeasurement m;
        m.item = item;
        if (item == JunkItem::RecycleBin) {
            m.bytes = GetRecycleBinTotal(sys);
        } else {
            JunkFolder folder = LocateJunkFolder(reg, sys, item, guarded);
            m.state = folder.state;
            m.reason = folder.reason;
            if (folder.ok()) {
                m.path = folder.reported;
                JunkTally t = MeasureJunkFolder(sys, folder.real,
                                                JunkRulesFor(item, options, now, true), stop);
                m.bytes = t.bytes;
                m.files = t.files;
                m.youngKept = t.youngKept;
            } else if (item == JunkItem::SystemTemp && folder.state == JunkFolderState::Unknown) {
                // Without administrator rights the check box keeps the text it has.
                m.measured = false;
            }
        }
        // A stopped walk has counted only part of the folder: that figure is never shown.
        if (Stopped(stop)) return false;
        if (!m.measured)
            m.caption = std::string(JunkTemplateText(item));
        else if (m.state != JunkFolderState::Ok)
            m.caption = JunkUnavailableCaption(item, m.state);
        else
            m.caption = JunkCaption(item, m.bytes);
        sink.OnJunkMeasured(m);
    }
    if (Stopped(stop)) return false;
    sink.OnJunkMeasuringFinished();
    return true;
}

namespace {
// Passes results on only while the run has not been abandoned, under the run's lock.
class GuardedSink : public JunkSink {
  public:
    GuardedSink(std::mutex& lock, const std::atomic<bool>& abandoned, JunkSink& to)
        : lock_(lock), abandoned_(abandoned), to_(to) {}
    void OnJunkMeasured(const JunkMeasurement& m) override {
        std::lock_guard<std::mutex> hold(lock_);
        if (!abandoned_) to_.OnJunkMeasured(m);
    }
    void OnJunkMeasuringFinished() override {
        std::lock_guard<std::mutex> hold(lock_);
        if (!abandoned_) to_.OnJunkMeasuringFinished();
    }

  private:
    std::mutex& lock_;
    const std::atomic<bool>& abandoned_;
    JunkSink& to_;
};
} // namespace

CJunkMeasureWorker::CJunkMeasureWorker(Registry& reg, System& sys) : reg_(reg), sys_(sys) {}

CJunkMeasureWorker::~CJunkMeasureWorker() {
    Abandon();
    Wait();
}

void CJunkMeasureWorker::Body(Registry& reg, System& sys, std::shared_ptr<Run> run,
                              std::function<void()> atThreadStart, JunkOptions options) {
    if (atThreadStart) atThreadStart();
    GuardedSink guarded(run->lock, run->abandoned, *run->sink);
    MeasureJunkSizes(reg, sys, guarded, &run->abandoned, options);
    run->finished = true;
}

void CJunkMeasureWorker::Start(JunkSink& sink, std::function<void()> atThreadStart) {
    Abandon();
    ReapFinished();
    auto run = std::make_shared<Run>();
    run->sink = &sink;
    std::lock_guard<std::mutex> hold(runsLock_);
    runs_.emplace_back(run, std::thread(&CJunkMeasureWorker::Body, std::ref(reg_), std::ref(sys_),
                                        run, std::move(atThreadStart), options_));
}

void CJunkMeasureWorker::Abandon() {
    std::lock_guard<std::mutex> hold(runsLock_);
    for (auto& [run, thread] : runs_) {
        // Taking the run's lock waits for a sink call in progress to return.
        std::lock_guard<std::mutex> runHold(run->lock);
        run->abandoned = true;
    }
}

bool CJunkMeasureWorker::IsBusy() const {
    std::lock_guard<std::mutex> hold(runsLock_);
    for (const auto& [run, thread] : runs_)
        if (!run->finished && !run->abandoned) return true;
    return false;
}

void CJunkMeasureWorker::ReapFinished() {
    std::lock_guard<std::mutex> hold(runsLock_);
    for (auto it = runs_.begin(); it != runs_.end();) {
        if (it->first->finished) {
            it->second.join();
            it = runs_.erase(it);
        } else {
            ++it;
        }
    }
}

void CJunkMeasureWorker::Wait() {
    std::vector<std::pair<std::shared_ptr<Run>, std::thread>> runs;
    {
        std::lock_guard<std::mutex> hold(runsLock_);
        runs.swap(runs_);
    }
    for (auto& [run, thread] : runs)
        thread.join();
}

} // namespace zt
