#pragma once
// The "Clean Disk" page: one check box per classic junk place, then a list of the catalog's
// places with check boxes, each captioned with its size by a measuring run on a background
// job, and Clean and Exit.
#include <memory>
#include <string>
#include <vector>

#include "app/AppContext.h"
#include "diskclean/JunkCleaning.h"
#include "diskclean/JunkMeasuring.h"
#include "ui/GradientDialog.h"
#include "ui/BackgroundJob.h"
#include "ui/Layout.h"

namespace zt {

class CDlgCleanDisk : public CGradientDialog {
  public:
    explicit CDlgCleanDisk(AppContext& app);
    ~CDlgCleanDisk() override;

    // The main window calls this once it has created the pages; resizing moves nothing before.
    void RecordLayout();
    // True while the latest measuring run is still busy (tests wait on it).
    bool IsMeasuring() const { return measuring_ && measuring_->Running(); }
    // Reads the stored age rule; the sizes are measured again when it changed.
    void ApplySettings() override;
    // True while a cleaning waits for the elevated helper (tests wait on it).
    bool IsCleaningWithHelper() const { return helper_ && helper_->Running(); }
    // Whether the Clean button shows the shield: a ticked place needs the helper.
    bool ShowsShield() const;
    // Shows a measured catalog place: its size column and its note ("Close ... ").
    void ShowPlace(const PlaceMeasurement& m);

  protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(int id, NMHDR* header, LRESULT& result) override;
    void OnCancel() override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnDestroy() override;

  private:
    // Abandons the run still busy, so an outdated size never overwrites a newer one. After a
    // cleaning the new sizes are wanted soon, so that run gets a higher priority.
    void StartMeasuring(bool aboveNormal);
    // Stops the run, joins it for at most `waitMs` and lets it go: it reaches the page no more.
    void AbandonMeasuring(DWORD waitMs = 0);
    void OnClean();
    // The machine's places go to the helper on a worker; `done` is the user's part's result.
    void CleanWithHelper(std::vector<std::string> ids, JunkCleanResult done);
    void UpdateShield();
    void FillPlaces();
    // The ticked rows of the list, by place id; remembered in the settings too.
    std::vector<std::string> TickedPlaces();

    JunkOptions StoredOptions() const;

    Registry& reg_;
    System& sys_;
    SettingsStore& settings_;
    JunkOptions options_;
    std::shared_ptr<CBackgroundJob> measuring_;
    std::shared_ptr<CBackgroundJob> helper_;
    CLayout layout_;
    std::vector<std::string> notes_; // per row of the list
};

} // namespace zt
