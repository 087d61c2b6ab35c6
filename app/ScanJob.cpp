#include "app/ScanJob.h"

#include <system_error>
#include <thread>

namespace zt {

CScanJob::CScanJob() : feed_(std::make_shared<CScanFeed>()), engine_(registry_, system_, *feed_) {}

bool CScanJob::StartWorker(const std::shared_ptr<CScanJob>& job) {
    job->workerActive_.store(true);
    try {
        // Never joined: the page waits on stopAcknowledged, not on the thread.
        std::thread([job] {
            job->engine_.RunScan();
            job->engine_.stopAcknowledged.Set();
            job->workerActive_.store(false);
        }).detach();
        return true;
    } catch (const std::system_error&) {
        job->workerActive_.store(false);
        return false;
    }
}

} // namespace zt
