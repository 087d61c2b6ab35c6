// The background job: results reach the window thread in order; stop, wait and abandon.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tests/ui/win/ui_test_util.h"
#include "ui/BackgroundJob.h"
#include "ui/Dialog.h"
#include "ui/DialogTemplate.h"

namespace zt {
namespace {

class CJobDialog : public CDialog, public JobResultsTarget {
  public:
    CJobDialog() : CDialog(std::make_shared<CDialogTemplate>(WS_POPUP, 0, 0, 100, 50, "job")) {}
    void BeginResults() override { ++runs; }
    void ScheduleDrain() override { ++scheduled; }
    int runs = 0, scheduled = 0;
};

TEST(BackgroundJob, ResultsArriveInOrderOnTheWindowThreadAndStopEndsTheWork) {
    CJobDialog dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    auto job = CBackgroundJob::Create();
    job->Connect(dlg.TaskQueue(), &dlg);
    const DWORD windowThread = ::GetCurrentThreadId();
    std::vector<int> got;
    bool wrongThread = false, toldToStop = false;
    ASSERT_TRUE(job->Start(
        [&, j = job.get()] {
            for (int i = 0; !j->StopFlag().load(); ++i) {
                j->Deliver([&, i] {
                    wrongThread |= ::GetCurrentThreadId() != windowThread;
                    got.push_back(i);
                });
                ::Sleep(1);
            }
        },
        [&] { toldToStop = true; }));
    EXPECT_TRUE(job->Running());
    EXPECT_FALSE(job->Start([] {})) << "one run at a time";
    // The dialog's drain timer, played by the test.
    auto drainScheduled = [&] {
        if (dlg.scheduled > 0) {
            dlg.scheduled = 0;
            job->Drain();
        }
    };
    ASSERT_TRUE(test::PumpUntil(
        [&] {
            drainScheduled();
            return got.size() >= 20;
        },
        10000));
    job->RequestStop();
    EXPECT_TRUE(toldToStop);
    ASSERT_TRUE(job->Wait(10000));
    EXPECT_FALSE(job->Running());
    // What the work delivered before it returned still arrives, after what came before it.
    for (int i = 0; i < 50 && dlg.scheduled > 0; ++i)
        drainScheduled();
    EXPECT_FALSE(wrongThread);
    ASSERT_FALSE(got.empty());
    for (std::size_t i = 0; i < got.size(); ++i)
        ASSERT_EQ(got[i], static_cast<int>(i));
    EXPECT_GT(dlg.runs, 0);

    // A finished job starts again.
    std::atomic<bool> again{false};
    ASSERT_TRUE(job->Start([&] { again = true; }));
    EXPECT_TRUE(job->Join(10000));
    EXPECT_TRUE(again.load());
    ::DestroyWindow(dlg.Handle());
}

TEST(BackgroundJob, AbandonedWorkDeliversNothingAndKeepsItsJobAlive) {
    CJobDialog dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    auto job = CBackgroundJob::Create();
    job->Connect(dlg.TaskQueue());
    std::weak_ptr<CBackgroundJob> watch = job;
    std::atomic<bool> release{false};
    std::atomic<int> delivered{0};
    int applied = 0;
    ASSERT_TRUE(job->Start([&, j = job.get()] {
        j->Deliver([&] { ++applied; }); // queued, never applied: abandoned first
        while (!release.load())
            ::Sleep(1);
        j->Deliver([&] { ++applied; });
        ++delivered;
    }));
    job->Abandon();
    EXPECT_TRUE(job->StopFlag().load());
    job.reset();
    ASSERT_FALSE(watch.expired()) << "the running worker holds the job";
    release = true;
    ASSERT_TRUE(test::PumpUntil([&] { return watch.expired(); }, 10000));
    test::Pump();
    EXPECT_EQ(delivered.load(), 1);
    EXPECT_EQ(applied, 0);
    ::DestroyWindow(dlg.Handle());
}

} // namespace
} // namespace zt
