#pragma once
// What the window benchmarks share: planted Shared Dlls findings and a 10 ms timer on the
// window thread whose longest gap between ticks is the thread's worst stall.
#include <windows.h>

#include <algorithm>
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

// The window thread's longest stall while it runs.
class StallMeter {
  public:
    StallMeter() {
        worst_ = 0;
        last_ = Clock::now();
        start_ = last_;
        timer_ = ::SetTimer(nullptr, 0, 10, Tick);
    }
    ~StallMeter() { ::KillTimer(nullptr, timer_); }
    double WorstMs() const { return worst_; }
    // When the longest stall ended, in ms after the meter started.
    double WorstEndedMs() const { return worstEnded_; }

  private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        auto now = Clock::now();
        if (Ms(now - last_) > worst_) {
            worst_ = Ms(now - last_);
            worstEnded_ = Ms(now - start_);
        }
        last_ = now;
    }
    static inline Clock::time_point last_;
    static inline Clock::time_point start_;
    static inline double worst_ = 0;
    static inline double worstEnded_ = 0;
    UINT_PTR timer_;
};

} // namespace bench
