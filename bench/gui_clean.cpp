// The scan page cleaning 50,000 findings: timed from the confirmation to the total message,
// with the window thread's longest stall meanwhile, and the progress bar read on the way.
#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/AppContext.h"
#include "app/AppSettingsLink.h"
#include "app/DlgMain.h"
#include "app/res/resource.h"
#include "bench/gui_support.h"
#include "platform/win32/Win32FileSignatures.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32StartupSources.h"
#include "platform/win32/Win32System.h"
#include "seams/Unicode.h"
#include "settings/SettingsStore.h"
#include "ui/MessageBox.h"
#include "ui/PumpWait.h"

namespace {

using bench::Clock;
using bench::Ms;

struct CleanRun {
    double ms = 0;
    double worstGap = 0;
    int listed = 0;
    int left = 0;
    double worstEnded = 0;      // ms after Clean
    double worstOwn = 0;        // the part an idle thread did not share
    double idleWorst = 0;       // an idle thread's longest stall meanwhile
    double startMs = 0;         // the window thread's part before the worker takes over
    int progressReads = 0;      // distinct positions of the progress bar seen
    double bytesPerFinding = 0; // working set growth with the findings listed
    std::string total;
};

CleanRun TimeGuiClean(zt::AppContext& app) {
    CleanRun run;
    Clock::time_point totalShown{};
    zt::MessageAnswerer previous = zt::SetMessageAnswerer([&](const zt::MessageRequest& r) {
        if (r.text.rfind("Total ", 0) == 0 && r.text.rfind("Total found", 0) != 0) {
            totalShown = Clock::now();
            run.total = r.text;
        }
        return IDOK;
    });
    {
        zt::CDlgMain main(app);
        zt::CDlgScanClean& page = main.ScanPage();
        page.enabledCategories = {bench::kSharedDllsCategory};
        if (!main.Create(nullptr)) {
            std::fprintf(stderr, "gui_clean: the main window could not be made\n");
            return run;
        }
        zt::PumpUntil([] { return false; }, 300);
        const double before = bench::WorkingSetBytes();
        page.OnScanButton();
        zt::PumpUntil([&] { return !page.Busy(); });
        run.listed = page.List().Count();
        run.bytesPerFinding = bench::GrowthPerFinding(before, run.listed);
        zt::PumpUntil([] { return false; }, 300); // let it settle before timing
        HWND bar = page.Item(IDC_CLEANPROGRESS);
        LRESULT lastPos = -1;
        bench::StallMeter stall;
        auto start = Clock::now();
        page.OnCleanButton();
        run.startMs = Ms(Clock::now() - start);
        zt::PumpUntil([&] {
            LRESULT pos = ::SendMessageW(bar, PBM_GETPOS, 0, 0);
            if (pos != lastPos) ++run.progressReads;
            lastPos = pos;
            return !page.Busy();
        });
        run.ms = Ms(totalShown - start);
        run.worstGap = stall.WorstMs();
        run.worstEnded = stall.WorstEndedMs();
        run.worstOwn = stall.WorstOwnMs();
        run.idleWorst = stall.IdleWorstMs();
        run.left = page.List().Count();
        if (!page.LastBackupFile().empty())
            ::DeleteFileW(zt::ToWide(page.LastBackupFile()).c_str());
        main.Send(WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    zt::SetMessageAnswerer(previous);
    return run;
}

} // namespace

int main(int argc, char** argv) {
    zt::Win32Registry registry;
    zt::Win32System system;
    if (!bench::PrepareGuiBench(argc, argv, registry)) return 3;

    zt::SettingsStore store(registry, "bench_gui_clean");
    zt::SetAppSettings(&store);
    zt::Win32StartupSources sources;
    zt::Win32FileSignatures signatures;
    zt::AppContext app{registry, system, sources, signatures, store};
    CleanRun run = TimeGuiClean(app);
    (void)registry.DeleteKeyTree(zt::RootHandle(zt::kCurrentUser), store.KeyPath());
    if (run.total.empty()) {
        std::fprintf(stderr, "gui_clean: the cleaning did not end with its total\n");
        return 1;
    }
    std::printf("GUI, %d findings listed, Clean confirmed to total message: %.0f ms "
                "(%.2f ms per finding)\n",
                run.listed, run.ms, run.listed ? run.ms / run.listed : 0.0);
    std::printf("window thread's longest stall (10 ms timer gap): %.0f ms, ended %.0f ms after "
                "Clean\n",
                run.worstGap, run.worstEnded);
    std::printf("of which the window thread's own, not shared by an idle thread: %.0f ms (limit "
                "100); the idle thread's longest stall: %.0f ms\n",
                run.worstOwn, run.idleWorst);
    std::printf("working set growth per listed finding: %.0f bytes (limit 1024)\n",
                run.bytesPerFinding);
    std::printf("of which Clean pressed until the ticked rows are being copied: %.0f ms\n",
                run.startMs);
    std::printf("progress bar positions seen: %d; rows left: %d\n", run.progressReads, run.left);
    std::printf("total message: %s\n", run.total.c_str());
    return 0;
}
