#pragma once
// What every window of the program shares: the platform seams (one of each per process), the
// settings store and the main window's services. The program makes one at start-up; GUI tests make
// their own.
//
// Pages are constructed as `CDlgX(AppContext& app)` and created as children of the tab
// window by CDlgMain. The main window relies on these public operations of the pages:
//   CDlgBackup:          RefreshBackupList(), SaveColumnWidths(), RestoreColumnWidths()
//   CDlgStartupManager:  SaveColumnWidths(), RestoreColumnWidths()
//   every page:          ApplySettings() (CGradientDialog's virtual)
// A page that made a backup calls app.host->RefreshBackupList().
#include <windows.h>

namespace zt {

class Registry;
class System;
class StartupSources;
class FileSignatures;
class SettingsStore;

// Services of the main window that pages call.
class PageHost {
  public:
    virtual ~PageHost() = default;
    // Reloads the backup page's list, so a new backup file shows at once.
    virtual void RefreshBackupList() = 0;
    // The main window, for message box ownership and centring.
    virtual HWND MainHandle() const = 0;
};

struct AppContext {
    Registry& registry;
    System& system;
    StartupSources& startupSources; // scheduled tasks, services and packaged startup tasks
    FileSignatures& signatures;     // who made a program file
    SettingsStore& settings;
    PageHost* host = nullptr; // set by the main window when it is constructed
};

} // namespace zt
