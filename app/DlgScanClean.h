#pragma once
// The "Scan/Clean" page: the result list of the last scan, Scan/Stop, Clean/Stop, Help, Exit
// and Check All. The page has one phase (ScanPageState.h); Move() changes it and the buttons
// follow. The scan runs on a background job (CScanJob) whose reports reach the page, on its
// window thread, as a ScanSink; the cleaning runs on a job of its own (ScanPageCleaning.h).
// The rows live in the page's model (ScanPageRows); the list only draws them.
#include <memory>
#include <string>
#include <vector>

#include "app/AppContext.h"
#include "app/ResultTooltip.h"
#include "app/ScanJob.h"
#include "app/ScanPageCleaning.h"
#include "app/ScanPageRows.h"
#include "app/ScanPageState.h"
#include "ui/GradientDialog.h"
#include "ui/Layout.h"
#include "ui/Messages.h"
#include "ui/Window.h"

namespace zt {

class CAnimatedBanner;
class CResultListHook;

// Posted after a click on a row's box or Space: toggles the row unless the list already did.
inline constexpr UINT WM_ZT_SCAN_TOGGLE = WM_ZT_PAGE_FIRST + 0;
// The page's one timer: the list's row count catches up with the rows a scan added.
inline constexpr UINT_PTR kTimerListCount = 1;
// Shortest time between two row count updates while findings pour in: each one costs the list
// a repaint of its visible rows (about 15 ms under Wine).
inline constexpr ULONGLONG kListCountMs = 150;

class CDlgScanClean : public CGradientDialog, public ScanSink {
  public:
    // `banner` (may be none) is the main window's strip, animated while a scan runs.
    CDlgScanClean(AppContext& app, CAnimatedBanner* banner);
    ~CDlgScanClean() override;

    // Indices 0 to 12 of the enabled categories; the settings page refills it.
    std::vector<int> enabledCategories;

    // Turns enabledCategories into the area switches and writes them, then the base's.
    void ApplySettings() override;
    // The first failed write of the switches by the last ApplySettings (ok when none).
    Status SwitchesWritten() const { return switchesWritten_; }
    void SaveColumnWidths();
    void RestoreColumnWidths();
    // The client size from which later resizes are measured (the main window calls it once
    // the page sits in the tab window).
    void RecordLayout() { layout_.Record(Handle()); }

    ScanPagePhase Phase() const { return phase_; }
    bool Busy() const { return phase_ != ScanPagePhase::Idle; }
    // The close path: from here on no end of work is shown. A running scan or cleaning is
    // asked to stop and waited for, pumping messages, at most `scanWaitMs` or
    // `cleaningWaitMs`. True when no worker is left running.
    bool StopWorkForClose(unsigned scanWaitMs, unsigned cleaningWaitMs);
    // Stops the workers, joins them for at most `waitMs` and lets them go: they reach
    // nothing of the page any more.
    void AbandonWork(DWORD waitMs = 0);
    // The Scan button: start, or stop a running scan.
    void OnScanButton();
    // The Clean button: asks, then removes the ticked findings after backing them up; while
    // a cleaning runs it is Stop (the run ends after its current finding).
    void OnCleanButton();

    CListView& List() { return *list_; }
    // The finding of a row, or none past the last row.
    const ScanFinding* FindingAt(int item) const {
        return item >= 0 && item < rows_.Count() ? &rows_.FindingAt(item) : nullptr;
    }
    ScanEngine& Engine() { return job_->engine(); }
    // The scan's job, which outlives the page while its worker runs.
    std::shared_ptr<const CBackgroundJob> ScanWork() const { return job_->shared_job(); }
    bool DrawsHeader() const { return drawHeader_; }
    // The backup file of the last cleaning run that made one.
    const std::string& LastBackupFile() const { return lastBackupFile_; }

    // ScanSink: the scan's reports, on the window thread.
    void AddFinding(ScanRow row) override;
    void ScanProgress(std::string_view keyPath) override;
    void ScanFinished(const ScanSummary& summary) override;

  protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(int id, NMHDR* header, LRESULT& result) override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnDestroy() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    // The mouse over the result list: its tooltip shows the evidence of the row under it.
    bool OnSetCursor(HWND over, UINT hitTest, UINT mouseMsg) override;

  private:
    // The one place the phase changes; the controls follow.
    void Move(ScanPageEvent event);
    void ShowPhase(ScanPagePhase from);
    void SetupList();
    // The list's row count from the model, now or after the queued reports.
    void SyncListCount();
    void SyncListCountSoon();
    void RefreshCheckAll();
    void OnCheckAll();
    void ToggleRow(int item);
    // A tick set on the list itself (row -1: every row) goes to the model.
    void TickFromList(int row, bool on);
    void OnListContextMenu(LPARAM where);
    void CleaningPrepared(std::shared_ptr<CleanRun> run);
    void CleaningProgress(int done, int total);
    void CleaningFinished(CleanRun& run);
    void WorkFailed(const std::string& what);
    void ShowStatus(std::string_view text);

    AppContext& app_;
    CAnimatedBanner* banner_;
    ScanPagePhase phase_ = ScanPagePhase::Idle;
    std::shared_ptr<CScanJob> job_;
    std::shared_ptr<CBackgroundJob> cleanJob_;
    std::shared_ptr<CleanRun> cleanRun_; // the run going or last gone
    ScanPageRows rows_;
    std::unique_ptr<CListView> list_ = std::make_unique<CListView>();
    CLayout layout_;
    CResultTooltip tooltip_;
    std::unique_ptr<CResultListHook> listHook_;
    std::string lastBackupFile_;
    bool drawHeader_ = false;
    Status switchesWritten_;
    bool countQueued_ = false; // a list count update waits on the page's timer
    ULONGLONG lastCountSync_ = 0;
    int listToggled_ = -1; // the row whose box the list itself toggled last
};

} // namespace zt
