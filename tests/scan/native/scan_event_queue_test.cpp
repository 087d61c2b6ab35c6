// The queue between a scan's worker and its page.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "engine/ScanEngine.h"
#include "engine/ScanEventQueue.h"
#include "platform/memory/MemoryRegistry.h"
#include "platform/memory/MemorySystem.h"

namespace zt {
namespace {

TEST(ScanEventQueue, OneWakePerBatchAndOrderKept) {
    int wakes = 0;
    ScanEventQueue q([&] { ++wakes; });
    q.EnableClean(false);
    ScanRow row;
    row.number = "1";
    q.AddFinding(row);
    q.SetStatus("a");
    q.SetStatus("b");  // replaces "a": the page never showed it
    EXPECT_EQ(wakes, 1);
    auto batch = q.Drain();
    ASSERT_EQ(batch.size(), 3u);
    EXPECT_EQ(batch[0].type, ScanEvent::Type::EnableClean);
    EXPECT_EQ(batch[1].row.number, "1");
    EXPECT_EQ(batch[2].text, "b");
    q.ScanFinished(1, "Total found 1 invalide items");
    EXPECT_EQ(wakes, 2);
    EXPECT_EQ(q.Drain().at(0).count, 1);
    EXPECT_TRUE(q.Drain().empty());
}

TEST(ScanEventQueue, DetachedQueueDropsAndNeverWakes) {
    int wakes = 0;
    ScanEventQueue q([&] { ++wakes; });
    q.SetStatus("x");
    q.Detach();
    q.SetStatus("y");
    q.RefreshCheckAll();
    EXPECT_EQ(wakes, 1);
    EXPECT_TRUE(q.Drain().empty());
}

// A whole scan on a worker thread, drained by this thread as a page would.
TEST(ScanEventQueue, ScanOnAWorkerDeliversEverything) {
    MemoryRegistry reg;
    MemorySystem sys;
    {
        RegKey run(reg, reg.CreateKey(RootHandle(kCurrentUser),
                                      "Software\\Microsoft\\Windows\\CurrentVersion\\Run"));
        for (int i = 0; i < 500; ++i) {
            std::string data = "C:\\Gone\\p" + std::to_string(i) + ".exe";
            reg.WriteValue(run.get(), "v" + std::to_string(i), kRegSz, data.c_str(),
                           static_cast<std::uint32_t>(data.size() + 1));
        }
    }
    std::atomic<int> wakes{0};
    ScanEventQueue q([&] { ++wakes; });
    ScanEngine engine(reg, sys, q);
    engine.SetAllCategories(false);
    engine.categoryEnabled[6] = true;
    engine.BeginScan();
    std::thread worker([&] { engine.RunScan(); });
    std::vector<ScanEvent> all;
    bool finished = false;
    while (!finished) {
        for (auto& e : q.Drain()) {
            finished |= e.type == ScanEvent::Type::Finished;
            all.push_back(std::move(e));
        }
        std::this_thread::yield();
    }
    worker.join();
    int findings = 0;
    for (const auto& e : all) findings += e.type == ScanEvent::Type::Finding;
    EXPECT_EQ(findings, 500);
    EXPECT_EQ(all.back().count, 500);
    EXPECT_EQ(all.back().text, "Total found 500 invalide items");
    EXPECT_LE(wakes.load(), static_cast<int>(all.size()));
    EXPECT_GE(wakes.load(), 1);
}

}  // namespace
}  // namespace zt
