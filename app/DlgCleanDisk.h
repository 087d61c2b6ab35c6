#pragma once
// The "Clean Disk" page: one check box per junk place, captioned with its size by a
// measuring worker, and Clean and Exit.
#include "app/AppContext.h"
#include "diskclean/JunkCleaning.h"
#include "diskclean/JunkMeasuring.h"
#include "ui/GradientDialog.h"
#include "ui/Layout.h"

namespace zt {

class CDlgCleanDisk : public CGradientDialog, private JunkSink {
  public:
    explicit CDlgCleanDisk(AppContext& app);
    ~CDlgCleanDisk() override;

    // The main window calls this once it has created the pages; resizing moves nothing before.
    void RecordLayout();
    // True while a measuring run is still busy (tests wait on it).
    bool IsMeasuring() const { return worker_.IsBusy(); }
    // Reads the stored age rule; the sizes are measured again when it changed.
    void ApplySettings() override;

  protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnCancel() override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnDestroy() override;

  private:
    // Measuring thread: the caption travels to the window's thread through the task queue.
    void OnJunkMeasured(const JunkMeasurement& m) override;
    // After a cleaning the new sizes are wanted soon, so that run gets a higher priority.
    void StartMeasuring(bool aboveNormal);
    void OnClean();

    JunkOptions StoredOptions() const;

    Registry& reg_;
    System& sys_;
    SettingsStore& settings_;
    JunkOptions options_;
    CJunkMeasureWorker worker_;
    UiTaskQueuePtr queue_;
    CLayout layout_;
};

} // namespace zt
