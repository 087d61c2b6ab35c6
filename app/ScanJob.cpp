#include "app/ScanJob.h"

namespace zt {

CScanJob::CScanJob(Registry& registry, System& system)
    : job_(CBackgroundJob::Create()), engine_(registry, system, *this) {}

void CScanJob::Connect(UiTaskQueuePtr queue, ScanSink* page, CBackgroundJob::Failure failed) {
    page_ = page;
    job_->Connect(std::move(queue));
    job_->OnFailure(std::move(failed));
}

std::vector<int> CScanJob::LoadSwitches(const SettingsStore& settings) {
    engine_.LoadSwitches(settings);
    engine_.UseIgnoreListOf(&settings);
    std::vector<int> enabled;
    for (int i = 0; i < kScanCategoryCount; ++i)
        if (engine_.categoryEnabled[i].load()) enabled.push_back(i);
    return enabled;
}

Status CScanJob::StoreSwitches(const std::vector<int>& enabled, const SettingsStore& settings) {
    for (auto& c : engine_.categoryEnabled)
        c.store(false);
    for (int i : enabled)
        if (i >= 0 && i < kScanCategoryCount) engine_.categoryEnabled[i].store(true);
    Status first = Status::Success();
    for (int i = 0; i < kScanCategoryCount; ++i) {
        Status written =
            settings.WriteInt(kScanCategories[i].settingsKey, engine_.categoryEnabled[i].load());
        if (first && !written) first = written;
    }
    return first;
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
    job_->Deliver([page = page_, summary] { page->ScanFinished(summary); });
}

} // namespace zt
