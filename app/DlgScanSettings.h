#pragma once
// The "Settings" page: the scan areas of the area table, Check All and the four program options.
// Changes take effect only through Apply (or Yes when leaving the page with changes); the
// page itself stores nothing, the main window's ApplySettings does.
#include <vector>

#include "app/AppContext.h"
#include "settings/SettingsStore.h"
#include "ui/GradientDialog.h"
#include "ui/Layout.h"

namespace zt {

class CDlgMain;

class CDlgScanSettings : public CGradientDialog {
  public:
    // `enabledCategories` is the scan page's list, read and refilled in place.
    CDlgScanSettings(AppContext& app, CDlgMain& main, std::vector<int>& enabledCategories);
    ~CDlgScanSettings() override;

    // The switches in effect (changed only by OnApply).
    const ProgramSwitches& Switches() const { return switches_; }

    // The tab window is about to leave this page: 0 lets it go, the tab-change message's own
    // identifier keeps the user here.
    LRESULT QueryApplyOnLeave();
    void OnApply();
    void RecordLayout();
    bool HasPendingChanges() const;

    // Category index of a control, or -1 when it is not a category box.
    static int CategoryOfControl(int id);

  protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnOK() override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnDestroy() override;

  private:
    void LoadPageState();
    void UpdateCheckAll();
    void OnCheckAll();
    // The category boxes in the page's child order.
    std::vector<HWND> CategoryBoxes() const;
    bool IsTicked(int id) const;
    void SetTicked(int id, bool on) const;

    AppContext& app_;
    CDlgMain& main_;
    std::vector<int>& enabledCategories_;
    ProgramSwitches switches_;
    HWND tooltip_ = nullptr;
    CLayout layout_;
};

} // namespace zt
