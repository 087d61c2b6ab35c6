#pragma once
// The program's one top-level window: the tab window with the five pages, the three links
// and the animated banner along the bottom, the About entry of the system menu. It applies
// the settings, keeps the start-with-Windows registration in line, saves and restores the
// layout, and stops a running scan when it closes.
#include <memory>
#include <string>

#include "app/AppContext.h"
#include "app/DlgScanClean.h"
#include "app/DlgScanSettings.h"
#include "app/DlgBackup.h"
#include "app/DlgCleanDisk.h"
#include "app/DlgStartupManager.h"
#include "ui/AnimatedBanner.h"
#include "ui/GradientDialog.h"
#include "ui/Layout.h"
#include "ui/TabWnd.h"

namespace zt {

class CDlgMain : public CGradientDialog, public PageHost {
  public:
    // Tab indices.
    enum Tab { kTabScan = 0, kTabStartup = 1, kTabCleanDisk = 2, kTabSettings = 3, kTabBackup = 4 };
    static constexpr unsigned kCloseWaitMs = 1000;
    static constexpr unsigned kCloseCleanWaitMs = 10000;
    static constexpr COLORREF kStripTop = RGB(194, 233, 237);
    static constexpr COLORREF kTabColour = RGB(166, 192, 215);

    explicit CDlgMain(AppContext& app);
    ~CDlgMain() override;

    void ApplySettings() override;
    // What the last ApplySettings could not write, as the user reads it; empty when all was.
    const std::string& SettingsNotWritten() const { return settingsNotWritten_; }
    void RefreshBackupList() override;
    HWND MainHandle() const override { return Handle(); }

    bool SavePosSwitch() const { return savePos_; }

    CDlgScanClean& ScanPage() { return scan_; }
    CDlgScanSettings& SettingsPage() { return settings_; }
    CDlgBackup& BackupPage() { return backup_; }
    CDlgStartupManager& StartupPage() { return startup_; }
    CDlgCleanDisk& CleanDiskPage() { return cleanDisk_; }
    CBCGTabWnd& Tabs() { return tabs_; }
    CAnimatedBanner& Banner() { return banner_; }
    // The page shown for a tab index.
    CGradientDialog* PageOfTab(int tab);

    // The full path written to the Run key.
    std::string ExecutablePath() const;

  protected:
    bool OnInitDialog() override;
    bool OnSysCommand(WPARAM command, LPARAM lp) override;
    bool OnEraseBackground(HDC dc) override;
    void OnSize(UINT type, int cx, int cy) override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    void GradientArea(RECT& area, COLORREF& top, COLORREF& bottom) override;
    void OnOK() override;
    void OnCancel() override;
    void OnDestroy() override;

  private:
    void CloseWindow();
    void SaveLayout();
    void RestoreLayout();
    void CreateTooltips();
    // Hands Enter or Escape to the page that holds the focus, as the page's own key.
    void ForwardKeyToPage(int id);
    RECT StripRect() const;
    // A move to a screen of another DPI: pages, controls, fonts and the tabs re-laid for it.
    void OnDpiChanged(UINT dpi, const RECT& suggested);

    AppContext& app_;
    std::string settingsNotWritten_;
    CAnimatedBanner banner_;
    CBCGTabWnd tabs_;
    CDlgScanClean scan_;
    CDlgScanSettings settings_;
    CDlgBackup backup_;
    CDlgStartupManager startup_;
    CDlgCleanDisk cleanDisk_;
    HWND tooltip_ = nullptr;
    bool savePos_ = true;
    bool startupMode_ = true;
    CLayout layout_;
    bool closing_ = false;
    // The screen rectangle the window last had while it was not minimised.
    RECT normalRect_{};
    bool hadNormalRect_ = false;
};

} // namespace zt
