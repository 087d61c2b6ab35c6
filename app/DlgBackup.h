#pragma once
// The "Backup" page: the backup files newest first, and Restore, View Item and Remove.
#include <memory>
#include <vector>

#include "app/AppContext.h"
#include "app/PageSupport.h"
#include "backup/BackupStore.h"
#include "settings/SettingsStore.h"
#include "seams/Registry.h"
#include "seams/StartupSources.h"
#include "seams/System.h"
#include "ui/BackgroundJob.h"
#include "ui/GradientDialog.h"
#include "ui/Layout.h"
#include "ui/Window.h"

namespace zt {

class CDlgBackup : public CGradientDialog {
  public:
    bool ClassicLook() const { return classicLook_; }
    explicit CDlgBackup(AppContext& app);
    ~CDlgBackup() override;

    // Lists the backup folder again; the numbers start again at 1.
    void RefreshBackupList();
    void RestoreColumnWidths();
    void SaveColumnWidths() const;
    // The main window calls this once it has created the pages; resizing moves nothing before.
    void RecordLayout();

    CListView List() const;
    // The item of a row, owned by the page; none for a row the page did not make.
    const CBackupItem* ItemOfRow(int row) const;

  protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnSize(UINT type, int cx, int cy) override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    void OnDestroy() override;

  private:
    void FillBackupList();
    void ReleaseAllItems();
    void DeleteRow(int row);
    // False (after saying so) when the list is empty or nothing is selected.
    bool HasSelection(std::string_view noSelectionText, int& row);
    // The row of the backup at `path`, or -1.
    int FindRow(const std::string& path) const;

    void OnRestore();
    void OnRemove();
    void OnViewItem();

    Registry& reg_;
    System& sys_;
    StartupSources& sources_;
    const SettingsStore& settings_;
    bool classicLook_ = false;
    int rowCounter_ = 0;
    std::vector<std::unique_ptr<CBackupItem>> items_;
    CLayout layout_;
    CClassicHeaderHook headerHook_{classicLook_};
    std::shared_ptr<CBackgroundJob> restore_; // while a restore runs
};

} // namespace zt
