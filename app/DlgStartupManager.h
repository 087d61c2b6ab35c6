#pragma once
// The "Startup Manager" page: every startup entry (keys, folders, scheduled tasks, services,
// packaged apps) in a list with check boxes, and Refresh, Delete, Disable, Enable, Add... and
// Exit. Every action works on the ticked rows, or on the selected row when none is ticked.
// Entries that are part of Windows are left out while "Hide entries signed by Microsoft
// Windows" is ticked.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/AppContext.h"
#include "app/MachineActions.h"
#include "app/PageSupport.h"
#include "backup/RegFileWriter.h"
#include "seams/StartupSources.h"
#include "startup/StartupEnumerator.h"
#include "ui/BackgroundJob.h"
#include "ui/GradientDialog.h"
#include "ui/Layout.h"
#include "ui/Window.h"

namespace zt {

class CDlgStartupManager : public CGradientDialog {
  public:
    bool ClassicLook() const { return classicLook_; }
    explicit CDlgStartupManager(AppContext& app);
    ~CDlgStartupManager() override;

    // Lists every startup entry again on a worker, and waits for it while the window goes on
    // (messages are dispatched); the numbers start again at 1.
    void RefreshList();
    // Starts the listing and returns; the rows replace the list when it ends.
    void StartListing();
    // Waits (dispatching messages) until a listing begun has filled the list.
    bool WaitForListing(DWORD timeoutMs = 60000);
    void RestoreColumnWidths();
    void SaveColumnWidths() const;
    // The main window calls this once it has created the pages; resizing moves nothing before.
    void RecordLayout();

    CListView List() const;
    // Whether the action button shows the shield: a chosen row needs the helper.
    bool ShowsShield(int buttonId) const;
    // Waits (dispatching messages) until a change handed to the elevated helper has been shown.
    bool WaitForHelper(DWORD timeoutMs = 60000);

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
    void ShowRows(std::vector<StartupEntry> rows);
    void DeleteSelectedEntries();
    // Switches every action row; the Status column changes only where the switch took.
    void SwitchSelectedEntries(bool disable);
    // Hands the machine's rows (`ids`) to the elevated helper on a worker; its outcome and
    // `notes` of the user's part then show in one message.
    void RunWithHelper(std::string verb, std::vector<std::string> ids, std::string notes);
    void ShowHelperOutcome(const std::string& verb, const std::vector<std::string>& ids,
                           std::string notes, const HelperOutcome& out);
    // The shield on each action button while a chosen row needs the helper.
    void UpdateShields();
    // Disable and Enable are available while an action row can take them.
    void UpdateSwitchButtons();
    // The ticked rows, else the selected row, else none.
    std::vector<int> ActionRows() const;
    // The Command and Location columns share what the list gains or loses in width.
    void ShareWidth(int listWidth);
    // Columns as wide as their texts, Command and Location sharing the rest, the first time
    // rows arrive unless widths were restored; every time, a Status as wide as its texts.
    void FitColumns();
    // The hide box was clicked: remembered, and the list made again.
    void OnHideWindowsClicked();
    void AddStartupItem();
    bool RunAddDialog(HWND owner, std::string& commandLine);

    AppContext& app_;
    bool classicLook_ = false;
    CRegFileWriter writer_;
    CLayout layout_;
    CClassicHeaderHook headerHook_{classicLook_};
    AddDialogRunner runAddDialog_;
    std::shared_ptr<CBackgroundJob> listing_;
    std::shared_ptr<CBackgroundJob> helper_;
    int listWidth_ = 0;
    bool widthsChosen_ = false; // restored from the settings, or fitted to rows once
    bool relist_ = false;       // the hide box changed while a listing ran
};

} // namespace zt
