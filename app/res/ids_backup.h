#pragma once
// Identifiers of the backup page (template 135).
#define IDD_BACKUP_PAGE 135
#define IDC_BACKUP_LIST 1029
#define IDC_BACKUP_RESTORE 1007
#define IDC_BACKUP_VIEW 1046
#define IDC_BACKUP_REMOVE 1006
// The label has no identifier of its own; it is the page's only static control.
#define IDC_BACKUP_LABEL -1
