// The background job and the window's task queue: results reach the window thread in order,
// in slices; stop, wait, abandon, a throwing work and the window-thread check.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/ui/win/ui_test_util.h"
#include "ui/BackgroundJob.h"
#include "ui/Dialog.h"
#include "ui/DialogTemplate.h"
#include "ui/WindowThread.h"

namespace zt {
namespace {

class CJobDialog : public CDialog {
  public:
    CJobDialog() : CDialog(std::make_shared<CDialogTemplate>(WS_POPUP, 0, 0, 100, 50, "job")) {}
};

// A window and a job connected to it.
struct BackgroundJob : ::testing::Test {
    CJobDialog dlg;
    std::shared_ptr<CBackgroundJob> job = CBackgroundJob::Create();
    void SetUp() override {
        ASSERT_TRUE(dlg.Create(nullptr));
        job->Connect(dlg.TaskQueue());
    }
    void TearDown() override { ::DestroyWindow(dlg.Handle()); }
};

TEST_F(BackgroundJob, ResultsArriveInOrderOnTheWindowThreadAndStopEndsTheWork) {
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
    ASSERT_TRUE(test::PumpUntil([&] { return got.size() >= 20; }, 10000));
    job->RequestStop();
    EXPECT_TRUE(toldToStop);
    ASSERT_TRUE(job->Wait(10000));
    EXPECT_FALSE(job->Running());
    // What the work delivered before it returned still arrives, after what came before it.
    test::PumpUntil([] { return false; }, 200);
    EXPECT_FALSE(wrongThread);
    ASSERT_FALSE(got.empty());
    for (std::size_t i = 0; i < got.size(); ++i)
        ASSERT_EQ(got[i], static_cast<int>(i));
    EXPECT_EQ(job->DroppedResults(), 0u);

    // A finished job starts again.
    std::atomic<bool> again{false};
    ASSERT_TRUE(job->Start([&] { again = true; }));
    EXPECT_TRUE(job->Join(10000));
    EXPECT_TRUE(again.load());
}

TEST_F(BackgroundJob, AThrowingWorkIsAFailedRunReportedAfterItsResultsAndEnds) {
    std::vector<std::string> seen;
    job->OnFailure([&](const std::string& what) { seen.push_back("failed: " + what); });
    ASSERT_TRUE(job->Start([j = job.get(), &seen] {
        j->Deliver([&seen] { seen.push_back("result"); });
        throw std::runtime_error("disk gone");
    }));
    ASSERT_TRUE(job->Join(10000)) << "the end is signalled after a throw";
    EXPECT_TRUE(job->Failed());
    ASSERT_TRUE(test::PumpUntil([&] { return seen.size() == 2; }, 5000));
    EXPECT_EQ(seen, (std::vector<std::string>{"result", "failed: disk gone"}));

    // Anything thrown counts, and a later run that returns is no failure.
    ASSERT_TRUE(job->Start([] { throw 42; }));
    ASSERT_TRUE(job->Join(10000));
    EXPECT_TRUE(job->Failed());
    ASSERT_TRUE(test::PumpUntil([&] { return seen.size() == 3; }, 5000));
    EXPECT_EQ(seen.back(), "failed: an unknown error");
    ASSERT_TRUE(job->Start([] {}));
    ASSERT_TRUE(job->Join(10000));
    EXPECT_FALSE(job->Failed());
}

TEST_F(BackgroundJob, WindowThreadOnlyCallsFromAnotherThreadAreCaught) {
    std::vector<std::string> caught;
    std::mutex lock;
    WrongThreadHandler previous = SetWrongThreadHandler([&](const char* what) {
        std::lock_guard<std::mutex> guard(lock);
        caught.emplace_back(what);
    });
    job->Abandon(); // on the window thread: fine
    job->Connect(dlg.TaskQueue());
    std::thread([&] {
        (void)job->Wait(0);
        job->Abandon();
        job->RequestStop(); // any thread may ask for a stop
        dlg.TaskQueue()->Drain();
    }).join();
    SetWrongThreadHandler(std::move(previous));
    EXPECT_EQ(caught, (std::vector<std::string>{"CBackgroundJob::Wait", "CBackgroundJob::Abandon",
                                                "CUiTaskQueue::Drain"}));
}

TEST_F(BackgroundJob, TheWindowsQueueGivesWayAfterItsSliceAndTheRestFollowsInOrder) {
    UiTaskQueuePtr queue = dlg.TaskQueue();
    std::vector<int> ran;
    for (int i = 0; i < 20; ++i)
        queue->Post([&ran, i] {
            ::Sleep(10);
            ran.push_back(i);
        });
    auto start = std::chrono::steady_clock::now();
    queue->Drain();
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(ran.size(), 20u) << "one drain ran every heavy task";
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(),
              CUiTaskQueue::kSlice.count() + 40);
    ASSERT_TRUE(test::PumpUntil([&] { return ran.size() == 20; }, 5000));
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(ran[i], i);
}

TEST_F(BackgroundJob, AbandonedWorkDeliversNothingAndKeepsItsJobAlive) {
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
    std::shared_ptr<CBackgroundJob> held = watch.lock(); // to read what it dropped
    release = true;
    ASSERT_TRUE(held->Join(10000));
    test::Pump();
    EXPECT_EQ(delivered.load(), 1);
    EXPECT_EQ(applied, 0);
    // Both results were dropped: the one queued before the abandon and the one after it.
    EXPECT_EQ(held->DroppedResults(), 2u);
    held.reset();
    ASSERT_TRUE(test::PumpUntil([&] { return watch.expired(); }, 10000));
}

} // namespace
} // namespace zt
