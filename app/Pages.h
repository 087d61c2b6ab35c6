#pragma once
// The backup, startup manager and clean disk pages. Until a page is part of the program, an
// empty page of the same name stands in for it, so the main window always has its five tabs.
#include "app/AppContext.h"
#include "ui/GradientDialog.h"

#if __has_include("app/DlgBackup.h")
#include "app/DlgBackup.h"
#else
#define ZT_STANDIN_BACKUP 1
#endif
#if __has_include("app/DlgStartupManager.h")
#include "app/DlgStartupManager.h"
#else
#define ZT_STANDIN_STARTUP 1
#endif
#if __has_include("app/DlgCleanDisk.h")
#include "app/DlgCleanDisk.h"
#else
#define ZT_STANDIN_CLEANDISK 1
#endif

namespace zt {

// A blank child page with the main window's page operations doing nothing.
class CStandInPage : public CGradientDialog {
public:
    CStandInPage();
    void SaveColumnWidths() {}
    void RestoreColumnWidths() {}
    void RefreshBackupList() {}
};

#ifdef ZT_STANDIN_BACKUP
class CDlgBackup : public CStandInPage {
public:
    explicit CDlgBackup(AppContext&) {}
};
#endif
#ifdef ZT_STANDIN_STARTUP
class CDlgStartupManager : public CStandInPage {
public:
    explicit CDlgStartupManager(AppContext&) {}
};
#endif
#ifdef ZT_STANDIN_CLEANDISK
class CDlgCleanDisk : public CStandInPage {
public:
    explicit CDlgCleanDisk(AppContext&) {}
};
#endif

}  // namespace zt
