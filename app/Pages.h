#pragma once
// The backup, startup manager and clean disk pages. Until a page is part of the program, an
// empty page of the same name stands in for it, so the main window always has its five tabs.
#include "app/AppContext.h"
#include "ui/GradientDialog.h"

// The build defines ZT_HAVE_PAGE_<NAME> for each page whose source is present.
#ifdef ZT_HAVE_PAGE_BACKUP
#include "app/DlgBackup.h"
#else
#define ZT_STANDIN_BACKUP 1
#endif
#ifdef ZT_HAVE_PAGE_STARTUPMANAGER
#include "app/DlgStartupManager.h"
#else
#define ZT_STANDIN_STARTUP 1
#endif
#ifdef ZT_HAVE_PAGE_CLEANDISK
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
