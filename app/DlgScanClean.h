#pragma once
// The "Scan/Clean" page: the result list of the last scan, Scan/Stop, Clean, Help, Exit and
// Check All. The scan runs on a background job (CScanJob) whose reports reach the page, on its
// window thread, as a ScanSink; the page decides captions, buttons and boxes. Cleaning runs on
// a background job of its own: the page asks first, the worker backs up and deletes a copy of
// the ticked findings, and the page applies the end (rows, status, total) on its thread.
#include <memory>
#include <string>
#include <vector>

#include "app/AppContext.h"
#include "app/ScanJob.h"
#include "cleaning/Cleaning.h"
#include "ui/GradientDialog.h"
#include "ui/Layout.h"
#include "ui/Window.h"

namespace zt {

class CAnimatedBanner;
class CClassicHeaderHook;

class CDlgScanClean : public CGradientDialog, private ScanSink, private JobResultsTarget {
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
    void RecordLayout();

    // True while a scan runs (no stop asked yet).
    bool ScanRunning();
    // The close path: asks a running scan or cleaning to stop and waits at most `timeoutMs`,
    // pumping messages. True when the worker ended (or none ran); otherwise the page abandons
    // it when it goes. A cleaning stopped this way shows no total: the window is going.
    bool StopForClose(unsigned timeoutMs);
    // Start or stop, as the Scan button does.
    void OnScanButton();
    // Removes the ticked findings after backing them up (the Clean button); while a cleaning
    // runs the button is Stop.
    void CleanSelected();
    // Ends a running cleaning after its current finding; the rest stays listed and ticked.
    void StopCleaning();
    // From a confirmed Clean until its end has been shown.
    bool CleaningInProgress() const { return cleanShown_; }

    CListView& List() { return *list_; }
    // The finding of a row, owned by the row.
    const ScanFinding* FindingAt(int item) const;
    ScanEngine& Engine() { return job_->engine(); }
    bool CheckClickPending() const { return checkClickPending_; }
    bool DrawsHeader() const { return drawHeader_; }
    // The backup file of the last cleaning run that made one.
    const std::string& LastBackupFile() const { return lastBackupFile_; }
    // True from pressing Scan until the end of that scan has been shown.
    bool ScanInProgress() const { return scanShown_; }

  protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(int id, NMHDR* header, LRESULT& result) override;
    void OnSize(UINT type, int cx, int cy) override;
    bool OnTimer(UINT_PTR id) override;
    void OnDestroy() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    // The mouse over the result list: its tooltip shows the evidence of the row under it.
    bool OnSetCursor(HWND over, UINT hitTest, UINT mouseMsg) override;

  private:
    // ScanSink: the scan's reports, on the window thread.
    void AddFinding(ScanRow row) override;
    void ScanProgress(std::string_view keyPath) override;
    void ScanFinished(const ScanSummary& summary) override;
    // JobResultsTarget
    void BeginResults() override;
    void EndResults() override;
    void ScheduleDrain() override;

    void SetupList();
    void UpdateHeaderPainter();
    void RefreshCheckAll();
    void OnCheckAll();
    void FreeAllRows();
    void BannerRunning();
    void BannerResting();
    void StartScan();
    void StopScan();
    void OnListContextMenu(LPARAM where);
    // The cleaning's reports, on the window thread.
    struct CleanRun;
    std::vector<TickedFinding> TickedRows() const;
    void ShowCleaningRunning(bool running);
    void CleaningProgress(int done, int total);
    void ApplyCleanedRows(const std::vector<int>& uncheck, const std::vector<int>& remove);
    void CleaningFinished(CleanRun& run);

    AppContext& app_;
    CAnimatedBanner* banner_;
    std::shared_ptr<CScanJob> job_;
    std::shared_ptr<CBackgroundJob> cleanJob_;
    std::unique_ptr<CListView> list_ = std::make_unique<CListView>();
    CLayout layout_;
    HWND tooltip_ = nullptr;
    std::unique_ptr<CClassicHeaderHook> headerPainter_;
    std::string lastBackupFile_;
    bool checkClickPending_ = false;
    bool drawHeader_ = false;
    Status switchesWritten_;
    bool scanShown_ = false;    // scan started and its end not yet shown
    bool stopping_ = false;     // inside the Stop wait
    bool cleanShown_ = false;   // cleaning confirmed and its end not yet shown
    bool closingClean_ = false; // the window goes: a cleaning's end is not shown
    bool batchRedrawOff_ = false;
    const ScanRow* tipRow_ = nullptr; // whose evidence the list's tooltip tool holds
    int tipItem_ = -1;
};

} // namespace zt
