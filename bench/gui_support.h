#pragma once
// What the window benchmarks share: planted Shared Dlls findings and a meter of the window
// thread's longest stall.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>
#include <chrono>
#include <cstdio>
#include <cstdint>

#include <commctrl.h>
#include <psapi.h>

#include <cstdlib>

#include "seams/Registry.h"
#include "tests/support/wine_guard.h"

namespace bench {

using Clock = std::chrono::steady_clock;
inline constexpr const char* kSharedDlls =
    "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
inline constexpr int kSharedDllsCategory = 4;

inline double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// DLL entries whose files are gone: each one is a finding of the Shared Dlls area. Those an
// earlier run left are written again, which costs little.
inline void PlantFindings(zt::Registry& reg, int count) {
    zt::RegKey key(reg, reg.CreateKey(zt::RootHandle(zt::kLocalMachine), kSharedDlls));
    auto info = reg.QueryKeyInfo(key.get());
    if (info && info->values >= static_cast<std::uint32_t>(count)) return; // from an earlier run
    char name[64];
    for (int i = 0; i < count; ++i) {
        std::snprintf(name, sizeof name, "C:\\zt_bench_gone\\lib%05d.dll", i);
        std::uint32_t refs = 1;
        (void)reg.WriteValue(key.get(), name, zt::kRegDword, &refs, sizeof refs);
    }
}

// The start of a window benchmark: false outside the marked Wine prefix; else the common
// controls are ready and the findings (argv[1], 50,000 by default) planted.
inline bool PrepareGuiBench(int argc, char** argv, zt::Registry& reg) {
    if (!zt::test::RunsInMarkedWinePrefix()) return false;
    int findings = argc > 1 ? std::atoi(argv[1]) : 50000;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    auto plantStart = Clock::now();
    PlantFindings(reg, findings);
    std::printf("planted %d invalid SharedDlls entries in %.0f ms\n", findings,
                Ms(Clock::now() - plantStart));
    return true;
}

// The process's working set now, in bytes.
inline double WorkingSetBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return static_cast<double>(counters.WorkingSetSize);
}

// The working set's growth per listed finding, in bytes, from `before` to now.
inline double GrowthPerFinding(double before, int listed) {
    return listed > 0 ? (WorkingSetBytes() - before) / listed : 0;
}

// Ticks of a 10 ms timer on one thread, from the thread that runs its messages.
class TickLog {
  public:
    TickLog() { ticks_.reserve(1 << 16); }
    void Start() {
        Current() = this;
        ticks_.push_back(Clock::now());
        timer_ = ::SetTimer(nullptr, 0, 10, Tick);
    }
    void Stop() {
        ::KillTimer(nullptr, timer_);
        ticks_.push_back(Clock::now());
        Current() = nullptr;
    }
    const std::vector<Clock::time_point>& Ticks() const { return ticks_; }

  private:
    static TickLog*& Current() {
        thread_local TickLog* log = nullptr;
        return log;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        if (TickLog* log = Current()) log->ticks_.push_back(Clock::now());
    }
    std::vector<Clock::time_point> ticks_;
    UINT_PTR timer_ = 0;
};

// The window thread's longest stall while it runs, beside that of an idle thread of the same
// process ticking the same timer. Under Wine every thread waits while the server is busy (it
// writes the whole registry to disk every 30 s or so, long with 50,000 planted values): a gap
// both threads share is the platform's; the window thread's own stall is what the idle thread
// did not share.
class StallMeter {
  public:
    StallMeter() {
        std::atomic<bool> started{false};
        idle_ = std::thread([this, &started] {
            MSG msg;
            ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE); // make the queue
            idleLog_.Start();
            idleId_ = ::GetCurrentThreadId();
            started = true;
            while (::GetMessageW(&msg, nullptr, 0, 0) > 0)
                ::DispatchMessageW(&msg);
            idleLog_.Stop();
        });
        while (!started)
            std::this_thread::yield();
        start_ = Clock::now();
        windowLog_.Start();
    }
    ~StallMeter() { Stop(); }
    void Stop() {
        if (!idle_.joinable()) return;
        windowLog_.Stop();
        ::PostThreadMessageW(idleId_, WM_QUIT, 0, 0);
        idle_.join();
    }
    // The window thread's longest gap between ticks, whoever caused it.
    double WorstMs() {
        Stop();
        return Worst(windowLog_.Ticks(), nullptr).ms;
    }
    // When that gap ended, in ms after the meter started.
    double WorstEndedMs() {
        Stop();
        return Ms(Worst(windowLog_.Ticks(), nullptr).end - start_);
    }
    // The window thread's longest gap less the part the idle thread spent stalled with it.
    double WorstOwnMs() {
        Stop();
        return Worst(windowLog_.Ticks(), &idleLog_.Ticks()).ms;
    }
    // The idle thread's longest gap: what the platform alone costs.
    double IdleWorstMs() {
        Stop();
        return Worst(idleLog_.Ticks(), nullptr).ms;
    }

  private:
    struct Gap {
        double ms = 0;
        Clock::time_point end{};
    };
    // The longest gap of `ticks`, each less its overlap with the longest gap of `shared` that
    // falls within it.
    static Gap Worst(const std::vector<Clock::time_point>& ticks,
                     const std::vector<Clock::time_point>* shared) {
        Gap worst;
        for (size_t i = 1; i < ticks.size(); ++i) {
            double ms = Ms(ticks[i] - ticks[i - 1]);
            if (shared) ms -= LongestOverlap(*shared, ticks[i - 1], ticks[i]);
            if (ms > worst.ms) worst = {ms, ticks[i]};
        }
        return worst;
    }
    static double LongestOverlap(const std::vector<Clock::time_point>& ticks,
                                 Clock::time_point from, Clock::time_point to) {
        auto it = std::upper_bound(ticks.begin(), ticks.end(), from);
        if (it != ticks.begin()) --it;
        double longest = 0;
        for (; it + 1 < ticks.end() && *it < to; ++it) {
            Clock::time_point a = std::max(*it, from), b = std::min(*(it + 1), to);
            if (b > a) longest = std::max(longest, Ms(b - a));
        }
        // An idle thread's normal tick is not a stall.
        return longest > 20 ? longest : 0;
    }

    TickLog windowLog_, idleLog_;
    std::thread idle_;
    DWORD idleId_ = 0;
    Clock::time_point start_;
};

} // namespace bench
