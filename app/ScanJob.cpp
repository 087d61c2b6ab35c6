#include "app/ScanJob.h"

namespace zt {

CScanJob::CScanJob(Registry& registry, System& system)
    : job_(CBackgroundJob::Create()), engine_(registry, system, *this) {}

void CScanJob::Connect(UiTaskQueuePtr queue, JobResultsTarget* target, ScanSink* page) {
    page_ = page;
    job_->Connect(std::move(queue), target);
}

bool CScanJob::Start() {
    engine_.BeginScan();
    ScanEngine* engine = &engine_;
    bool started = job_->Start([self = shared_from_this()] { self->engine_.RunScan(); },
                               [engine] { engine->RequestStop(); });
    if (!started) engine_.stopRequested.store(true);
    return started;
}

// The results run on the window thread only while the job is connected, that is while the
// page lives.
void CScanJob::AddFinding(ScanRow row) {
    job_->Deliver(
        [page = page_, row = std::move(row)]() mutable { page->AddFinding(std::move(row)); });
}

void CScanJob::ScanProgress(std::string_view keyPath) {
    job_->Deliver([page = page_, path = std::string(keyPath)] { page->ScanProgress(path); });
}

void CScanJob::ScanFinished(const ScanSummary& summary) {
    // Alone: the page shows a box, over a list already repainted.
    job_->Deliver([page = page_, summary] { page->ScanFinished(summary); }, true);
}

} // namespace zt
