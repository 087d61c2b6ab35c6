#pragma once
// The "Startup Manager" page: every startup entry in a list with check boxes, and Refresh,
// Delete, Disable, Enable, Add... and Exit.
#include <functional>
#include <string>

#include "app/AppContext.h"
#include "app/PageSupport.h"
#include "backup/RegFileWriter.h"
#include "startup/StartupEnumerator.h"
#include "ui/GradientDialog.h"
#include "ui/Layout.h"
#include "ui/Window.h"

namespace zt {

class CDlgStartupManager : public CGradientDialog {
  public:
    bool ClassicLook() const { return classicLook_; }
    explicit CDlgStartupManager(AppContext& app);
    ~CDlgStartupManager() override;

    // Lists every startup entry again; the numbers start again at 1.
    void RefreshList();
    void RestoreColumnWidths();
    void SaveColumnWidths() const;
    // The main window calls this once it has created the pages; resizing moves nothing before.
    void RecordLayout();

    CListView List() const;
    // The entry a row shows, exactly as enumerated (the list shows it for people to read).
    const StartupEntry* EntryAt(int row) const;

    // Runs the add dialog; returns true on OK with the command line typed. Tests replace it.
    using AddDialogRunner = std::function<bool(HWND owner, std::string& commandLine)>;
    void SetAddDialogRunner(AddDialogRunner runner) { runAddDialog_ = std::move(runner); }

  protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(int id, NMHDR* header, LRESULT& result) override;
    void OnCancel() override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnDestroy() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

  private:
    void DeleteSelectedEntries();
    // Writes the selected row's approval value; the Status column changes only when it was.
    void SwitchSelectedEntry(bool disable);
    // Disable and Enable are available for a selected row an approval value governs.
    void UpdateSwitchButtons();
    void AddStartupItem();
    bool RunAddDialog(HWND owner, std::string& commandLine);

    AppContext& app_;
    bool classicLook_ = false;
    CRegFileWriter writer_;
    CLayout layout_;
    CClassicHeaderHook headerHook_{classicLook_};
    AddDialogRunner runAddDialog_;
};

} // namespace zt
